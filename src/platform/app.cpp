// Backend-neutral parts of the application services.
#include "platform/app.h"

namespace platform {

std::string ExecutableDirectory() {
    std::string path = ExecutablePath();
    std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

} // namespace platform
