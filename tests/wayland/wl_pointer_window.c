/* A native Wayland window that also moves the compositor's pointer, for the Wayland tier.
 *
 * It opens one xdg-shell window filled with one colour, asks to be maximised (so that wherever
 * the pointer goes and the pet is not, the pointer is over a native window), and, where KWin
 * offers its fake-input protocol, keeps one fake-input client for its whole life (so the seat
 * always has a pointer). Commands on standard input, one a line:
 *   move X Y     moves the pointer to X,Y (global logical pixels) with fake input, then says
 *                where the pointer is as this window sees it:
 *                "over X Y SX SY" (over this window, at SX,SY in it) or "off X Y"
 *   where        says the same without moving
 *   dblclick     a double-click of the left button where the pointer is
 *   button B S   presses (S "down") or releases (S "up") the button B ("left" or "right")
 *   quit
 * It prints "ready W H fake" (or "ready W H nofake") once the compositor shows the window at
 * W x H.
 */
#define _GNU_SOURCE
#include <errno.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include "fake-input-client-protocol.h"
#include "xdg-shell-client-protocol.h"

static struct wl_compositor *compositor;
static struct wl_shm *shm;
static struct xdg_wm_base *wm_base;
static struct wl_seat *seat;
static struct wl_pointer *pointer;
static struct org_kde_kwin_fake_input *fake;
static struct wl_surface *surface;
static struct xdg_surface *xdg_surface;
static struct xdg_toplevel *toplevel;
static int width = 400, height = 300, configured_width, configured_height;
static int shown;
static int over; /* the pointer is over our surface */
static double surface_x, surface_y;
static unsigned colour = 0xff2040c0;

static void ping(void *data, struct xdg_wm_base *base, uint32_t serial) {
    (void)data;
    xdg_wm_base_pong(base, serial);
}
static const struct xdg_wm_base_listener wm_base_listener = {ping};

static void pointer_enter(void *d, struct wl_pointer *p, uint32_t serial, struct wl_surface *s,
                          wl_fixed_t x, wl_fixed_t y) {
    (void)d; (void)p; (void)serial;
    over = s == surface;
    surface_x = wl_fixed_to_double(x);
    surface_y = wl_fixed_to_double(y);
}
static void pointer_leave(void *d, struct wl_pointer *p, uint32_t serial, struct wl_surface *s) {
    (void)d; (void)p; (void)serial; (void)s;
    over = 0;
}
static void pointer_motion(void *d, struct wl_pointer *p, uint32_t time, wl_fixed_t x,
                           wl_fixed_t y) {
    (void)d; (void)p; (void)time;
    surface_x = wl_fixed_to_double(x);
    surface_y = wl_fixed_to_double(y);
}
static void pointer_button(void *d, struct wl_pointer *p, uint32_t a, uint32_t b, uint32_t c,
                           uint32_t e) {
    (void)d; (void)p; (void)a; (void)b; (void)c; (void)e;
}
static void pointer_axis(void *d, struct wl_pointer *p, uint32_t a, uint32_t b, wl_fixed_t c) {
    (void)d; (void)p; (void)a; (void)b; (void)c;
}
/* The seat is bound at version 1: none of the later events (frame, axis source...) come. */
static const struct wl_pointer_listener pointer_listener = {
    .enter = pointer_enter, .leave = pointer_leave, .motion = pointer_motion,
    .button = pointer_button, .axis = pointer_axis};

static void seat_capabilities(void *d, struct wl_seat *s, uint32_t caps) {
    (void)d;
    if ((caps & WL_SEAT_CAPABILITY_POINTER) && !pointer) {
        pointer = wl_seat_get_pointer(s);
        wl_pointer_add_listener(pointer, &pointer_listener, NULL);
    } else if (!(caps & WL_SEAT_CAPABILITY_POINTER) && pointer) {
        wl_pointer_destroy(pointer);
        pointer = NULL;
        over = 0;
    }
}
static void seat_name(void *d, struct wl_seat *s, const char *name) {
    (void)d; (void)s; (void)name;
}
static const struct wl_seat_listener seat_listener = {seat_capabilities, seat_name};

static void global(void *d, struct wl_registry *r, uint32_t name, const char *interface,
                   uint32_t version) {
    (void)d;
    if (strcmp(interface, wl_compositor_interface.name) == 0) {
        compositor = wl_registry_bind(r, name, &wl_compositor_interface, 1);
    } else if (strcmp(interface, wl_shm_interface.name) == 0) {
        shm = wl_registry_bind(r, name, &wl_shm_interface, 1);
    } else if (strcmp(interface, xdg_wm_base_interface.name) == 0) {
        wm_base = wl_registry_bind(r, name, &xdg_wm_base_interface, 1);
        xdg_wm_base_add_listener(wm_base, &wm_base_listener, NULL);
    } else if (strcmp(interface, wl_seat_interface.name) == 0 && !seat) {
        seat = wl_registry_bind(r, name, &wl_seat_interface, 1);
        wl_seat_add_listener(seat, &seat_listener, NULL);
    } else if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 3) {
        fake = wl_registry_bind(r, name, &org_kde_kwin_fake_input_interface, version < 4 ? version : 4);
    }
}
static void global_remove(void *d, struct wl_registry *r, uint32_t name) {
    (void)d; (void)r; (void)name;
}
static const struct wl_registry_listener registry_listener = {global, global_remove};

static void toplevel_configure(void *d, struct xdg_toplevel *t, int32_t w, int32_t h,
                               struct wl_array *states) {
    (void)d; (void)t; (void)states;
    configured_width = w;
    configured_height = h;
}
static void toplevel_close(void *d, struct xdg_toplevel *t) {
    (void)d; (void)t;
}
/* xdg_wm_base is bound at version 1: configure_bounds (version 4) never comes. */
static const struct xdg_toplevel_listener toplevel_listener = {.configure = toplevel_configure,
                                                               .close = toplevel_close};

