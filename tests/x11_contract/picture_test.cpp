// The X11 backend keeps each picture on the server and sends its pixels again only when they
// have changed: shown again and again, a picture goes out once; drawn into, once more, and the
// window then shows the new pixels.
// GoogleTest before Xlib, whose macros (None, Bool) would break its headers.
#include <gtest/gtest.h>

#include "platform/x11/session.h" // before the contract's headers: see there

#include <X11/Xutil.h>

#include <cstdint>
#include <cstring>

#include "gdi/gdi.h"

namespace {

// A top-down 24-bit DIB section of one colour (blue, green, red), and its pixel memory.
struct Section {
    platform::Bitmap bitmap;
    std::uint8_t* bits = nullptr;
};

Section SolidSection(int width, int height, const std::uint8_t (&bgr)[3]) {
    platform::BitmapInfo info{};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = platform::kBiRgb;
    void* bits = nullptr;
    Section section{platform::CreateDIBSection({}, info, platform::kDibRgbColors, &bits)};
    section.bits = static_cast<std::uint8_t*>(bits);
    const int stride = (width * 3 + 3) & ~3;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::memcpy(section.bits + y * stride + x * 3, bgr, 3);
        }
    }
    return section;
}

// The window's pixel at (x, y) as the server holds it, as 0xRRGGBB.
unsigned long ShownPixel(platform::WindowHandle window, int x, int y) {
    platform::x11::Session& session = platform::x11::Session::Get();
    ::Display* display = session.GetConnection().Get();
    XSync(display, False);
    XImage* image =
        XGetImage(display, session.Find(window)->window->Id(), x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) {
        return ~0UL;
    }
    unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return pixel;
}

TEST(X11Pictures, APictureGoesToTheServerOnceAndAgainOnlyWhenItsPixelsChange) {
    platform::x11::Session& session = platform::x11::Session::Get();
    platform::Window window = platform::CreateFormWindow("PictureProbe", 220, 160, 31, 17);
    platform::ShowWindow(window.get(), true);
    Section red = SolidSection(31, 17, {0, 0, 255});

    const std::uint64_t before = session.PictureUploads();
    for (int frame = 0; frame < 10; ++frame) {
        platform::WindowUpdateBatch batch(window.get());
        platform::SetWindowPicture(window.get(), red.bitmap.get());
        platform::SetWindowRect(window.get(), {220 + frame, 160, 251 + frame, 177});
    }
    EXPECT_EQ(session.PictureUploads() - before, 1u) << "shown ten times, sent once";
    EXPECT_EQ(ShownPixel(window.get(), 30, 16), 0xFF0000u);

    // Written in place and reported, as the imaging classes do: sent again, and shown.
    const std::uint8_t green[3] = {0, 255, 0};
    std::memcpy(red.bits, green, 3);
    platform::BitsChanged(red.bitmap.get());
    platform::SetWindowPicture(window.get(), red.bitmap.get());
    EXPECT_EQ(session.PictureUploads() - before, 2u);
    EXPECT_EQ(ShownPixel(window.get(), 0, 0), 0x00FF00u);

    // Blitted into: the same.
    Section blue = SolidSection(31, 17, {255, 0, 0});
    platform::MemoryDc from = platform::CreateCompatibleDC({});
    platform::MemoryDc to = platform::CreateCompatibleDC({});
    platform::SelectedBitmap source(from.get(), blue.bitmap.get());
    platform::SelectedBitmap target(to.get(), red.bitmap.get());
    ASSERT_TRUE(platform::BitBlt(to.get(), 0, 0, 31, 17, from.get(), 0, 0, platform::kSrcCopy));
    platform::SetWindowPicture(window.get(), red.bitmap.get());
    EXPECT_EQ(session.PictureUploads() - before, 3u);
    EXPECT_EQ(ShownPixel(window.get(), 15, 8), 0x0000FFu);
}

} // namespace
