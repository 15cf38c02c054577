#pragma once

#include <cstddef>

namespace platform {

// The process's current directory, terminated, into buffer. False when it
// does not fit into size bytes or cannot be had; the buffer is then empty.
bool CurrentDirectory(char* buffer, std::size_t size);

}  // namespace platform