static struct wl_buffer *make_buffer(int w, int h) {
    int stride = w * 4, size = stride * h;
    int fd = memfd_create("jellop-native-window", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, size) < 0) {
        perror("memfd");
        exit(1);
    }
    unsigned *pixels = mmap(NULL, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    for (int i = 0; i < w * h; ++i) pixels[i] = colour;
    munmap(pixels, size);
    struct wl_shm_pool *pool = wl_shm_create_pool(shm, fd, size);
    struct wl_buffer *buffer = wl_shm_pool_create_buffer(pool, 0, w, h, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    return buffer;
}

/* Whether the compositor has shown the last buffer attached (its frame callback came). */
static int presented;
static void frame_done(void *d, struct wl_callback *callback, uint32_t time) {
    (void)d; (void)time;
    wl_callback_destroy(callback);
    presented = 1;
}
static const struct wl_callback_listener frame_listener = {frame_done};

static void surface_configure(void *d, struct xdg_surface *s, uint32_t serial) {
    (void)d;
    xdg_surface_ack_configure(s, serial);
    if (configured_width > 0 && configured_height > 0) {
        width = configured_width;
        height = configured_height;
    }
    wl_surface_attach(surface, make_buffer(width, height), 0, 0);
    wl_surface_damage(surface, 0, 0, width, height);
    presented = 0;
    wl_callback_add_listener(wl_surface_frame(surface), &frame_listener, NULL);
    wl_surface_commit(surface);
    shown = 1;
}
static const struct xdg_surface_listener surface_listener = {surface_configure};

static void report(struct wl_display *display, const char *x, const char *y) {
    /* The pointer's enter or motion reaches us a moment after the move: wait for events a
     * little (a move onto the same spot sends none). */
    struct pollfd fd = {wl_display_get_fd(display), POLLIN, 0};
    for (int i = 0; i < 10; ++i) {
        wl_display_flush(display);
        if (poll(&fd, 1, 20) > 0) wl_display_dispatch(display);
        else wl_display_dispatch_pending(display);
    }
    if (over) printf("over %s %s %.0f %.0f\n", x, y, surface_x, surface_y);
    else printf("off %s %s\n", x, y);
    fflush(stdout);
}

int main(int argc, char **argv) {
    if (argc > 1) colour = (unsigned)strtoul(argv[1], NULL, 16) | 0xff000000u;
    struct wl_display *display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "wl_pointer_window: no Wayland display\n");
        return 1;
    }
    struct wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!compositor || !shm || !wm_base) {
        fprintf(stderr, "wl_pointer_window: the compositor lacks wl_shm or xdg_wm_base\n");
        return 1;
    }
    if (fake) {
        org_kde_kwin_fake_input_authenticate(fake, "jellop tests", "moves the pointer");
        /* A first motion makes KWin add the client's pointer to the seat. */
        org_kde_kwin_fake_input_pointer_motion(fake, 0, 0);
    }
    surface = wl_compositor_create_surface(compositor);
    xdg_surface = xdg_wm_base_get_xdg_surface(wm_base, surface);
    xdg_surface_add_listener(xdg_surface, &surface_listener, NULL);
    toplevel = xdg_surface_get_toplevel(xdg_surface);
    xdg_toplevel_add_listener(toplevel, &toplevel_listener, NULL);
    xdg_toplevel_set_title(toplevel, "jellop native window");
    xdg_toplevel_set_app_id(toplevel, "jellop-native-window");
    xdg_toplevel_set_maximized(toplevel);
    wl_surface_commit(surface);
    /* Ready once the compositor shows the window at the size it gave last (a tiling
     * compositor configures it again once it is placed). */
    while (!shown && wl_display_dispatch(display) >= 0) {
    }
    for (int i = 0; i < 2; ++i) {
        wl_display_roundtrip(display);
        while (!presented && wl_display_dispatch(display) >= 0) {
        }
    }
    printf("ready %d %d %s\n", width, height, fake ? "fake" : "nofake");
    fflush(stdout);

    char line[256];
    while (fgets(line, sizeof line, stdin)) {
        char x[32], y[32];
        if (sscanf(line, "move %31s %31s", x, y) == 2) {
            if (!fake) {
                printf("error no fake input\n");
                fflush(stdout);
                continue;
            }
            org_kde_kwin_fake_input_pointer_motion_absolute(fake, wl_fixed_from_double(atof(x)),
                                                            wl_fixed_from_double(atof(y)));
            wl_display_roundtrip(display);
            report(display, x, y);
        } else if (strncmp(line, "where", 5) == 0) {
            report(display, "-", "-");
        } else if (strncmp(line, "dblclick", 8) == 0 && fake) {
            for (int i = 0; i < 4; ++i) { /* BTN_LEFT, pressed and released twice */
                org_kde_kwin_fake_input_button(fake, 0x110, i % 2 == 0 ? 1 : 0);
                wl_display_roundtrip(display);
                usleep(30000);
            }
            printf("clicked\n");
            fflush(stdout);
        } else if (sscanf(line, "button %31s %31s", x, y) == 2 && fake) {
            /* BTN_LEFT or BTN_RIGHT */
            org_kde_kwin_fake_input_button(fake, strcmp(x, "left") == 0 ? 0x110 : 0x111,
                                           strcmp(y, "down") == 0 ? 1 : 0);
            wl_display_roundtrip(display);
            printf("button %s %s\n", x, y);
            fflush(stdout);
        } else if (strncmp(line, "quit", 4) == 0) {
            break;
        }
    }
    wl_display_disconnect(display);
    return 0;
}
