#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "receiver/ReceiverApi.h"

namespace excalibur::soapy {

// A sample rate the receiver's down-converter has, and the DDC1 type that gives it.
struct Ddc1Rate {
    std::uint32_t sampleRate = 0;  // Hz
    std::uint32_t typeIndex = 0;
};

// The rates the module offers, ascending: what the driver said it has at
// open. The plug-in keeps its own five sample modes.
class Ddc1Rates {
public:
    static constexpr std::uint32_t kMaxTypes = 64;
    static constexpr std::uint32_t kDefaultRate = 200000;

    // While no stream runs: sets DDC1 types 0, 1, 2, ... until the driver
    // refuses one, reading each one's rate. A type that reports another index,
    // a rate of 0 or a rate found before is left out. If the driver refuses
    // type 0, cannot report a type or has none left, the plug-in's five rates
    // stand, with a warning. Leaves some type set: the caller sets its own.
    static Ddc1Rates Discover(const g31ddc::ReceiverApi& api, std::int32_t handle);

    const std::vector<Ddc1Rate>& All() const { return rates; }
    // The rate within 0.5 Hz of `hertz`, or null.
    const Ddc1Rate* Find(double hertz) const;
    const Ddc1Rate* OfType(std::uint32_t typeIndex) const;
    // kDefaultRate, or the offered rate nearest to it.
    const Ddc1Rate& Default() const;
    // "20000, 32000, ... Hz", for messages.
    std::string List() const;

private:
    static Ddc1Rates SampleModes();

    std::vector<Ddc1Rate> rates;
};

}  // namespace excalibur::soapy
