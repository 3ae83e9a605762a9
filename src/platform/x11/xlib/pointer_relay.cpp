#include "platform/x11/xlib/pointer_relay.h"

#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

namespace platform::x11 {

namespace {

constexpr char kName[] = "org.desktopjellop.Pet";
constexpr char kPath[] = "/org/desktopjellop/Pet";
constexpr char kInterface[] = "org.desktopjellop.Pointer";
constexpr char kShellExtensionName[] = "org.desktopjellop.ShellPointer";
constexpr char kScriptFile[] = "jellop-kwin-pointer.js";
constexpr char kScriptName[] = "desktop-jellop-pointer";

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool HasOwner(sd_bus* bus, const char* name) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    int owned = 0;
    if (sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                           "org.freedesktop.DBus", "NameHasOwner", &error, &reply, "s",
                           name) >= 0) {
        sd_bus_message_read(reply, "b", &owned);
    }
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    return owned != 0;
}

// GNOME Shell's major version, 0 when it does not say.
int ShellVersion(sd_bus* bus) {
    char* version = nullptr;
    int major = 0;
    if (sd_bus_get_property_string(bus, "org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell",
                                   "ShellVersion", nullptr, &version) >= 0) {
        major = std::atoi(version);
    }
    std::free(version);
    return major;
}

// A number of the message, whatever its type (a KWin script's numbers reach the bus as
// doubles or integers, depending on their values).
bool ReadNumber(sd_bus_message* message, double& number) {
    char type = 0;
    if (sd_bus_message_peek_type(message, &type, nullptr) <= 0) {
        return false;
    }
    switch (type) {
    case 'd':
        return sd_bus_message_read_basic(message, 'd', &number) > 0;
    case 'i': {
        std::int32_t value = 0;
        if (sd_bus_message_read_basic(message, 'i', &value) <= 0)
            return false;
        number = value;
        return true;
    }
    case 'u': {
        std::uint32_t value = 0;
        if (sd_bus_message_read_basic(message, 'u', &value) <= 0)
            return false;
        number = value;
        return true;
    }
    case 'x': {
        std::int64_t value = 0;
        if (sd_bus_message_read_basic(message, 'x', &value) <= 0)
            return false;
        number = static_cast<double>(value);
        return true;
    }
    default:
        return false;
    }
}

std::string ProgramFolder() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return ".";
    }
    std::string file(path, static_cast<std::size_t>(length));
    return file.substr(0, file.rfind('/'));
}

} // namespace

struct PointerRelay::Bus {
    sd_bus* bus = nullptr;
    sd_bus_slot* object = nullptr;
    EventLoop::Id watch = 0;
    short events = 0;
    std::function<void(short)> ready;
    PointerSource source = PointerSource::X;
    bool scriptLoaded = false;
    std::optional<double> x, y;
    LogicalArea area;

    ~Bus() {
        sd_bus_slot_unref(object);
        sd_bus_flush_close_unref(bus);
    }

    // Handles whatever the bus has brought (the relay's calls and their replies are written
    // here too).
    void Serve() {
        while (sd_bus_process(bus, nullptr) > 0) {
        }
    }

    static int Moved(sd_bus_message* message, void* data, sd_bus_error*) {
        auto* self = static_cast<Bus*>(data);
        if (!sd_bus_message_is_method_call(message, kInterface, "Moved")) {
            return 0; // not ours: the bus answers it with an error
        }
        double values[6] = {};
        for (double& value : values) {
            if (!ReadNumber(message, value)) {
                return sd_bus_reply_method_errorf(message, SD_BUS_ERROR_INVALID_ARGS,
                                                  "Moved takes six numbers");
            }
        }
        self->x = values[0];
        self->y = values[1];
        self->area = {values[2], values[3], values[4], values[5]};
        return sd_bus_reply_method_return(message, nullptr);
    }

