// frmMenu: a window that is never shown and exists only to own the pet's context menu. Its
// "&Options" item is the menu's root, whose caption never shows: its children are the menu.
#pragma once

#include "runtime/form.h"
#include "runtime/menu.h"

namespace pet {

class frmMenu : public runtime::Form {
  public:
    // Loaded hidden the first time the pet's menu is needed, with "&Sounds" checked.
    frmMenu();

    runtime::MenuItem mnuOption{"&Options"};
    runtime::MenuItem mnuSounds{"&Sounds", [this] { mnuSounds_Click(); }};
    runtime::MenuItem mnuBlank{"-"};
    runtime::MenuItem mnuDie{"&Die", [this] { mnuDie_Click(); }};

  private:
    // Flips the check mark and copies what the menu now shows into SoundsEnabled; nothing
    // else: a sound that plays already plays on.
    void mnuSounds_Click();
    // Starts the death of the pet window; this window stays loaded and hidden.
    void mnuDie_Click();
};

} // namespace pet
