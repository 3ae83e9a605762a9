#include "runtime/menu.h"

#include "platform/input.h"

namespace runtime {
namespace {

// Command ids are unique in the program, so a chosen id finds its item in any menu.
std::uint32_t NextCommandId() {
    static std::uint32_t next = 0;
    return ++next;
}

} // namespace

MenuItem::MenuItem(std::string caption, std::function<void()> onClick)
    : caption_(std::move(caption)), onClick_(std::move(onClick)) {}

void MenuItem::Add(MenuItem& child) {
    if (!subMenu_) {
        subMenu_ = platform::CreatePopupMenu();
    }
    child.parent_ = this;
    if (child.IsSeparator()) {
        platform::AppendMenuSeparator(SubMenu());
    } else {
        child.commandId_ = NextCommandId();
        platform::AppendMenuItem(SubMenu(), child.commandId_, child.caption_);
        platform::CheckMenuItem(SubMenu(), child.commandId_, child.checked_);
    }
    children_.push_back(&child);
}

bool MenuItem::Checked() const {
    if (parent_ == nullptr || commandId_ == 0) {
        return checked_;
    }
    return platform::IsMenuItemChecked(parent_->SubMenu(), commandId_);
}

void MenuItem::SetChecked(bool checked) {
    checked_ = checked;
    if (parent_ != nullptr && commandId_ != 0) {
        platform::CheckMenuItem(parent_->SubMenu(), commandId_, checked);
    }
}

void MenuItem::Click() {
    if (onClick_) {
        onClick_();
    }
}

void PopupMenu(platform::WindowHandle owner, MenuItem& menu) {
    if (platform::IsNull(menu.SubMenu())) {
        return;
    }
    platform::PointerPosition pointer;
    platform::GetCursorPos(pointer);
    std::uint32_t chosen = platform::TrackPopupMenu(menu.SubMenu(), pointer.x, pointer.y, owner);
    if (chosen == 0) {
        return;
    }
    for (MenuItem* child : menu.Children()) {
        if (child->CommandId() == chosen) {
            child->Click();
            return;
        }
    }
}

} // namespace runtime
