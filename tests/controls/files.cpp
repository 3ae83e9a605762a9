// The disk limit and the open files, in the POSIX file layer's state.
#include "controls/files.h"

#include "platform/posix/files_state.h"

namespace platform::posix {

void SetFreeDiskSpace(std::optional<std::uint64_t> bytes) {
    detail::Files().freeSpace = bytes;
}

int OpenFileCount() {
    return static_cast<int>(detail::Files().open.size());
}

void ResetFiles() {
    detail::Files().freeSpace.reset();
}

} // namespace platform::posix
