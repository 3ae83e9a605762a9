// Backend-neutral parts of the file layer: the error messages, the closed-file check and the
// safe replace built on the backends' primitives.
#include "platform/files.h"

namespace platform {

std::string FileErrorMessage(std::int32_t number) {
    switch (number) {
    case kFileErrBadFileName:
        return "Bad file name or number";
    case kFileErrFileNotFound:
        return "File not found";
    case kFileErrDeviceIO:
        return "Device I/O error";
    case kFileErrDiskFull:
        return "Disk full";
    case kFileErrInputPastEnd:
        return "Input past end of file";
    case kFileErrTooManyFiles:
        return "Too many files";
    case kFileErrPermissionDenied:
        return "Permission denied";
    case kFileErrDiskNotReady:
        return "Disk not ready";
    case kFileErrPathFileAccess:
        return "Path/File access error";
    case kFileErrPathNotFound:
        return "Path not found";
    default:
        return "Application-defined or object-defined error";
    }
}

FileError::FileError(std::int32_t number) : Error(number, FileErrorMessage(number)) {}

File::Impl& File::OpenImpl() const {
    if (!impl_) {
        throw FileError(kFileErrBadFileName);
    }
    return *impl_;
}

void ReplaceFileContent(const std::string& path, std::span<const std::uint8_t> bytes,
                        FileShare share) {
    const std::string temporary = CreateTemporaryFileBeside(path);
    // From here on the temporary file must not be left behind.
    try {
        File file = File::Open(temporary, FileAccess::Write, share);
        file.WriteAt(0, bytes);
        file.Commit();
        file.Close();
        MoveFileReplacing(temporary, path);
    } catch (...) {
        try {
            RemoveFile(temporary); // closed by now: its owner went out of scope
        } catch (const FileError&) {
            // Nothing more can be done about it; the first failure is the one to report.
        }
        throw;
    }
}

} // namespace platform
