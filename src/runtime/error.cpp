#include "runtime/error.h"

#include "platform/app.h"

namespace runtime {

std::string AppTitle() {
    std::string path = platform::ExecutablePath();
    std::size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

void Raise(std::int32_t number, std::string message) {
    throw Error(number, AppTitle(), std::move(message));
}

void RaiseOverflow() {
    Raise(kErrOverflow, "Overflow");
}

void RaiseSubscriptOutOfRange() {
    Raise(kErrSubscriptOutOfRange, "Subscript out of range");
}

} // namespace runtime
