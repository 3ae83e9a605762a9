// The pet's two windows as the program knows them: the one pet window, and the menu window,
// which is loaded (hidden) the first time it is asked for. A PetForms object owns both for
// one run of the program; while it exists the accessors below reach its windows.
#pragma once

#include <memory>

namespace pet {

class frmJellop;
class frmMenu;

class PetForms {
  public:
    PetForms();
    ~PetForms();
    PetForms(const PetForms&) = delete;
    PetForms& operator=(const PetForms&) = delete;

  private:
    friend frmJellop& Jellop();
    friend frmMenu& Menu();
    friend bool MenuLoaded();
    friend void UnloadMenu();

    std::unique_ptr<frmJellop> jellop_;
    std::unique_ptr<frmMenu> menu_;
    PetForms* previous_;
};

// The pet window (created, not loaded, on first use).
frmJellop& Jellop();

// The menu window, loaded hidden if it is not loaded yet.
frmMenu& Menu();
bool MenuLoaded();
// Unloads the menu window if it is loaded.
void UnloadMenu();

// Runs the program: loads the pet window (its load event is the whole start-up) and runs the
// message loop until no window of the program is loaded. Returns the process exit code.
int RunDesktopJellop();

} // namespace pet
