// Test controls of the file layer of the backends other than Win32's. It keeps its files on
// the host file system but enforces the Windows sharing rules among the files this process
// holds open, and can run out of disk space on request.
#pragma once

#include <cstdint>
#include <optional>

namespace platform::posix {

// Bytes that may still be written before writes fail with 61 "Disk full" (the write that
// crosses the limit stores what fits, then fails); none = unlimited.
void SetFreeDiskSpace(std::optional<std::uint64_t> bytes);

// Files this process holds open through the file layer.
int OpenFileCount();

// Unlimited space again. Files still open stay open.
void ResetFiles();

} // namespace platform::posix
