// The file layer of the backends other than Win32's: the host file system through the C
// library and <filesystem>, with Windows semantics layered on top: sharing locks among the
// files this process has open (a move, replace or delete of an open file fails as on Windows),
// run-time error numbers from errno, and a disk that can be made to fill up.
#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <list>
#include <system_error>

#include "platform/posix/files_state.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

using posix::detail::Files;
using posix::detail::OpenEntry;

std::int32_t ErrorNumberFor(int code, std::int32_t otherwise) {
    switch (code) {
    case ENOENT:
        return kFileErrFileNotFound;
    case ENOTDIR:
        return kFileErrPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return kFileErrPathFileAccess;
    case EBUSY:
    case ETXTBSY:
        return kFileErrPermissionDenied;
    case ENOSPC:
    case EFBIG:
        return kFileErrDiskFull;
    case EMFILE:
    case ENFILE:
        return kFileErrTooManyFiles;
    case ENAMETOOLONG:
    case EINVAL:
        return kFileErrBadFileName;
    default:
        return otherwise;
    }
}

// A path names its file the same way however it is spelled.
std::string KeyOf(const std::string& path) {
    std::error_code error;
    fs::path absolute = fs::weakly_canonical(fs::absolute(path, error), error);
    return error ? path : absolute.string();
}

bool Denies(FileShare share, FileAccess access) {
    switch (share) {
    case FileShare::DenyNone:
        return false;
    case FileShare::DenyRead:
        return access == FileAccess::Read;
    case FileShare::DenyWrite:
        return access == FileAccess::Write;
    case FileShare::DenyReadWrite:
        return true;
    }
    return true;
}

bool IsOpen(const std::string& key) {
    return std::any_of(Files().open.begin(), Files().open.end(),
                       [&](const OpenEntry& entry) { return entry.key == key; });
}

// An open must not be denied by a holder, and must not deny what a holder already does.
void CheckSharing(const std::string& key, FileAccess access, FileShare share) {
    for (const OpenEntry& entry : Files().open) {
        if (entry.key == key && (Denies(entry.share, access) || Denies(share, entry.access))) {
            throw FileError(kFileErrPermissionDenied);
        }
    }
}

// The parent folder must exist: a missing folder is "Path not found", not "File not found".
void CheckFolder(const std::string& path) {
    fs::path parent = fs::path(path).parent_path();
    std::error_code error;
    if (!parent.empty() && !fs::is_directory(parent, error)) {
        throw FileError(kFileErrPathNotFound);
    }
}

void WriteAll(std::FILE* stream, std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    auto& freeSpace = Files().freeSpace;
    std::size_t allowed = bytes.size();
    if (freeSpace && *freeSpace < allowed) {
        allowed = static_cast<std::size_t>(*freeSpace);
    }
    if (std::fseek(stream, static_cast<long>(offset), SEEK_SET) != 0) {
        throw FileError(ErrorNumberFor(errno, kFileErrDeviceIO));
    }
    std::size_t written = std::fwrite(bytes.data(), 1, allowed, stream);
    if (freeSpace) {
        *freeSpace -= written;
    }
    if (written != allowed || std::fflush(stream) != 0) {
        throw FileError(ErrorNumberFor(errno, kFileErrDeviceIO));
    }
    if (allowed < bytes.size()) {
        throw FileError(kFileErrDiskFull);
    }
}

} // namespace

struct File::Impl {
    std::FILE* stream = nullptr;
    std::list<OpenEntry>::iterator entry;

    Impl(std::FILE* openStream, OpenEntry opened)
        : stream(openStream), entry(Files().open.insert(Files().open.end(), std::move(opened))) {}
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    ~Impl() {
        if (stream != nullptr) {
            std::fclose(stream);
        }
        Files().open.erase(entry);
    }
};

File::File() noexcept = default;
File::File(std::unique_ptr<Impl> impl) noexcept : impl_(std::move(impl)) {}
File::File(File&& other) noexcept = default;
File& File::operator=(File&& other) noexcept = default;
File::~File() = default;

