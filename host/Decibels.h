#pragma once

#include <algorithm>
#include <cmath>

namespace host {

// Where every level report stops: no power at all.
constexpr double silenceDbfs = -300.0;

// A mean I/Q power in dB against a complex carrier whose amplitude is the
// full-scale sample value. Subtracting the full scale in dB rather than
// dividing by its square keeps any finite full scale in range.
inline double PowerToDbfs(double meanPower, double fullScale) {
    if (!(meanPower > 0.0)) return silenceDbfs;
    return std::max(10.0 * std::log10(meanPower) - 20.0 * std::log10(fullScale), silenceDbfs);
}

}  // namespace host
