#pragma once

#include <type_traits>
#include <utility>

#include "platform/CallingConvention.h"

// One function under two names: on Windows the .def file exports it twice,
// natively the second name is a symbol alias.
#if defined(_WIN32)
#define EXTIO_EXPORT extern "C"
#define EXTIO_ALIAS(name, target) static_assert(true)
#else
#define EXTIO_EXPORT extern "C" __attribute__((visibility("default")))
#define EXTIO_ALIAS(name, target) EXTIO_EXPORT decltype(target) name __attribute__((alias(#target)))
#endif

namespace excalibur {

// The host gets the interface's failure result instead of an exception
// unwinding into its frames.
template <typename Action, typename Result = decltype(std::declval<Action>()())>
Result Guarded(Action action, std::conditional_t<std::is_void_v<Result>, int, Result> failure = {}) noexcept {
    try {
        return action();
    } catch (...) {
        if constexpr (!std::is_void_v<Result>) return failure;
    }
}

}  // namespace excalibur
