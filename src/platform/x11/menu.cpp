// Pop-up menus on X11: the items kept here, shown and tracked by the program's own pop-up of
// platform/x11 (menu.h).
#include "platform/x11/session.h" // first: see there

#include "platform/menu.h"

#include <map>
#include <vector>

#include "gdi/memory/objects.h"

namespace platform {
namespace {

std::map<std::uintptr_t, std::vector<x11::MenuItem>>& Menus() {
    static std::map<std::uintptr_t, std::vector<x11::MenuItem>> menus;
    return menus;
}

std::vector<x11::MenuItem>* Find(MenuHandle menu) {
    auto found = Menus().find(static_cast<std::uintptr_t>(menu));
    return found == Menus().end() ? nullptr : &found->second;
}

x11::MenuItem* FindItem(MenuHandle menu, std::uint32_t commandId) {
    if (std::vector<x11::MenuItem>* items = Find(menu)) {
        for (x11::MenuItem& item : *items) {
            if (item.kind != x11::MenuItem::Kind::Separator &&
                item.command == static_cast<int>(commandId)) {
                return &item;
            }
        }
    }
    return nullptr;
}

} // namespace

bool DestroyMenu(MenuHandle menu) {
    return Menus().erase(static_cast<std::uintptr_t>(menu)) > 0;
}

Menu CreatePopupMenu() {
    std::uintptr_t value = memory::detail::NewHandleValue();
    Menus()[value];
    return Menu(MenuHandle{value});
}

bool AppendMenuItem(MenuHandle menu, std::uint32_t commandId, const std::string& caption) {
    std::vector<x11::MenuItem>* items = Find(menu);
    if (items == nullptr || commandId == 0) {
        return false;
    }
    items->push_back({x11::MenuItem::Kind::Command, caption, static_cast<int>(commandId), false});
    return true;
}

bool AppendMenuSeparator(MenuHandle menu) {
    std::vector<x11::MenuItem>* items = Find(menu);
    if (items == nullptr) {
        return false;
    }
    items->push_back({x11::MenuItem::Kind::Separator, {}, 0, false});
    return true;
}

// An item that has been given a check mark keeps the room for one, as Windows menus do.
bool CheckMenuItem(MenuHandle menu, std::uint32_t commandId, bool checked) {
    x11::MenuItem* item = FindItem(menu, commandId);
    if (item == nullptr) {
        return false;
    }
    item->kind = x11::MenuItem::Kind::Check;
    item->checked = checked;
    return true;
}

bool IsMenuItemChecked(MenuHandle menu, std::uint32_t commandId) {
    const x11::MenuItem* item = FindItem(menu, commandId);
    return item != nullptr && item->checked;
}

std::uint32_t TrackPopupMenu(MenuHandle menu, std::int32_t x, std::int32_t y,
                             WindowHandle /*owner*/) {
    std::vector<x11::MenuItem>* items = Find(menu);
    if (items == nullptr) {
        return 0;
    }
    x11::Session& session = x11::Session::Get();
    // A copy: a command run meanwhile may change the menu.
    std::vector<x11::MenuItem> shown = *items;
    x11::OwnPopup popup;
    int chosen = x11::TrackPopupMenu(session.GetConnection(), session.Loop(), session.GetPainter(),
                                     shown, x11::Point{session.ToScreenX(x), session.ToScreenY(y)});
    session.RethrowPending();
    return chosen > 0 ? static_cast<std::uint32_t>(chosen) : 0;
}

} // namespace platform
