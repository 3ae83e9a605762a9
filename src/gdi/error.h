// Failures of the platform layer that the program reports as numbered errors: a file or a
// resource that cannot be used. The platform gives the number and the message; the runtime
// passes them on as its own numbered error with a source (runtime::WithAppSource), so no
// platform code raises a runtime type.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

namespace platform {

class Error : public std::exception {
  public:
    Error(std::int32_t number, std::string message)
        : number_(number), message_(std::move(message)) {}

    std::int32_t Number() const noexcept { return number_; }
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

  private:
    std::int32_t number_;
    std::string message_;
};

} // namespace platform
