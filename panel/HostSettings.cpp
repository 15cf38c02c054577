#include "panel/HostSettings.h"

#include <charconv>
#include <cstdio>
#include <string_view>

namespace excalibur {

HostSettings hostSettings;

namespace {

constexpr const char* kDescriptions[kHostSettingCount] = {
    "Plug-in and settings version",
    "Sample rate: 0 = 50 kHz, 1 = 100 kHz, 2 = 200 kHz, 3 = 500 kHz, 4 = 1 MHz",
    "Attenuator 21 dB: 0 = off, 1 = on",
    "ADC dithering: 0 = off, 1 = on",
    "ADC noise blanker: 0 = off, 1 = on",
    "Level offset in dB, -200 to 200",
    "Panel position: top edge in screen pixels",
    "Panel position: left edge in screen pixels",
};

// The host's text up to its terminator; none when there is no terminator
// within the interface's limit, which is as far as we read.
std::optional<std::string_view> BoundedText(const char* text) {
    std::size_t length = 0;
    while (length < kHostSettingTextSize && text[length] != '\0') ++length;
    if (length == kHostSettingTextSize) return std::nullopt;
    return std::string_view(text, length);
}

std::optional<int> DecimalInteger(std::string_view text) {
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return number;
}

}  // namespace

void HostSettings::Deliver(int index, const char* value) {
    std::lock_guard lock(m_mutex);
    m_bHostKeeps = true;
    if (index < 0 || index >= kHostSettingCount || value == nullptr) return;
    const std::optional<std::string_view> text = BoundedText(value);
    if (!text) return;
    if (index == kHostIdentifierIndex) {
        // Hosts hand every ExtIO what they kept for the one they loaded last.
        m_bIdentified = *text == kHostSettingsIdentifier;
        m_bHandedOurs = m_bHandedOurs || m_bIdentified;
        return;
    }
    if (!m_bIdentified) return;
    if (const std::optional<int> number = DecimalInteger(*text)) m_values[index] = number;
}

bool HostSettings::HostKeeps() const {
    std::lock_guard lock(m_mutex);
    return m_bHostKeeps;
}

bool HostSettings::TakesOverTheFile() {
    std::lock_guard lock(m_mutex);
    const bool first = !m_bPanelCreatedBefore;
    m_bPanelCreatedBefore = true;
    return first && m_bHostKeeps && !m_bHandedOurs;
}

int HostSettings::Read(int index, int defaultValue) const { return Value(index).value_or(defaultValue); }

std::optional<int> HostSettings::Value(int index) const {
    std::lock_guard lock(m_mutex);
    return m_values.at(index);
}

void HostSettings::Write(int index, int value) {
    std::lock_guard lock(m_mutex);
    m_values.at(index) = value;
}

bool DescribeHostSetting(int index, const HostSettingValues& values, char* description, char* value) {
    if (index < 0 || index >= kHostSettingCount) return false;
    if (description != nullptr) std::snprintf(description, kHostSettingTextSize, "%s", kDescriptions[index]);
    if (value != nullptr) {
        if (index == kHostIdentifierIndex) {
            std::snprintf(value, kHostSettingTextSize, "%s", kHostSettingsIdentifier);
        } else if (values[index]) {
            std::snprintf(value, kHostSettingTextSize, "%d", *values[index]);
        } else {
            value[0] = '\0';
        }
    }
    return true;
}

}  // namespace excalibur