    // Loads the program's KWin script afresh: one of an earlier run (killed before it could
    // unload it) is unloaded first. KWin drops an unloaded script at its next turn, so a load
    // that finds the name still taken is tried again a little later.
    std::string LoadScript() {
        const std::string file = ProgramFolder() + "/" + kScriptFile;
        if (access(file.c_str(), R_OK) != 0) {
            return file + " is missing";
        }
        sd_bus_call_method(bus, "org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting",
                           "unloadScript", nullptr, nullptr, "s", kScriptName);
        for (int attempt = 0; attempt < 20; ++attempt) {
            sd_bus_error error = SD_BUS_ERROR_NULL;
            sd_bus_message* reply = nullptr;
            std::int32_t id = -1;
            int called =
                sd_bus_call_method(bus, "org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting",
                                   "loadScript", &error, &reply, "ss", file.c_str(), kScriptName);
            if (called >= 0) {
                sd_bus_message_read(reply, "i", &id);
            }
            std::string reason = called < 0 && error.message ? error.message : "";
            sd_bus_message_unref(reply);
            sd_bus_error_free(&error);
            if (called < 0) {
                return "loadScript: " + reason;
            }
            if (id >= 0) {
                scriptLoaded = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!scriptLoaded) {
            return "loadScript kept answering -1";
        }
        sd_bus_error error = SD_BUS_ERROR_NULL;
        if (sd_bus_call_method(bus, "org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", "start",
                               &error, nullptr, "") < 0) {
            std::string reason = std::string("start: ") + (error.message ? error.message : "");
            sd_bus_error_free(&error);
            return reason;
        }
        return {};
    }

    void UnloadScript() {
        if (scriptLoaded) {
            sd_bus_call_method(bus, "org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting",
                               "unloadScript", nullptr, nullptr, "s", kScriptName);
            scriptLoaded = false;
        }
    }
};

PointerRelay::PointerRelay(Connection& connection, EventLoop& loop)
    : connection_(connection), loop_(loop), bus_(std::make_unique<Bus>()) {}

std::unique_ptr<PointerRelay> PointerRelay::Start(Connection& connection, EventLoop& loop) {
    SessionFacts facts;
    facts.waylandDisplay = Environment("WAYLAND_DISPLAY");
    facts.sessionType = Environment("XDG_SESSION_TYPE");
    facts.relaySetting = Environment("JELLOP_POINTER_RELAY");
    std::unique_ptr<PointerRelay> relay(new PointerRelay(connection, loop));
    Bus& bus = *relay->bus_;
    if (IsWaylandSession(facts) && facts.relaySetting != "off") {
        facts.sessionBus = sd_bus_open_user(&bus.bus) >= 0;
        if (facts.sessionBus) {
            facts.kwin = HasOwner(bus.bus, "org.kde.KWin");
            facts.gnomeShell = HasOwner(bus.bus, "org.gnome.Shell");
            facts.shellExtension = HasOwner(bus.bus, kShellExtensionName);
            if (facts.gnomeShell && !facts.shellExtension) {
                facts.shellVersion = ShellVersion(bus.bus); // which form to enable
            }
        }
    }
    PointerChoice choice = ChoosePointerSource(facts);
    std::string notice = choice.notice;
    if (choice.source != PointerSource::X) {
        std::string failed;
        if (sd_bus_add_object(bus.bus, &bus.object, kPath, &Bus::Moved, &bus) < 0) {
            failed = "cannot export " + std::string(kPath);
        } else if (int taken = sd_bus_request_name(bus.bus, kName, 0); taken < 0) {
            failed = "cannot own " + std::string(kName);
        } else if (choice.source == PointerSource::KWinScript) {
            failed = bus.LoadScript();
        }
        if (!failed.empty()) {
            bus.UnloadScript();
            notice = RelayFailedNotice(choice.source, failed);
            choice.source = PointerSource::X;
        }
    }
    if (!notice.empty()) {
        std::fprintf(stderr, "%s\n", notice.c_str());
    }
    if (choice.source == PointerSource::X) {
        return nullptr;
    }
    bus.source = choice.source;
    // Calls that came in while the program waited for KWin's answers are queued already.
    bus.Serve();
    bus.events = static_cast<short>(sd_bus_get_events(bus.bus));
    Bus* served = &bus;
    bus.ready = [served, &loop](short) {
        served->Serve();
        // The bus asks to be woken for writing too while replies wait to go out.
        auto events = static_cast<short>(sd_bus_get_events(served->bus));
        if (events > 0 && events != served->events) {
            loop.RemoveFd(served->watch);
            served->events = events;
            served->watch = loop.AddFd(sd_bus_get_fd(served->bus), events, served->ready);
        }
    };
    bus.watch = loop.AddFd(sd_bus_get_fd(bus.bus), bus.events, bus.ready);
    return relay;
}

PointerRelay::~PointerRelay() {
    if (bus_->watch != 0) {
        loop_.RemoveFd(bus_->watch);
    }
    bus_->UnloadScript();
}

PointerSource PointerRelay::Source() const {
    return bus_->source;
}

std::optional<Point> PointerRelay::Position() const {
    if (!bus_->x || !bus_->y) {
        return std::nullopt;
    }
    ::Display* display = connection_.Get();
    ScreenPoint at = MapToScreen(*bus_->x, *bus_->y, bus_->area,
                                 DisplayWidth(display, connection_.ScreenNumber()),
                                 DisplayHeight(display, connection_.ScreenNumber()));
    return Point{at.x, at.y};
}

} // namespace platform::x11
