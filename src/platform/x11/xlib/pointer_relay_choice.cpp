#include "platform/x11/xlib/pointer_relay_choice.h"

#include <algorithm>
#include <cmath>

namespace platform::x11 {

namespace {

const char kOnlyOverX[] =
    "jellop: on this Wayland session the pet follows the pointer only over X windows";

} // namespace

const char* ShellExtensionUuid(int shellVersion) {
    // 43 and 44 load the older init/enable/disable form, 45 and later an ES module.
    return shellVersion == 43 || shellVersion == 44 ? "jellop-pointer-43@desktopjellop.org"
                                                    : "jellop-pointer@desktopjellop.org";
}

bool IsWaylandSession(const SessionFacts& facts) {
    return !facts.waylandDisplay.empty() || facts.sessionType == "wayland";
}

PointerChoice ChoosePointerSource(const SessionFacts& facts) {
    if (!IsWaylandSession(facts)) {
        return {};
    }
    if (facts.relaySetting == "off") {
        return {PointerSource::X, std::string(kOnlyOverX) +
                                      " (JELLOP_POINTER_RELAY=off; unset it to follow the "
                                      "pointer everywhere under KDE Plasma or GNOME Shell)"};
    }
    if (!facts.sessionBus) {
        return {PointerSource::X,
                std::string(kOnlyOverX) +
                    ": no session bus to reach the compositor (KDE Plasma and GNOME Shell relay "
                    "the pointer over it)"};
    }
    if (facts.kwin) {
        return {PointerSource::KWinScript, {}};
    }
    if (facts.shellExtension) {
        return {PointerSource::ShellExtension, {}};
    }
    if (facts.gnomeShell) {
        return {PointerSource::X,
                std::string(kOnlyOverX) +
                    "; to follow it everywhere, enable the extension once: gnome-extensions "
                    "enable " +
                    ShellExtensionUuid(facts.shellVersion) +
                    " (after the first install, log out and in again)"};
    }
    return {PointerSource::X,
            std::string(kOnlyOverX) +
                ": this compositor tells no program where the pointer is (KDE Plasma and GNOME "
                "Shell do, through a relay: run the pet there to follow it everywhere)"};
}

std::string RelayFailedNotice(PointerSource source, const std::string& reason) {
    const char* relay = source == PointerSource::KWinScript
                            ? "KWin did not run the pet's script"
                            : "the GNOME Shell extension did not answer";
    return std::string(kOnlyOverX) + ": " + relay + " (" + reason + ")";
}

ScreenPoint MapToScreen(double x, double y, const LogicalArea& area, int rootWidth,
                        int rootHeight) {
    double scaleX = area.width > 0 ? rootWidth / area.width : 1;
    double scaleY = area.height > 0 ? rootHeight / area.height : 1;
    auto place = [](double at, double origin, double scale, int size) {
        int pixel = static_cast<int>(std::floor((at - origin) * scale));
        return std::clamp(pixel, 0, std::max(size - 1, 0));
    };
    return {place(x, area.x, scaleX, rootWidth), place(y, area.y, scaleY, rootHeight)};
}

} // namespace platform::x11
