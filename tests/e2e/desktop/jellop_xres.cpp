// The X resources a process holds on the display, through the X-Resource extension, for the
// soak (scripts/soak.sh):
//   jellop_xres PID      "clients windows pixmaps gcs pictures pixmap_bytes", summed over
//                        every client connection of process PID (Wine opens several)
// The clients' processes come from the server (XResQueryClientIds); a display that cannot
// tell them fails the call rather than counting somebody else's resources.
#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    char* end = nullptr;
    long pid = argc == 2 ? std::strtol(argv[1], &end, 10) : 0;
    if (argc != 2 || *end != '\0' || pid <= 0) {
        std::fprintf(stderr, "usage: %s PID\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    int event = 0, error = 0;
    if (display == nullptr || !XResQueryExtension(display, &event, &error)) {
        std::fprintf(stderr, "%s: no display, or it lacks the X-Resource extension\n", argv[0]);
        return 1;
    }
    XResClientIdSpec all{0, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* ids = nullptr;
    if (XResQueryClientIds(display, 1, &all, &count, &ids) != Success) {
        std::fprintf(stderr, "%s: the server gave no client processes\n", argv[0]);
        return 1;
    }
    Atom window = XInternAtom(display, "WINDOW", False);
    Atom pixmap = XInternAtom(display, "PIXMAP", False);
    Atom gc = XInternAtom(display, "GC", False);
    Atom picture = XInternAtom(display, "PICTURE", False);
    long clients = 0, windows = 0, pixmaps = 0, gcs = 0, pictures = 0;
    unsigned long bytes = 0;
    for (long i = 0; i < count; ++i) {
        if (XResGetClientPid(&ids[i]) != pid) {
            continue;
        }
        ++clients;
        const auto& [who, length, value] = ids[i]; // the client, and its id value
        XID base = who.client;
        int types = 0;
        XResType* resources = nullptr;
        if (XResQueryClientResources(display, base, &types, &resources)) {
            for (int t = 0; t < types; ++t) {
                Atom type = resources[t].resource_type;
                long n = static_cast<long>(resources[t].count);
                windows += type == window ? n : 0;
                pixmaps += type == pixmap ? n : 0;
                gcs += type == gc ? n : 0;
                pictures += type == picture ? n : 0;
            }
            XFree(resources);
        }
        unsigned long clientBytes = 0;
        if (XResQueryClientPixmapBytes(display, base, &clientBytes)) {
            bytes += clientBytes;
        }
    }
    XResClientIdsDestroy(count, ids);
    XCloseDisplay(display);
    std::printf("%ld %ld %ld %ld %ld %lu\n", clients, windows, pixmaps, gcs, pictures, bytes);
    return clients > 0 ? 0 : 1;
}
