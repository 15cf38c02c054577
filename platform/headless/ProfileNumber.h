#pragma once

#include <string_view>

namespace headless {

// What GetPrivateProfileIntA makes of a stored value: the value as
// GetPrivateProfileString would return it into 30 characters (matching
// quotes removed, cut to 29), then read like RtlUnicodeStringToInteger with
// base 0: blanks and control characters skipped, one sign, a "0x", "0o" or
// "0b" prefix, digits up to the first other character, modulo 2^32. An
// empty result gives the default; text without digits gives 0.
int ProfileNumber(std::string_view stored, int defaultValue);

}  // namespace headless
