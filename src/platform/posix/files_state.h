// What the POSIX file layer (files.cpp) keeps while the program runs: the files this process
// holds open through it, with the access and sharing each was opened with, and the disk space
// left when a limit is set. Internal to the file layer; the test controls
// (tests/controls/files.h) reach it here to fill the disk and to count open files.
#pragma once

#include <cstdint>
#include <list>
#include <optional>
#include <string>

#include "platform/files.h"

namespace platform::posix::detail {

struct OpenEntry {
    std::string key; // the path in one spelling (files.cpp's KeyOf)
    FileAccess access;
    FileShare share;
};

struct FilesState {
    std::list<OpenEntry> open;
    // Bytes that may still be written before writes fail as on a full disk; none = unlimited.
    std::optional<std::uint64_t> freeSpace;
};

FilesState& Files();

} // namespace platform::posix::detail
