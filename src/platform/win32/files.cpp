// The file layer on Win32: CreateFileA with sharing modes, positioned ReadFile/WriteFile, and
// the steps of the safe replace: GetTempFileNameA and MoveFileExA.
#include "platform/files.h"

#include <windows.h>

#include <algorithm>
#include <limits>

namespace platform {

struct File::Impl {
    HANDLE handle = INVALID_HANDLE_VALUE;
    ~Impl() {
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
};

namespace {

// The run-time error that a failed file operation reports for a Win32 error code.
std::int32_t ErrorNumberFor(DWORD code, std::int32_t otherwise) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
        return kFileErrFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_DIRECTORY: // GetTempFileNameA in a folder that does not exist
        return kFileErrPathNotFound;
    case ERROR_ACCESS_DENIED:
        return kFileErrPathFileAccess;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return kFileErrPermissionDenied;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
        return kFileErrDiskFull;
    case ERROR_HANDLE_EOF:
        return kFileErrInputPastEnd;
    case ERROR_TOO_MANY_OPEN_FILES:
        return kFileErrTooManyFiles;
    case ERROR_NOT_READY:
        return kFileErrDiskNotReady;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
        return kFileErrBadFileName;
    default:
        return otherwise;
    }
}

[[noreturn]] void ThrowLastError(std::int32_t otherwise) {
    throw FileError(ErrorNumberFor(GetLastError(), otherwise));
}

DWORD ShareFlags(FileShare share) {
    switch (share) {
    case FileShare::DenyNone:
        return FILE_SHARE_READ | FILE_SHARE_WRITE;
    case FileShare::DenyRead:
        return FILE_SHARE_WRITE;
    case FileShare::DenyWrite:
        return FILE_SHARE_READ;
    case FileShare::DenyReadWrite:
        return 0;
    }
    return 0;
}

HANDLE OpenHandle(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
    HANDLE handle = CreateFileA(path.c_str(), access, share, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        ThrowLastError(kFileErrPathFileAccess);
    }
    return handle;
}

OVERLAPPED At(std::uint64_t offset) {
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(offset);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return position;
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) {
        return ".";
    }
    if (slash == 0 || path[slash - 1] == ':') {
        return path.substr(0, slash + 1); // "\" or "C:\"
    }
    return path.substr(0, slash);
}

} // namespace

File::File() noexcept = default;
File::File(std::unique_ptr<Impl> impl) noexcept : impl_(std::move(impl)) {}
File::File(File&& other) noexcept = default;
File& File::operator=(File&& other) noexcept = default;
File::~File() = default;

File File::Open(const std::string& path, FileAccess access, FileShare share) {
    auto impl = std::make_unique<Impl>();
    impl->handle = access == FileAccess::Read
                       ? OpenHandle(path, GENERIC_READ, ShareFlags(share), OPEN_EXISTING)
                       : OpenHandle(path, GENERIC_WRITE, ShareFlags(share), OPEN_ALWAYS);
    return File(std::move(impl));
}

std::uint64_t File::Length() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(OpenImpl().handle, &size)) {
        ThrowLastError(kFileErrDeviceIO);
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

void File::ReadAt(std::uint64_t offset, std::span<std::uint8_t> bytes) {
    const HANDLE handle = OpenImpl().handle;
    while (!bytes.empty()) {
        DWORD piece = static_cast<DWORD>(
            std::min<std::size_t>(bytes.size(), std::numeric_limits<DWORD>::max() / 2));
        OVERLAPPED position = At(offset);
        DWORD read = 0;
        if (!ReadFile(handle, bytes.data(), piece, &read, &position)) {
            ThrowLastError(kFileErrDeviceIO);
        }
        if (read == 0) {
            throw FileError(kFileErrInputPastEnd);
        }
        bytes = bytes.subspan(read);
        offset += read;
    }
}

void File::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    const HANDLE handle = OpenImpl().handle;
    // In pieces that each fit one WriteFile call.
    while (!bytes.empty()) {
        DWORD piece = static_cast<DWORD>(
            std::min<std::size_t>(bytes.size(), std::numeric_limits<DWORD>::max() / 2));
        OVERLAPPED position = At(offset);
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data(), piece, &written, &position)) {
            ThrowLastError(kFileErrDeviceIO);
        }
        if (written == 0) {
            throw FileError(kFileErrDiskFull);
        }
        bytes = bytes.subspan(written);
        offset += written;
    }
}

void File::Commit() {
    if (!FlushFileBuffers(OpenImpl().handle)) {
        ThrowLastError(kFileErrDeviceIO);
    }
}

void File::Close() {
    if (!impl_) {
        return;
    }
    HANDLE handle = impl_->handle;
    impl_->handle = INVALID_HANDLE_VALUE;
    impl_.reset();
    if (!CloseHandle(handle)) {
        ThrowLastError(kFileErrDeviceIO);
    }
}

void RemoveFile(const std::string& path) {
    if (!DeleteFileA(path.c_str())) {
        ThrowLastError(kFileErrPathFileAccess);
    }
}

std::string CreateTemporaryFileBeside(const std::string& path) {
    char temporary[MAX_PATH];
    if (GetTempFileNameA(FolderOf(path).c_str(), "jlp", 0, temporary) == 0) {
        ThrowLastError(kFileErrPathFileAccess);
    }
    return temporary;
}

void MoveFileReplacing(const std::string& from, const std::string& to) {
    if (!MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ThrowLastError(kFileErrPathFileAccess);
    }
}

} // namespace platform
