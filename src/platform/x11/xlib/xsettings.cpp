#include "platform/x11/xlib/xsettings.h"

#include <X11/Xlib.h>

#include <string>

#include "platform/x11/xlib/xsettings_block.h"

namespace platform::x11 {

namespace {

constexpr int kDefaultDoubleClickTime = 400;
// The longest double-click time believed (Windows takes no longer one either): a settings
// owner saying a day would make any two clicks of the day a double-click, which kills the pet.
constexpr int kLongestDoubleClickTime = 5000;

} // namespace

int DoubleClickTime(Connection& connection) {
    ::Display* display = connection.Get();
    std::string selection = "_XSETTINGS_S" + std::to_string(connection.ScreenNumber());
    Window owner = XGetSelectionOwner(display, connection.Intern(selection));
    if (owner == None) {
        return kDefaultDoubleClickTime;
    }
    // The owner may be gone by now: the failed request is recorded and the default holds.
    Atom property = connection.Intern("_XSETTINGS_SETTINGS");
    std::string block = connection.ReadBytes(owner, property, property).value_or("");
    std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(block.data()),
                                        block.size());
    std::optional<std::int32_t> time = XSettingsInteger(bytes, "Net/DoubleClickTime");
    return time && *time > 0 && *time <= kLongestDoubleClickTime ? *time : kDefaultDoubleClickTime;
}

} // namespace platform::x11
