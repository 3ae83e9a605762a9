// The X11 clipboard as another program sees it: a second X client asks for the CLIPBOARD
// selection in each format while the owner's loop hands its events to the clipboard, and the
// image it reads back is decoded and compared pixel by pixel.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include "platform/x11/clipboard.h"

namespace {

using namespace std::chrono_literals;
using platform::x11::ClipboardImage;
using platform::x11::ClipboardOwner;

// What a reader received for one target: its type and bytes, and whether it came in pieces.
struct Received {
    Atom type = None;
    std::vector<unsigned char> bytes;
    bool inPieces = false;
};

// One X client: a window to own or to receive the selection with.
class Client {
  public:
    Client() : display_(XOpenDisplay(nullptr)) {
        if (display_) {
            window_ =
                XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
            XSelectInput(display_, window_, PropertyChangeMask);
            clipboard_ = Atom("CLIPBOARD");
        }
    }
    ~Client() {
        if (display_) {
            XCloseDisplay(display_);
        }
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    ::Display* Display() const { return display_; }
    ::Window Window() const { return window_; }
    ::Atom Atom(const char* name) const { return XInternAtom(display_, name, False); }

    // Asks the clipboard's owner for `target`, running `ownerLoop` while waiting; nothing when
    // the owner refuses (or does not answer within a few seconds).
    std::optional<Received> Read(const char* target, const std::function<void()>& ownerLoop) {
        const ::Atom property = Atom("JELLOP_TEST_CLIP");
        XConvertSelection(display_, clipboard_, Atom(target), property, window_, CurrentTime);
        XFlush(display_);
        Received received;
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < deadline) {
            ownerLoop();
            while (XPending(display_)) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type == SelectionNotify) {
                    if (event.xselection.property == None) {
                        return std::nullopt;
                    }
                    std::vector<unsigned char> piece = TakeProperty(property, received.type);
                    if (received.type != Atom("INCR")) {
                        received.bytes = std::move(piece);
                        return received;
                    }
                    received.inPieces = true; // deleting the INCR property asked for the first
                } else if (received.inPieces && event.type == PropertyNotify &&
                           event.xproperty.atom == property &&
                           event.xproperty.state == PropertyNewValue) {
                    std::vector<unsigned char> piece = TakeProperty(property, received.type);
                    if (piece.empty()) {
                        return received;
                    }
                    received.bytes.insert(received.bytes.end(), piece.begin(), piece.end());
                }
            }
            std::this_thread::sleep_for(1ms);
        }
        ADD_FAILURE() << "no answer for " << target;
        return std::nullopt;
    }

  private:
    // Reads and deletes the property on this client's window.
    std::vector<unsigned char> TakeProperty(::Atom property, ::Atom& type) {
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(display_, window_, property, 0, 1L << 26, True, AnyPropertyType, &type,
                           &format, &count, &after, &data);
        std::vector<unsigned char> bytes;
        if (data) {
            // 32-bit items arrive as longs.
            const std::size_t size = format == 32 ? sizeof(long) : format / 8;
            bytes.assign(data, data + count * size);
            XFree(data);
        }
        return bytes;
    }

    ::Display* display_;
    ::Window window_ = None;
    ::Atom clipboard_ = None;
};

ClipboardImage Pattern(int width, int height, bool noise) {
    ClipboardImage image{width, height, std::vector<std::uint8_t>(width * height * 3)};
    std::mt19937 random(7);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = &image.rgb[(y * width + x) * 3];
            pixel[0] =
                noise ? static_cast<std::uint8_t>(random()) : static_cast<std::uint8_t>(x * 6);
            pixel[1] =
                noise ? static_cast<std::uint8_t>(random()) : static_cast<std::uint8_t>(y * 6);
            pixel[2] = static_cast<std::uint8_t>(x ^ y);
        }
    }
    return image;
}

// The pixels of a PNG or BMP file as top-to-bottom RGB rows; empty if it does not decode.
ClipboardImage Decode(const std::vector<unsigned char>& file) {
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = stbi_load_from_memory(file.data(), static_cast<int>(file.size()),
                                                  &width, &height, &channels, 3);
    ClipboardImage image;
    if (pixels) {
        image = {width, height, std::vector<std::uint8_t>(pixels, pixels + width * height * 3)};
        stbi_image_free(pixels);
    }
    return image;
}

