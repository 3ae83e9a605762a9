// cDIBSectionRegion's regions outside the resources: built from a picture, saved to a region
// file and loaded from one.
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "gdi/region.h"
#include "imaging/cDIBSection.h"
#include "imaging/cDIBSectionRegion.h"
#include "imaging/opaque_bands.h"
#include "platform/files.h"
#include "runtime/error.h"

namespace imaging {
namespace {

// Every error inside Save and LoadFromFile reaches the caller with its number and message and
// the object's source; an open file has been closed by then (its owner closes it as the error
// leaves the scope that opened it).
template <typename Action> auto WithRegionSource(Action&& action) {
    try {
        return action();
    } catch (const platform::FileError& error) {
        throw runtime::Error(error.Number(), RegionErrorSource(), error.Message());
    } catch (const runtime::Error& error) {
        throw runtime::Error(error.Number(), RegionErrorSource(), error.Message());
    }
}

} // namespace

void cDIBSectionRegion::Create(cDIBSection& cDib, std::int32_t lTransColor) {
    Destroy();
    const std::uint8_t* bits = cDib.DIBSectionBitsPtr();
    const std::int32_t width = cDib.Width();
    const std::int32_t height = cDib.Height();
    if (bits == nullptr) {
        // A section that never held a bitmap (0 x 0), or whose bitmap is gone: there are no
        // pixels to read, and the region is empty.
        hRgn_ = platform::CreateRectRgn(0, 0, 0, 0);
        return;
    }
    if (width <= 0 || height <= 0) {
        // No pixel is scanned: the region is the picture's rectangle as the platform makes it.
        hRgn_ = platform::CreateRectRgn(0, 0, width, height);
        return;
    }
    std::vector<platform::RegionRect> bands = OpaqueBands(
        {bits, width, height, cDib.BytesPerScanLine()}, static_cast<std::uint32_t>(lTransColor));
    if (bands.empty()) {
        hRgn_ = platform::CreateRectRgn(0, 0, 0, 0);
        return;
    }
    std::vector<std::uint8_t> block = platform::RegionDataBlock(bands);
    hRgn_ = platform::ExtCreateRegion(std::as_bytes(std::span(block)));
}

bool cDIBSectionRegion::Save(const std::string& sPath) {
    return WithRegionSource([&] {
        if (!hRgn_) {
            runtime::Raise(kErrNoRegionToSave, "No region to save");
        }
        const std::uint32_t size = platform::GetRegionData(hRgn_.get(), 0, nullptr);
        // The size is a 32-bit signed count: beyond that range it reads as 0 or less.
        if (size == 0 ||
            size > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
            runtime::Raise(kErrRegionSizeUnknown, "Unable to determine size of region");
        }
        std::vector<std::uint8_t> data(size);
        if (platform::GetRegionData(hRgn_.get(), size, data.data()) != size) {
            runtime::Raise(kErrRegionDataUnavailable, "Unable to get region data");
        }
        // The old file is replaced only once the new block is completely on disk, so a failure
        // leaves it as it was, and a success leaves exactly the new block.
        platform::ReplaceFileContent(sPath, data, platform::FileShare::DenyRead);
        return true;
    });
}

bool cDIBSectionRegion::LoadFromFile(const std::string& sFileName) {
    std::vector<std::uint8_t> bytes = WithRegionSource([&] {
        platform::File file = platform::File::Open(sFileName, platform::FileAccess::Read,
                                                   platform::FileShare::DenyWrite);
        const std::uint64_t length = file.Length();
        if (length == 0) {
            // The byte array 0 to -1 cannot be made.
            file.Close();
            runtime::RaiseSubscriptOutOfRange();
        }
        if (length > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
            // The length does not fit the 32-bit count of bytes.
            file.Close();
            runtime::RaiseOverflow();
        }
        std::vector<std::uint8_t> read(static_cast<std::size_t>(length));
        file.ReadAt(0, read);
        file.Close();
        return read;
    });
    return LoadFromBytes(std::as_bytes(std::span(bytes)));
}

} // namespace imaging
