#pragma once

#include <charconv>
#include <cstddef>
#include <mutex>
#include <string_view>
#include <type_traits>

namespace simulator {

// One line per entry-point call, "SetAttenuator 0 21", appended to the file
// that G31DDC_SIM_LOG names at the time of the call. Integers are written in
// decimal, pointers as 0 or non-null. Each line is written and the file closed
// again, so that a reader sees every line at once.
class CallLog {
public:
    template <typename... Arguments>
    void Write(const char* entryPoint, Arguments... arguments) {
        Line line;
        line.Append(entryPoint);
        (line.AppendArgument(arguments), ...);
        Append(line.Text());
    }

private:
    class Line {
    public:
        void Append(std::string_view text) {
            const std::size_t room = sizeof text_ - 1 - length_;
            const std::size_t count = text.size() < room ? text.size() : room;
            text.copy(text_ + length_, count);
            length_ += count;
        }

        template <typename T>
        void AppendArgument(T value) {
            Append(" ");
            if constexpr (std::is_pointer_v<T>) {
                Append(value ? "non-null" : "0");
            } else {
                char digits[24];
                const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
                Append(std::string_view(digits, static_cast<std::size_t>(end - digits)));
            }
        }

        std::string_view Text() const { return std::string_view(text_, length_); }

    private:
        char text_[160];
        std::size_t length_ = 0;
    };

    void Append(std::string_view line);

    std::mutex mutex_;
};

}  // namespace simulator
