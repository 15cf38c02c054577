#pragma once

#include <cstdint>

#include "receiver/ReceiverApi.h"

namespace excalibur {

// The usable bandwidth of each sample mode's DDC1 type, as the driver
// reported it. The driver reports only the type in force, so a mode's
// bandwidth is known once its type has been set and asked for in this load.

inline constexpr std::int32_t kUnknownBandwidth = -1;

// Keeps what GetDDC1 reported for the type in force; a type of no mode is passed over.
void KeepDdc1Bandwidth(std::uint32_t typeIndex, const g31ddc::Ddc1Info& info);

// In Hz, greater than 0 and at most the mode's rate; kUnknownBandwidth while
// unknown (its type never reported, or reported as 0 or more than the rate)
// and for an index of no mode. Never waits.
std::int32_t Ddc1BandwidthOfMode(int mode);

// As at load: none known.
void ForgetDdc1Bandwidths();

}  // namespace excalibur
