#include "imaging/cDIBSection.h"

#include "runtime/rounding.h"

namespace imaging {

cDIBSection::~cDIBSection() {
    ClearUp();
}

namespace {

// (width x 3 + 3) AND NOT 3 in 32-bit arithmetic; error 6 when it overflows.
std::int32_t RowBytes(std::int32_t width) {
    std::int32_t bytes = runtime::CheckedMul<std::int32_t>(width, 3);
    return runtime::CheckedAdd<std::int32_t>(bytes, 3) & ~std::int32_t{3};
}

} // namespace

std::int32_t cDIBSection::BytesPerScanLine() const {
    return RowBytes(header_.bmiHeader.biWidth);
}

bool cDIBSection::CreateDIB(platform::DcHandle lhDC, std::int32_t lWidth, std::int32_t lHeight,
                            platform::Bitmap& hDib) {
    bool own = &hDib == &hDib_;
    // A caller's section is described by a header of its own, so that this object's size and
    // bits pointer never point at memory it does not own.
    platform::BitmapInfo callerHeader{};
    platform::BitmapInfo& header = own ? header_ : callerHeader;
    header.bmiHeader.biSize = sizeof(platform::BitmapInfoHeader);
    header.bmiHeader.biWidth = lWidth;
    header.bmiHeader.biHeight = lHeight;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 24;
    header.bmiHeader.biCompression = platform::kBiRgb;
    header.bmiHeader.biSizeImage =
        static_cast<std::uint32_t>(runtime::CheckedMul<std::int32_t>(lHeight, RowBytes(lWidth)));

    void* bits = nullptr;
    hDib = platform::CreateDIBSection(lhDC, header, platform::kDibRgbColors, &bits);
    if (own) {
        bits_ = static_cast<std::uint8_t*>(bits);
    }
    return static_cast<bool>(hDib);
}

bool cDIBSection::Create(std::int32_t lWidth, std::int32_t lHeight) {
    ClearUp();
    memoryDc_ = platform::CreateCompatibleDC(platform::DcHandle{});
    if (!memoryDc_) {
        return false;
    }
    if (CreateDIB(memoryDc_.get(), lWidth, lHeight, hDib_)) {
        SavedBitmap_ = platform::SelectedBitmap(memoryDc_.get(), hDib_.get());
        return true;
    }
    memoryDc_.reset();
    return false;
}

void cDIBSection::CreateFromPicture(const platform::Picture& picThis) {
    platform::BitmapRecord record{};
    platform::GetObject(picThis.Handle(), record);
    if (!Create(record.bmWidth, record.bmHeight)) {
        return;
    }
    platform::MemoryDc pictureDc;
    {
        platform::WindowDc screen = platform::GetDC(platform::GetDesktopWindow());
        if (!screen) {
            return;
        }
        pictureDc = platform::CreateCompatibleDC(screen.get());
    } // the screen DC goes back at once
    if (!pictureDc) {
        return;
    }
    platform::SelectedBitmap selected(pictureDc.get(), picThis.Handle());
    LoadPictureBlt(pictureDc.get(), 0, 0, -1, -1, platform::kSrcCopy);
    selected.reset();
    pictureDc.reset();
}

void cDIBSection::LoadPictureBlt(platform::DcHandle lhDC, std::int32_t lSrcLeft,
                                 std::int32_t lSrcTop, std::int32_t lSrcWidth,
                                 std::int32_t lSrcHeight, std::uint32_t eRop) {
    std::int32_t width = lSrcWidth >= 0 ? lSrcWidth : Width();
    std::int32_t height = lSrcHeight >= 0 ? lSrcHeight : Height();
    platform::BitBlt(memoryDc_.get(), 0, 0, width, height, lhDC, lSrcLeft, lSrcTop, eRop);
}

void cDIBSection::PaintPicture(platform::DcHandle lhDC, std::int32_t lDestLeft,
                               std::int32_t lDestTop, std::int32_t lDestWidth,
                               std::int32_t lDestHeight, std::int32_t lSrcLeft,
                               std::int32_t lSrcTop, std::uint32_t eRop) {
    std::int32_t width = lDestWidth >= 0 ? lDestWidth : Width();
    std::int32_t height = lDestHeight >= 0 ? lDestHeight : Height();
    platform::BitBlt(lhDC, lDestLeft, lDestTop, width, height, memoryDc_.get(), lSrcLeft, lSrcTop,
                     eRop);
}

void cDIBSection::ClearUp() {
    SavedBitmap_.reset();
    hDib_.reset();
    memoryDc_.reset();
    bits_ = nullptr;
}

} // namespace imaging
