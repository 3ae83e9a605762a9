// The single-instance test on Win32: a named mutex in the global namespace, which every
// session of the machine shares. The first process creates it; later ones find it.
#include "platform/instance.h"

#include <windows.h>

namespace platform {

struct InstanceClaim::Impl {
    HANDLE mutex = nullptr;
};

InstanceClaim::InstanceClaim(const std::string& name) : impl_(std::make_unique<Impl>()) {
    std::string globalName = "Global\\" + name;
    impl_->mutex = CreateMutexA(nullptr, FALSE, globalName.c_str());
    DWORD error = GetLastError();
    // A mutex of that name made by another user cannot be opened (access denied): another
    // copy runs all the same.
    anotherInstance_ =
        impl_->mutex == nullptr ? error == ERROR_ACCESS_DENIED : error == ERROR_ALREADY_EXISTS;
}

InstanceClaim::~InstanceClaim() {
    if (impl_->mutex != nullptr) {
        CloseHandle(impl_->mutex);
    }
}

} // namespace platform
