// Opacity on X11: the window opacity property, which a compositor shows and which does no harm
// where none runs. A window that is not layered shows fully opaque.
#include "platform/x11/session.h" // first: see there

#include "platform/layered.h"

namespace platform {

bool SetLayered(WindowHandle window, bool on) {
    x11::FormWindow* form = x11::Session::Get().Find(window);
    if (form == nullptr) {
        return false;
    }
    if (!on && form->layered) {
        form->window->SetOpacity(255);
    }
    form->layered = on;
    return true;
}

// A colour key has no equivalent here: the window's shape already leaves out its background.
bool SetOpacity(WindowHandle window, std::uint8_t alpha, std::optional<std::uint32_t> /*key*/) {
    x11::FormWindow* form = x11::Session::Get().Find(window);
    if (form == nullptr || !form->layered) {
        return false;
    }
    form->window->SetOpacity(alpha);
    return true;
}

std::int32_t SystemPlatformId() {
    return 2;
}

} // namespace platform
