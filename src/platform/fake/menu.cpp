// Fake pop-up menus: items with check marks, and a modal menu loop whose outcome the test
// scripts (which item, after how long) while timers keep ticking.
#include "platform/menu.h"

#include <deque>
#include <map>
#include <utility>

#include "platform/app.h"
#include "platform/fake/fake_menu.h"
#include "platform/fake/loop.h"
#include "platform/fake/memory_objects.h"
#include "platform/messages.h"
#include "platform/window.h"

namespace platform {
namespace {

// The item the user chooses: by caption, or by its place among the command items; neither
// dismisses the menu.
struct Choice {
    std::uint32_t afterMs = 0;
    std::optional<std::string> caption;
    std::optional<std::size_t> position;
};

// The command id of the item `choice` names in `items`; 0 for none.
std::uint32_t ChosenCommand(const Choice& choice, const std::vector<fake::MenuItemRecord>& items) {
    std::size_t position = 0;
    for (const auto& item : items) {
        if (item.separator) {
            continue;
        }
        if ((choice.caption && item.caption == *choice.caption) ||
            (choice.position && *choice.position == position)) {
            return item.commandId;
        }
        ++position;
    }
    return 0;
}

struct MenuState {
    std::map<std::uintptr_t, std::vector<fake::MenuItemRecord>> menus;
    std::deque<Choice> choices;
    std::vector<fake::ShownMenu> shown;
};

MenuState& State() {
    static MenuState state;
    return state;
}

std::vector<fake::MenuItemRecord>* Find(MenuHandle menu) {
    auto found = State().menus.find(static_cast<std::uintptr_t>(menu));
    return found == State().menus.end() ? nullptr : &found->second;
}

fake::MenuItemRecord* FindItem(MenuHandle menu, std::uint32_t commandId) {
    if (auto* items = Find(menu)) {
        for (auto& item : *items) {
            if (!item.separator && item.commandId == commandId) {
                return &item;
            }
        }
    }
    return nullptr;
}

} // namespace

bool DestroyMenu(MenuHandle menu) {
    if (State().menus.erase(static_cast<std::uintptr_t>(menu)) == 0) {
        fake::detail::RecordMisuse("DestroyMenu of a handle that is not a live menu");
        return false;
    }
    return true;
}

Menu CreatePopupMenu() {
    std::uintptr_t value = fake::detail::NewHandleValue();
    State().menus[value] = {};
    return Menu(MenuHandle{value});
}

bool AppendMenuItem(MenuHandle menu, std::uint32_t commandId, const std::string& caption) {
    auto* items = Find(menu);
    if (items == nullptr || commandId == 0) {
        return false;
    }
    items->push_back({commandId, caption, false, false});
    return true;
}

bool AppendMenuSeparator(MenuHandle menu) {
    auto* items = Find(menu);
    if (items == nullptr) {
        return false;
    }
    items->push_back({0, "", true, false});
    return true;
}

bool CheckMenuItem(MenuHandle menu, std::uint32_t commandId, bool checked) {
    fake::MenuItemRecord* item = FindItem(menu, commandId);
    if (item == nullptr) {
        return false;
    }
    item->checked = checked;
    return true;
}

bool IsMenuItemChecked(MenuHandle menu, std::uint32_t commandId) {
    fake::MenuItemRecord* item = FindItem(menu, commandId);
    return item != nullptr && item->checked;
}

std::uint32_t TrackPopupMenu(MenuHandle menu, std::int32_t x, std::int32_t y, WindowHandle owner) {
    auto* items = Find(menu);
    if (items == nullptr || !IsWindow(owner)) {
        return 0;
    }
    fake::ShownMenu shown;
    shown.menu = menu;
    shown.items = *items;
    shown.x = x;
    shown.y = y;
    shown.owner = owner;
    shown.openTime = TickCount();
    shown.sequence = fake::detail::NextSequence();
    Choice choice;
    if (!State().choices.empty()) {
        choice = State().choices.front();
        State().choices.pop_front();
    }
    fake::detail::RunLoop({}, TickCount() + choice.afterMs, true);
    shown.closeTime = TickCount();
    State().shown.push_back(shown);

    RethrowPendingException();
    return ChosenCommand(choice, shown.items);
}

namespace fake {

const std::vector<ShownMenu>& ShownMenus() {
    return State().shown;
}

void ScriptMenuChoice(std::uint32_t afterMs, std::optional<std::string> caption) {
    State().choices.push_back({afterMs, std::move(caption), std::nullopt});
}

void ScriptMenuChoiceAt(std::uint32_t afterMs, std::size_t position) {
    State().choices.push_back({afterMs, std::nullopt, position});
}

std::vector<MenuItemRecord> MenuItems(MenuHandle menu) {
    auto* items = Find(menu);
    return items == nullptr ? std::vector<MenuItemRecord>{} : *items;
}

int LiveMenuCount() {
    return static_cast<int>(State().menus.size());
}

void ResetMenus() {
    State().choices.clear();
    State().shown.clear();
}

} // namespace fake
} // namespace platform
