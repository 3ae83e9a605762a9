// Numbered errors: the one exception type of the program. Every error carries a number, the
// name of what raised it (its source) and a message; the top level shows the message.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

#include "gdi/error.h"

namespace runtime {

inline constexpr std::int32_t kErrOverflow = 6;
inline constexpr std::int32_t kErrSubscriptOutOfRange = 9;

class Error : public std::exception {
  public:
    Error(std::int32_t number, std::string source, std::string message)
        : number_(number), source_(std::move(source)), message_(std::move(message)) {}

    std::int32_t Number() const noexcept { return number_; }
    const std::string& Source() const noexcept { return source_; }
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

  private:
    std::int32_t number_;
    std::string source_;
    std::string message_;
};

// The executable's file name without its extension: the source of the run-time's own errors
// and the prefix of every class's error source.
std::string AppTitle();

// Runs `action` and returns what it returns; a failure the platform reports (platform::Error)
// leaves it as error of the same number and message with the application as its source.
template <typename Action> decltype(auto) WithAppSource(Action&& action) {
    try {
        return action();
    } catch (const platform::Error& error) {
        throw Error(error.Number(), AppTitle(), error.Message());
    }
}

// Raises error `number` with the application as its source.
[[noreturn]] void Raise(std::int32_t number, std::string message);
[[noreturn]] void RaiseOverflow();
[[noreturn]] void RaiseSubscriptOutOfRange();

} // namespace runtime
