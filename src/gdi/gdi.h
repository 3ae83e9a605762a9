// Device contexts, bitmaps and blits: the GDI calls the imaging classes and the forms use,
// with Win32's names and meanings. Every DC and bitmap that is created here comes back in a
// move-only owner that releases it with the one function that fits it (a memory DC is
// deleted, a window DC is released, a bitmap is deleted, a selected bitmap is put back).
#pragma once

#include <cstdint>
#include <utility>

#include "gdi/handles.h"

namespace platform {

// A rectangle on the screen (a window's, say), in pixels; right and bottom exclusive.
struct PixelRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    std::int32_t Width() const { return right - left; }
    std::int32_t Height() const { return bottom - top; }
    bool operator==(const PixelRect&) const = default;
};

// The screen's size in pixels.
struct ScreenSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Raster-operation codes of BitBlt (the GDI ternary operations).
inline constexpr std::uint32_t kSrcCopy = 0x00CC0020;
inline constexpr std::uint32_t kSrcPaint = 0x00EE0086;
inline constexpr std::uint32_t kSrcAnd = 0x008800C6;
inline constexpr std::uint32_t kSrcInvert = 0x00660046;
inline constexpr std::uint32_t kNotSrcCopy = 0x00330008;
inline constexpr std::uint32_t kDstInvert = 0x00550009;
inline constexpr std::uint32_t kBlackness = 0x00000042;
inline constexpr std::uint32_t kWhiteness = 0x00FF0062;

inline constexpr std::uint32_t kBiRgb = 0;        // uncompressed
inline constexpr std::uint32_t kDibRgbColors = 0; // colour table holds RGB values

// BITMAPINFOHEADER, field for field.
struct BitmapInfoHeader {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

struct RgbQuad {
    std::uint8_t rgbBlue = 0;
    std::uint8_t rgbGreen = 0;
    std::uint8_t rgbRed = 0;
    std::uint8_t rgbReserved = 0;
};

// BITMAPINFO with its one colour-table entry.
struct BitmapInfo {
    BitmapInfoHeader bmiHeader;
    RgbQuad bmiColors[1];
};

// The BITMAP record GetObject fills for a bitmap handle.
struct BitmapRecord {
    std::int32_t bmType = 0;
    std::int32_t bmWidth = 0;
    std::int32_t bmHeight = 0;
    std::int32_t bmWidthBytes = 0;
    std::uint16_t bmPlanes = 0;
    std::uint16_t bmBitsPixel = 0;
    void* bmBits = nullptr;
};

bool DeleteDC(DcHandle dc);
bool DeleteObject(BitmapHandle bitmap);

using MemoryDc = UniqueHandle<DcHandle, &DeleteDC>;
using Bitmap = UniqueHandle<BitmapHandle, &DeleteObject>;

// A memory DC compatible with `dc`, or with the screen when `dc` is none.
MemoryDc CreateCompatibleDC(DcHandle dc);

// A DIB section described by `info`; `*bits` receives the address of its pixel memory (null
// on failure). `usage` is DIB_RGB_COLORS; no file mapping is used.
Bitmap CreateDIBSection(DcHandle dc, const BitmapInfo& info, std::uint32_t usage, void** bits);

// Reports that a DIB section's pixels were written directly, through the address
// CreateDIBSection gave. Windows reads the section's memory at every paint and needs no word
// of it; a backend that shows pictures from a copy on a display server copies them again.
void BitsChanged(BitmapHandle bitmap);

// A bitmap in the format of `dc`'s device.
Bitmap CreateCompatibleBitmap(DcHandle dc, std::int32_t width, std::int32_t height);

// Selects `bitmap` into `dc` and returns the bitmap that was selected before ({} on failure).
BitmapHandle SelectObject(DcHandle dc, BitmapHandle bitmap);

bool BitBlt(DcHandle destination, std::int32_t x, std::int32_t y, std::int32_t width,
            std::int32_t height, DcHandle source, std::int32_t sourceX, std::int32_t sourceY,
            std::uint32_t rop);

// Fills `record` for a bitmap; returns the number of bytes written, 0 when `bitmap` is not a
// bitmap (the record is then left as it was).
std::int32_t GetObject(BitmapHandle bitmap, BitmapRecord& record);

WindowHandle GetDesktopWindow();

// A window's DC (the desktop window's is the screen), given back with ReleaseDC.
class WindowDc {
  public:
    WindowDc() = default;
    WindowDc(WindowHandle window, DcHandle dc) : window_(window), dc_(dc) {}
    WindowDc(WindowDc&& other) noexcept
        : window_(other.window_), dc_(std::exchange(other.dc_, DcHandle{})) {}
    WindowDc& operator=(WindowDc&& other) noexcept {
        if (this != &other) {
            reset();
            window_ = other.window_;
            dc_ = std::exchange(other.dc_, DcHandle{});
        }
        return *this;
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() { reset(); }

    DcHandle get() const { return dc_; }
    explicit operator bool() const { return !IsNull(dc_); }
    void reset();

  private:
    WindowHandle window_{};
    DcHandle dc_{};
};

WindowDc GetDC(WindowHandle window);
bool ReleaseDC(WindowHandle window, DcHandle dc);

// A bitmap selected into a DC for as long as this lives; the bitmap that was there before is
// put back by reset() or destruction.
class SelectedBitmap {
  public:
    SelectedBitmap() = default;
    // Selects `bitmap` into `dc`; empty (nothing to put back) if the selection failed.
    SelectedBitmap(DcHandle dc, BitmapHandle bitmap);
    SelectedBitmap(SelectedBitmap&& other) noexcept
        : dc_(std::exchange(other.dc_, DcHandle{})),
          previous_(std::exchange(other.previous_, BitmapHandle{})) {}
    SelectedBitmap& operator=(SelectedBitmap&& other) noexcept {
        if (this != &other) {
            reset();
            dc_ = std::exchange(other.dc_, DcHandle{});
            previous_ = std::exchange(other.previous_, BitmapHandle{});
        }
        return *this;
    }
    SelectedBitmap(const SelectedBitmap&) = delete;
    SelectedBitmap& operator=(const SelectedBitmap&) = delete;
    ~SelectedBitmap() { reset(); }

    explicit operator bool() const { return !IsNull(previous_); }
    // The bitmap that will be put back.
    BitmapHandle previous() const { return previous_; }
    void reset();

  private:
    DcHandle dc_{};
    BitmapHandle previous_{};
};

} // namespace platform
