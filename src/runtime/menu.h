// Menu items of a form: a tree of captioned items, the children of an item forming its
// sub-menu. A caption of "-" makes a separator. Check marks live in the system's menu, so
// reading `Checked` reads back what the menu shows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gdi/handles.h"
#include "platform/menu.h"

namespace runtime {

class MenuItem {
  public:
    explicit MenuItem(std::string caption, std::function<void()> onClick = {});
    MenuItem(const MenuItem&) = delete;
    MenuItem& operator=(const MenuItem&) = delete;

    const std::string& Caption() const { return caption_; }
    bool IsSeparator() const { return caption_ == "-"; }

    // Makes `child` the next item of this item's sub-menu. The child must outlive this item's
    // use of it (forms own both).
    void Add(MenuItem& child);
    const std::vector<MenuItem*>& Children() const { return children_; }

    // The check mark, as the sub-menu that holds the item shows it.
    bool Checked() const;
    void SetChecked(bool checked);

    // The id the item has in its parent's sub-menu; 0 for a separator or an item in no menu.
    std::uint32_t CommandId() const { return commandId_; }

    // The item's click event.
    void Click();

    // The system menu of this item's children; empty until the first child is added.
    platform::MenuHandle SubMenu() const { return subMenu_.get(); }

  private:
    std::string caption_;
    std::function<void()> onClick_;
    std::vector<MenuItem*> children_;
    platform::Menu subMenu_;
    MenuItem* parent_ = nullptr;
    std::uint32_t commandId_ = 0;
    bool checked_ = false; // while the item is in no menu
};

// Shows `menu`'s children as a pop-up menu of `owner` at the pointer's position, with no
// flags, no explicit position and no default item, and returns when the menu has closed. The
// chosen item's click event runs before it returns.
void PopupMenu(platform::WindowHandle owner, MenuItem& menu);

} // namespace runtime