class X11Clipboard : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(owner_.Display(), nullptr) << "no X display: run under scripts/env.sh's "
                                                "jellop_start";
        ASSERT_NE(reader_.Display(), nullptr);
        clipboard_.emplace(owner_.Display(), owner_.Window());
    }

    // The owner's side of the program's loop: every pending event offered to the clipboard.
    void OwnerLoop() {
        while (XPending(owner_.Display())) {
            XEvent event;
            XNextEvent(owner_.Display(), &event);
            clipboard_->HandleEvent(event);
        }
    }
    std::optional<Received> Read(const char* target) {
        return reader_.Read(target, [this] { OwnerLoop(); });
    }

    Client owner_, reader_;
    std::optional<ClipboardOwner> clipboard_;
};

TEST_F(X11Clipboard, ServesTheImageAsPngAndBmpAndSaysSo) {
    const ClipboardImage image = Pattern(41, 39, false); // odd sizes: BMP rows are padded
    ASSERT_TRUE(clipboard_->Take(image, CurrentTime));
    EXPECT_TRUE(clipboard_->Owns());

    auto targets = Read("TARGETS");
    ASSERT_TRUE(targets.has_value());
    EXPECT_EQ(targets->type, XA_ATOM);
    std::vector<Atom> offered(targets->bytes.size() / sizeof(long));
    for (std::size_t i = 0; i < offered.size(); ++i) {
        offered[i] = static_cast<Atom>(reinterpret_cast<const long*>(targets->bytes.data())[i]);
    }
    for (const char* name : {"TARGETS", "image/png", "image/bmp"}) {
        EXPECT_NE(std::find(offered.begin(), offered.end(), reader_.Atom(name)), offered.end())
            << name;
    }

    for (const char* type : {"image/png", "image/bmp"}) {
        SCOPED_TRACE(type);
        auto received = Read(type);
        ASSERT_TRUE(received.has_value());
        EXPECT_EQ(received->type, reader_.Atom(type));
        EXPECT_FALSE(received->inPieces);
        ClipboardImage decoded = Decode(received->bytes);
        EXPECT_EQ(decoded.width, image.width);
        EXPECT_EQ(decoded.height, image.height);
        EXPECT_TRUE(decoded.rgb == image.rgb) << "the pixels differ";
    }
    EXPECT_FALSE(Read("text/plain").has_value()) << "a format that is not offered is refused";
}

TEST_F(X11Clipboard, ALargeImageArrivesInPiecesWhole) {
    const ClipboardImage image = Pattern(1000, 700, true); // 2 MB that PNG cannot shrink
    ASSERT_TRUE(clipboard_->Take(image, CurrentTime));
    for (const char* type : {"image/png", "image/bmp"}) {
        SCOPED_TRACE(type);
        auto received = Read(type);
        ASSERT_TRUE(received.has_value());
        EXPECT_TRUE(received->inPieces);
        ClipboardImage decoded = Decode(received->bytes);
        EXPECT_EQ(decoded.width, image.width);
        EXPECT_EQ(decoded.height, image.height);
        EXPECT_TRUE(decoded.rgb == image.rgb) << "the pixels differ";
    }
}

TEST_F(X11Clipboard, AnotherProgramTakingTheClipboardEndsTheOffer) {
    ASSERT_TRUE(clipboard_->Take(Pattern(8, 8, false), CurrentTime));
    XSetSelectionOwner(reader_.Display(), reader_.Atom("CLIPBOARD"), reader_.Window(), CurrentTime);
    XSync(reader_.Display(), False);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (clipboard_->Owns() && std::chrono::steady_clock::now() < deadline) {
        OwnerLoop();
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_FALSE(clipboard_->Owns());
    // Taken again, it is served again.
    ASSERT_TRUE(clipboard_->Take(Pattern(8, 8, false), CurrentTime));
    auto received = Read("image/png");
    ASSERT_TRUE(received.has_value());
    EXPECT_EQ(Decode(received->bytes).rgb, Pattern(8, 8, false).rgb);
}

} // namespace
