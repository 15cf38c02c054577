#pragma once

#include <string>
#include <string_view>

namespace headless {

// A file with a UTF-8 marker is held as UTF-8, while the callers' names and
// values come in the ANSI code page (taken to be Windows-1252, that of
// Western Windows systems): the Windows profile functions convert both to
// UTF-16 and back.

// Windows-1252 bytes as UTF-8.
std::string AnsiToUtf8(std::string_view ansi);

// UTF-8 as MultiByteToWideChar and back leave it: valid sequences as they
// are, each broken one as U+FFFD; a sequence cut short by the end of the
// text takes the rest of the text with it.
std::string RepairUtf8(std::string_view text);

}  // namespace headless
