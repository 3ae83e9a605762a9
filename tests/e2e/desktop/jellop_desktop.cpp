// What the environment script needs of the test display that no Debian tool gives it:
//   jellop_desktop background solid RRGGBB   a background of one colour (tests measure against it)
//   jellop_desktop background desktop        a gradient with a faint grid (the recordings)
//   jellop_desktop owner SELECTION           exit 0 when the selection has an owner (a
//                                            compositor owns _NET_WM_CM_S0 while it runs)
//   jellop_desktop window X Y W H            an ordinary application window there, with a
//                                            few lines of "text", until the program is killed
// The background is a pixmap made the root window's background and announced in _XROOTPMAP_ID
// and ESETROOT_PMAP_ID, which is where compositors read the wallpaper from (a plain root colour
// is not seen under one). The pixmap outlives this program (RetainPermanent).
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

unsigned long Rgb(unsigned red, unsigned green, unsigned blue) {
    return (red << 16) | (green << 8) | blue; // 24-bit TrueColor, as the test display has
}

void PaintDesktop(XImage* image, int width, int height) {
    for (int y = 0; y < height; ++y) {
        // From a deep blue at the top to a lighter teal at the bottom.
        unsigned red = 20 + 30u * static_cast<unsigned>(y) / static_cast<unsigned>(height);
        unsigned green = 60 + 90u * static_cast<unsigned>(y) / static_cast<unsigned>(height);
        unsigned blue = 110 + 60u * static_cast<unsigned>(y) / static_cast<unsigned>(height);
        for (int x = 0; x < width; ++x) {
            bool grid = x % 64 == 0 || y % 64 == 0;
            XPutPixel(image, x, y,
                      grid ? Rgb(red + 12, green + 12, blue + 12) : Rgb(red, green, blue));
        }
    }
}

int SetBackground(Display* display, const std::string& mode, unsigned long solid) {
    int screen = DefaultScreen(display);
    Window root = RootWindow(display, screen);
    int width = DisplayWidth(display, screen), height = DisplayHeight(display, screen);
    if (DefaultDepth(display, screen) != 24) {
        std::fprintf(stderr, "jellop_desktop: the display must be 24 bits deep\n");
        return 1;
    }
    XSetCloseDownMode(display, RetainPermanent);
    Pixmap pixmap = XCreatePixmap(display, root, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), 24);
    GC gc = XCreateGC(display, pixmap, 0, nullptr);
    if (mode == "solid") {
        XSetForeground(display, gc, solid);
        XFillRectangle(display, pixmap, gc, 0, 0, static_cast<unsigned>(width),
                       static_cast<unsigned>(height));
    } else {
        XImage* image =
            XCreateImage(display, DefaultVisual(display, screen), 24, ZPixmap, 0, nullptr,
                         static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
        image->data = static_cast<char*>(std::malloc(
            static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(height)));
        PaintDesktop(image, width, height);
        XPutImage(display, pixmap, gc, image, 0, 0, 0, 0, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
        XDestroyImage(image);
    }
    XFreeGC(display, gc);
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
        XChangeProperty(display, root, XInternAtom(display, name, False), XA_PIXMAP, 32,
                        PropModeReplace, reinterpret_cast<unsigned char*>(&pixmap), 1);
    }
    XSetWindowBackgroundPixmap(display, root, pixmap);
    XClearWindow(display, root);
    return 0;
}

// A light window with grey bars for lines of text, like a document beside the pet.
int ShowWindow(Display* display, int x, int y, int width, int height) {
    int screen = DefaultScreen(display);
    Window window = XCreateSimpleWindow(display, RootWindow(display, screen), x, y,
                                        static_cast<unsigned>(width), static_cast<unsigned>(height),
                                        0, 0, Rgb(248, 248, 244));
    XStoreName(display, window, "Notes");
    XSizeHints hints{};
    hints.flags = USPosition | USSize;
    hints.x = x;
    hints.y = y;
    hints.width = width;
    hints.height = height;
    XSetWMNormalHints(display, window, &hints);
    XSelectInput(display, window, ExposureMask);
    XMapWindow(display, window);
    GC gc = XCreateGC(display, window, 0, nullptr);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != Expose || event.xexpose.count != 0) {
            continue;
        }
        XSetForeground(display, gc, Rgb(190, 190, 200));
        for (int line = 0, top = 16; top + 6 < height - 10; ++line, top += 16) {
            int length = (width - 32) * (5 + (line * 7) % 5) / 9;
            XFillRectangle(display, window, gc, 16, top, static_cast<unsigned>(length), 6);
        }
        XFlush(display);
    }
}

} // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    std::string mode = argc > 2 ? argv[2] : "";
    unsigned long solid = 0;
    bool valid = false;
    if (command == "background" && mode == "solid" && argc == 4) {
        char* end = nullptr;
        solid = std::strtoul(argv[3], &end, 16);
        valid = *end == '\0' && std::strlen(argv[3]) == 6;
    } else if (command == "background") {
        valid = mode == "desktop" && argc == 3;
    } else if (command == "owner") {
        valid = argc == 3;
    } else if (command == "window") {
        valid = argc == 6;
    }
    if (!valid) {
        std::fprintf(stderr,
                     "usage: %s background solid RRGGBB | background desktop | "
                     "owner SELECTION\n",
                     argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "%s: cannot open the display\n", argv[0]);
        return 1;
    }
    int status = 0;
    if (command == "window") {
        status = ShowWindow(display, std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                            std::atoi(argv[5]));
    } else if (command == "owner") {
        status =
            XGetSelectionOwner(display, XInternAtom(display, mode.c_str(), False)) != None ? 0 : 1;
    } else {
        status = SetBackground(display, mode, solid);
    }
    XCloseDisplay(display);
    return status;
}
