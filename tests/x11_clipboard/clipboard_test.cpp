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

#include "platform/x11/xlib/clipboard.h"

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
                if (event.type == SelectionNotify && event.xselection.requestor == window_) {
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

namespace {

// Hostile readers: the owner is made with a short stall limit, so that giving up is quick.
class X11ClipboardHostile : public X11Clipboard {
  protected:
    static constexpr auto kStall = 1500ms;
    void SetUp() override {
        ASSERT_NE(owner_.Display(), nullptr) << "no X display: run under scripts/env.sh's "
                                                "jellop_start";
        clipboard_.emplace(owner_.Display(), owner_.Window(), kStall);
        ASSERT_TRUE(clipboard_->Take(Pattern(1000, 700, true), CurrentTime));
    }
    // A window of the reader's that the reader itself watches for nothing: a child of one of
    // its top-level windows, which a manager or compositor watches for their own needs.
    ::Window QuietWindow() {
        if (parent_ == None) {
            parent_ = XCreateSimpleWindow(reader_.Display(), DefaultRootWindow(reader_.Display()),
                                          0, 0, 1, 1, 0, 0, 0);
        }
        return XCreateSimpleWindow(reader_.Display(), parent_, 0, 0, 1, 1, 0, 0, 0);
    }
    ::Window parent_ = None;
    // The events that any client watches on `window`, as the server reports them.
    long WatchedEvents(::Window window) {
        XWindowAttributes attributes{};
        XGetWindowAttributes(reader_.Display(), window, &attributes);
        return attributes.all_event_masks;
    }
    // Asks for the selection as a reader that then does nothing, and lets the owner serve it.
    void Ask(::Window window, const char* target, const char* property) {
        XConvertSelection(reader_.Display(), reader_.Atom("CLIPBOARD"), reader_.Atom(target),
                          reader_.Atom(property), window, CurrentTime);
        XSync(reader_.Display(), False);
        SettleOwner();
    }
    // Sends the owner a request made up by a client (any fields at all), and lets it serve it.
    void Pretend(::Window requestor, ::Atom target, ::Atom property) {
        XEvent request{};
        request.xselectionrequest.type = SelectionRequest;
        request.xselectionrequest.owner = owner_.Window();
        request.xselectionrequest.requestor = requestor;
        request.xselectionrequest.selection = reader_.Atom("CLIPBOARD");
        request.xselectionrequest.target = target;
        request.xselectionrequest.property = property;
        request.xselectionrequest.time = CurrentTime;
        XSendEvent(reader_.Display(), owner_.Window(), False, NoEventMask, &request);
        XSync(reader_.Display(), False);
        SettleOwner();
    }
    // Runs the owner's side until the server has nothing more for it.
    void SettleOwner() {
        XSync(owner_.Display(), False);
        OwnerLoop();
    }
    // The answer `requestor` got: the SelectionNotify's property (None: refused); nullopt when
    // no answer came.
    std::optional<::Atom> Answer(::Window requestor) {
        XEvent event;
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (std::chrono::steady_clock::now() < deadline) {
            OwnerLoop();
            if (XCheckTypedWindowEvent(reader_.Display(), requestor, SelectionNotify, &event)) {
                return event.xselection.property;
            }
            std::this_thread::sleep_for(1ms);
        }
        return std::nullopt;
    }
};

// Before the deadline existed a reader that never took a piece kept its transfer, the image's
// bytes and the owner's watch on its window for as long as the program ran, and each new
// request added one more.
TEST_F(X11ClipboardHostile, ReadersThatStallAreGivenUpAndNeverPileUp) {
    const ::Window stalled = QuietWindow();
    Ask(stalled, "image/bmp", "STALLED");
    ASSERT_EQ(Answer(stalled), reader_.Atom("STALLED"));
    EXPECT_EQ(clipboard_->TransfersUnderWay(), 1u);
    EXPECT_EQ(WatchedEvents(stalled), PropertyChangeMask) << "the owner waits for the reader";

    // A reader whose window goes in the middle of its transfer.
    const ::Window vanishing = QuietWindow();
    Ask(vanishing, "image/png", "VANISHING");
    ASSERT_EQ(Answer(vanishing), reader_.Atom("VANISHING"));
    XDestroyWindow(reader_.Display(), vanishing);
    XSync(reader_.Display(), False);

    // Past the deadline, with no event at all, the program's timer gives them up.
    std::this_thread::sleep_for(kStall + 50ms);
    clipboard_->DropStalled();
    EXPECT_EQ(clipboard_->TransfersUnderWay(), 0u);
    EXPECT_EQ(WatchedEvents(stalled), 0) << "the owner still watches a reader it gave up";

    // A reader asking again and again, into new properties and into the same one: the oldest
    // transfers are given up, the newest kept.
    const ::Window greedy = QuietWindow();
    for (int i = 0; i < 3 * static_cast<int>(ClipboardOwner::kMaxTransfers); ++i) {
        const std::string property = "GREEDY" + std::to_string(i % 12);
        Ask(greedy, i % 2 ? "image/png" : "image/bmp", property.c_str());
        EXPECT_LE(clipboard_->TransfersUnderWay(), ClipboardOwner::kMaxTransfers);
    }
    EXPECT_EQ(clipboard_->TransfersUnderWay(), ClipboardOwner::kMaxTransfers);
    std::this_thread::sleep_for(kStall + 50ms);
    clipboard_->DropStalled();
    EXPECT_EQ(clipboard_->TransfersUnderWay(), 0u);
    EXPECT_EQ(WatchedEvents(greedy), 0);

    // An honest reader is served whole afterwards, however long it takes between pieces
    // within the deadline.
    auto received = Read("image/bmp");
    ASSERT_TRUE(received.has_value());
    EXPECT_TRUE(received->inPieces);
    EXPECT_EQ(Decode(received->bytes).rgb, Pattern(1000, 700, true).rgb);
    EXPECT_EQ(clipboard_->TransfersUnderWay(), 0u);
}

// Requests that no honest reader sends, made up and sent to the owner's window. Before, a
// request naming one of the owner's own windows as the reader had the owner select only
// property changes on it (the pet's window would have lost its button events) and then
// nothing at all.
TEST_F(X11ClipboardHostile, OddRequestsAreRefusedWithoutHarm) {
    const ::Window root = DefaultRootWindow(reader_.Display());
    XSelectInput(owner_.Display(), owner_.Window(), ButtonPressMask | PropertyChangeMask);
    XSync(owner_.Display(), False);
    const ::Window gone = QuietWindow();
    XDestroyWindow(reader_.Display(), gone);
    const ::Window reader = QuietWindow();
    const std::string hugeName(4000, 'x');
    const ::Atom huge = reader_.Atom(hugeName.c_str());
    const ::Atom png = reader_.Atom("image/png");
    struct Case {
        const char* what;
        ::Window requestor;
        ::Atom target;
        ::Atom property;
        bool answered; // a reply whose property is not None
    };
    const Case cases[] = {
        {"MULTIPLE (not offered)", reader, reader_.Atom("MULTIPLE"), reader_.Atom("P"), false},
        {"no target", reader, None, reader_.Atom("P"), false},
        {"a target no atom names", reader, 0x1FFFFFF0, reader_.Atom("P"), false},
        {"a target with a huge name", reader, huge, reader_.Atom("P"), false},
        {"into a property no atom names", reader, png, 0x1FFFFFF0, true},
        {"the owner's own window", owner_.Window(), png, reader_.Atom("P"), false},
        {"the root window", root, png, reader_.Atom("P"), false},
        {"a window that has gone", gone, png, reader_.Atom("P"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Pretend(c.requestor, c.target, c.property);
        if (c.requestor == reader) {
            std::optional<::Atom> answer = Answer(reader);
            ASSERT_TRUE(answer.has_value());
            EXPECT_EQ(*answer != None, c.answered);
        }
    }
    // Nothing the owner watches changed, and no transfer was left with nobody to take it but
    // the one into a property that does not exist (given up at the deadline).
    XWindowAttributes attributes{};
    XGetWindowAttributes(owner_.Display(), owner_.Window(), &attributes);
    EXPECT_EQ(attributes.your_event_mask, ButtonPressMask | PropertyChangeMask);
    XGetWindowAttributes(owner_.Display(), root, &attributes);
    EXPECT_EQ(attributes.your_event_mask, 0);
    EXPECT_LE(clipboard_->TransfersUnderWay(), 2u);
    std::this_thread::sleep_for(kStall + 50ms);
    clipboard_->DropStalled();
    EXPECT_EQ(clipboard_->TransfersUnderWay(), 0u);
    // And it still serves.
    auto received = Read("image/png");
    ASSERT_TRUE(received.has_value());
    EXPECT_EQ(Decode(received->bytes).rgb, Pattern(1000, 700, true).rgb);
}

} // namespace
