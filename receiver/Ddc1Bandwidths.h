#pragma once

#include <cstdint>

#include "receiver/ReceiverApi.h"

namespace excalibur {

// The usable bandwidth of each sample mode's DDC1 type, as the driver
// reported it. The driver reports only the type in force, so a mode's
// bandwidth is known once its type has been in force in this load.

// Keeps what GetDDC1 reported for the type in force; a type of no mode is passed over.
void KeepDdc1Bandwidth(std::uint32_t typeIndex, const g31ddc::Ddc1Info& info);

// In Hz, at most the mode's rate; 0 while unknown (its type never in force,
// or the driver reported 0 or more than the rate), -1 for an index of no
// mode. Never waits.
std::int32_t Ddc1BandwidthOfMode(int mode);

// As at load: none known.
void ForgetDdc1Bandwidths();

}  // namespace excalibur
