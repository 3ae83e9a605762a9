// The file layer: files opened for reading or writing raw bytes with Windows-style sharing
// locks, and a safe way to replace a file's whole content.
//
// Failures are thrown as FileError, which carries the number and message that a BASIC
// run-time's file statements report (53 "File not found", 70 "Permission denied", ...), so that
// callers can pass them on as numbered errors of their own.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "gdi/error.h"

namespace platform {

inline constexpr std::int32_t kFileErrBadFileName = 52;
inline constexpr std::int32_t kFileErrFileNotFound = 53;
inline constexpr std::int32_t kFileErrDeviceIO = 57;
inline constexpr std::int32_t kFileErrDiskFull = 61;
inline constexpr std::int32_t kFileErrInputPastEnd = 62;
inline constexpr std::int32_t kFileErrTooManyFiles = 67;
inline constexpr std::int32_t kFileErrPermissionDenied = 70;
inline constexpr std::int32_t kFileErrDiskNotReady = 71;
inline constexpr std::int32_t kFileErrPathFileAccess = 75;
inline constexpr std::int32_t kFileErrPathNotFound = 76;

class FileError : public Error {
  public:
    // An error with the file layer's own message for `number`.
    explicit FileError(std::int32_t number);
};

// The message the file layer gives with error `number` ("File not found" for 53).
std::string FileErrorMessage(std::int32_t number);

enum class FileAccess { Read, Write };

// What other openers of the same file are denied while this one holds it open.
enum class FileShare { DenyNone, DenyRead, DenyWrite, DenyReadWrite };

// One open file; closed when the owner goes away. Move-only.
class File {
  public:
    File() noexcept;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    // Opens `path`. Read access needs an existing file; write access opens an existing file
    // without truncating it, or creates it.
    static File Open(const std::string& path, FileAccess access, FileShare share);

    bool IsOpen() const noexcept { return impl_ != nullptr; }

    // Length of the file in bytes.
    std::uint64_t Length() const;

    // Reads exactly `bytes.size()` bytes starting at `offset`; error 62 when the file ends first.
    void ReadAt(std::uint64_t offset, std::span<std::uint8_t> bytes);

    // Writes all of `bytes` starting at `offset`.
    void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);

    // Makes everything written so far durable.
    void Commit();

    // Closes the file, reporting a failure to do so; closing a closed file does nothing.
    void Close();

    struct Impl; // each backend's own representation

  private:
    explicit File(std::unique_ptr<Impl> impl) noexcept;
    // The open file's representation; error 52 "Bad file name or number" once it is closed.
    Impl& OpenImpl() const;

    std::unique_ptr<Impl> impl_;
};

// Deletes the file `path`.
void RemoveFile(const std::string& path);

// Gives `path` exactly `bytes` as its content, safely: the bytes go to a new temporary file in
// the same folder (held open with `share` while it is written) and are committed to disk, and
// only then does that file take the place of `path`. On any failure the temporary file is
// removed and `path` is left exactly as it was (or absent, if it was absent).
void ReplaceFileContent(const std::string& path, std::span<const std::uint8_t> bytes,
                        FileShare share);

// The two steps of ReplaceFileContent that each backend takes in its own way.
// Makes a new, empty file under a name of its own in the folder of `path`; returns its path.
std::string CreateTemporaryFileBeside(const std::string& path);
// Moves the file `from` to `to`, replacing the file that is there, and waits until the move is
// on disk. A file that someone holds open is not replaced.
void MoveFileReplacing(const std::string& from, const std::string& to);

} // namespace platform
