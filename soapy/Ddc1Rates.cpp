#include "soapy/Ddc1Rates.h"

#include <algorithm>
#include <cmath>

#include "receiver/SampleModes.h"
#include "soapy/Log.h"

namespace excalibur::soapy {

Ddc1Rates Ddc1Rates::SampleModes() {
    Ddc1Rates modes;
    for (const auto& mode : SampleModeTable) modes.rates.push_back({mode.sampleRate, mode.ddc1TypeIndex});
    return modes;
}

Ddc1Rates Ddc1Rates::Discover(const g31ddc::ReceiverApi& api, std::int32_t handle) {
    Ddc1Rates found;
    const auto fallBack = [](const std::string& failure) {
        Ddc1Rates modes = SampleModes();
        Warn(failure + "; the rates are " + modes.List());
        return modes;
    };
    for (std::uint32_t type = 0; type < kMaxTypes; ++type) {
        if (api.SetDDC1(handle, type) == 0) {
            if (type == 0) return fallBack(CallFailed("SetDDC1", "DDC1 type 0, the first"));
            break;
        }
        std::uint32_t reported = 0;
        g31ddc::Ddc1Info info{};
        if (api.GetDDC1(handle, &reported, &info) == 0)
            return fallBack(CallFailed("GetDDC1", "reading DDC1 type " + std::to_string(type)));
        if (reported != type || info.sampleRate == 0 || found.Find(info.sampleRate) != nullptr) continue;
        found.rates.push_back({info.sampleRate, type});
    }
    if (found.rates.empty()) return fallBack("excalibur: the driver reported no usable DDC1 type");
    std::sort(found.rates.begin(), found.rates.end(),
              [](const Ddc1Rate& a, const Ddc1Rate& b) { return a.sampleRate < b.sampleRate; });
    return found;
}

const Ddc1Rate* Ddc1Rates::Find(double hertz) const {
    // A NaN matches nothing.
    const auto match = std::find_if(rates.begin(), rates.end(),
                                    [hertz](const Ddc1Rate& rate) { return std::abs(hertz - rate.sampleRate) < 0.5; });
    return match != rates.end() ? &*match : nullptr;
}

const Ddc1Rate* Ddc1Rates::OfType(std::uint32_t typeIndex) const {
    const auto match = std::find_if(rates.begin(), rates.end(),
                                    [typeIndex](const Ddc1Rate& rate) { return rate.typeIndex == typeIndex; });
    return match != rates.end() ? &*match : nullptr;
}

const Ddc1Rate& Ddc1Rates::Default() const {
    const auto distance = [](const Ddc1Rate& rate) {
        return std::abs(static_cast<double>(rate.sampleRate) - static_cast<double>(kDefaultRate));
    };
    return *std::min_element(rates.begin(), rates.end(),
                             [&](const Ddc1Rate& a, const Ddc1Rate& b) { return distance(a) < distance(b); });
}

std::string Ddc1Rates::List() const {
    std::string list;
    for (const auto& rate : rates) list += (list.empty() ? "" : ", ") + std::to_string(rate.sampleRate);
    return list + " Hz";
}

}  // namespace excalibur::soapy
