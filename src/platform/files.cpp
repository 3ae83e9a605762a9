// Backend-neutral parts of the file layer: the error messages.
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

FileError::FileError(std::int32_t number) : number_(number), message_(FileErrorMessage(number)) {}

} // namespace platform
