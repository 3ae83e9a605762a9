#include "pet/forms.h"

#include "pet/frmJellop.h"
#include "pet/frmMenu.h"
#include "runtime/program.h"

namespace pet {
namespace {

PetForms*& Current() {
    static PetForms* current = nullptr;
    return current;
}

} // namespace

PetForms::PetForms() : previous_(Current()) {
    Current() = this;
}

PetForms::~PetForms() {
    Current() = previous_;
    // The menu goes first: nothing of it refers to the pet window afterwards.
    menu_.reset();
    jellop_.reset();
}

frmJellop& Jellop() {
    PetForms& forms = *Current();
    if (!forms.jellop_) {
        forms.jellop_ = std::make_unique<frmJellop>();
    }
    return *forms.jellop_;
}

frmMenu& Menu() {
    PetForms& forms = *Current();
    if (!forms.menu_ || !forms.menu_->Loaded()) {
        forms.menu_ = std::make_unique<frmMenu>();
        forms.menu_->Load();
    }
    return *forms.menu_;
}

bool MenuLoaded() {
    PetForms* forms = Current();
    return forms != nullptr && forms->menu_ && forms->menu_->Loaded();
}

void UnloadMenu() {
    if (MenuLoaded()) {
        Current()->menu_->Unload();
    }
}

int RunDesktopJellop() {
    PetForms forms;
    return runtime::RunProgram([] { Jellop().Load(); });
}

} // namespace pet
