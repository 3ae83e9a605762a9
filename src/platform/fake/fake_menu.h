// Test controls of the fake backend's pop-up menus: what each tracked menu showed and which
// choice the user makes, scripted in virtual time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gdi/handles.h"

namespace platform::fake {

struct MenuItemRecord {
    std::uint32_t commandId = 0;
    std::string caption;
    bool separator = false;
    bool checked = false;
    bool operator==(const MenuItemRecord&) const = default;
};

struct ShownMenu {
    MenuHandle menu{};
    std::vector<MenuItemRecord> items; // as they were when the menu opened
    std::int32_t x = 0;
    std::int32_t y = 0;
    WindowHandle owner{};
    std::uint32_t openTime = 0;
    std::uint32_t closeTime = 0;
    std::uint64_t sequence = 0;
};

// Every menu tracked, in order.
const std::vector<ShownMenu>& ShownMenus();

// What the user does with the next tracked menu: after `afterMs` of virtual time (timers
// tick meanwhile) choose the item with this caption, or, with none, dismiss the menu. Choices
// are used in the order they were given, one per menu; a menu with no choice scripted is
// dismissed at once.
void ScriptMenuChoice(std::uint32_t afterMs, std::optional<std::string> caption);
// The same, choosing the command item at `position` (0 for the first; separators not counted).
void ScriptMenuChoiceAt(std::uint32_t afterMs, std::size_t position);

// The items of a live menu as they are now; empty when `menu` is not a menu.
std::vector<MenuItemRecord> MenuItems(MenuHandle menu);
int LiveMenuCount();

void ResetMenus();

} // namespace platform::fake