File File::Open(const std::string& path, FileAccess access, FileShare share) {
    if (path.empty()) {
        throw FileError(kFileErrBadFileName);
    }
    CheckFolder(path);
    std::string key = KeyOf(path);
    CheckSharing(key, access, share);
    std::FILE* stream = nullptr;
    if (access == FileAccess::Read) {
        stream = std::fopen(path.c_str(), "rb");
    } else {
        stream = std::fopen(path.c_str(), "r+b");
        if (stream == nullptr && errno == ENOENT) {
            stream = std::fopen(path.c_str(), "w+b");
        }
    }
    if (stream == nullptr) {
        throw FileError(ErrorNumberFor(errno, kFileErrPathFileAccess));
    }
    std::error_code error;
    if (fs::is_directory(path, error)) {
        std::fclose(stream);
        throw FileError(kFileErrPathFileAccess);
    }
    try {
        return File(std::make_unique<Impl>(stream, OpenEntry{key, access, share}));
    } catch (...) {
        std::fclose(stream);
        throw;
    }
}

std::uint64_t File::Length() const {
    std::FILE* stream = OpenImpl().stream;
    if (std::fseek(stream, 0, SEEK_END) != 0) {
        throw FileError(ErrorNumberFor(errno, kFileErrDeviceIO));
    }
    long length = std::ftell(stream);
    if (length < 0) {
        throw FileError(ErrorNumberFor(errno, kFileErrDeviceIO));
    }
    return static_cast<std::uint64_t>(length);
}

void File::ReadAt(std::uint64_t offset, std::span<std::uint8_t> bytes) {
    std::FILE* stream = OpenImpl().stream;
    if (std::fseek(stream, static_cast<long>(offset), SEEK_SET) != 0) {
        throw FileError(ErrorNumberFor(errno, kFileErrDeviceIO));
    }
    std::size_t read = std::fread(bytes.data(), 1, bytes.size(), stream);
    if (read != bytes.size()) {
        throw FileError(std::ferror(stream) ? ErrorNumberFor(errno, kFileErrDeviceIO)
                                            : kFileErrInputPastEnd);
    }
}

void File::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    WriteAll(OpenImpl().stream, offset, bytes);
}

void File::Commit() {
    if (std::fflush(OpenImpl().stream) != 0) {
        throw FileError(ErrorNumberFor(errno, kFileErrDeviceIO));
    }
}

void File::Close() {
    if (!impl_) {
        return;
    }
    std::FILE* stream = impl_->stream;
    impl_->stream = nullptr;
    impl_.reset();
    if (std::fclose(stream) != 0) {
        throw FileError(ErrorNumberFor(errno, kFileErrDeviceIO));
    }
}

void RemoveFile(const std::string& path) {
    CheckFolder(path);
    if (IsOpen(KeyOf(path))) {
        throw FileError(kFileErrPermissionDenied);
    }
    std::error_code error;
    if (fs::is_directory(path, error)) {
        throw FileError(kFileErrPathFileAccess);
    }
    if (std::remove(path.c_str()) != 0) {
        throw FileError(ErrorNumberFor(errno, kFileErrPathFileAccess));
    }
}

std::string CreateTemporaryFileBeside(const std::string& path) {
    if (path.empty()) {
        throw FileError(kFileErrBadFileName);
    }
    CheckFolder(path);
    static unsigned serial = 0;
    const fs::path folder = fs::path(path).parent_path();
    fs::path temporary;
    std::error_code error;
    do {
        temporary = folder / ("jlp" + std::to_string(++serial) + ".tmp");
    } while (fs::exists(temporary, error));
    // Made at once, as GetTempFileNameA makes it, so that the name is taken.
    std::FILE* made = std::fopen(temporary.c_str(), "wb");
    if (made == nullptr) {
        throw FileError(ErrorNumberFor(errno, kFileErrPathFileAccess));
    }
    std::fclose(made);
    return temporary.string();
}

void MoveFileReplacing(const std::string& from, const std::string& to) {
    // Windows refuses to move or replace a file that someone holds open, and so does this layer.
    if (IsOpen(KeyOf(from)) || IsOpen(KeyOf(to))) {
        throw FileError(kFileErrPermissionDenied);
    }
    std::error_code error;
    if (fs::is_directory(to, error)) {
        throw FileError(kFileErrPathFileAccess);
    }
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        throw FileError(ErrorNumberFor(errno, kFileErrPathFileAccess));
    }
}

namespace posix::detail {

FilesState& Files() {
    static FilesState state;
    return state;
}

} // namespace posix::detail
} // namespace platform
