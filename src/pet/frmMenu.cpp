#include "pet/frmMenu.h"

#include "pet/forms.h"
#include "pet/frmJellop.h"
#include "pet/globals.h"

namespace pet {
namespace {

runtime::FormDesign MenuWindowDesign() {
    runtime::FormDesign design;
    design.caption = "frmMenu";
    return design;
}

} // namespace

frmMenu::frmMenu() : runtime::Form(MenuWindowDesign()) {
    mnuSounds.SetChecked(true);
    mnuOption.Add(mnuSounds);
    mnuOption.Add(mnuBlank);
    mnuOption.Add(mnuDie);
}

void frmMenu::mnuSounds_Click() {
    mnuSounds.SetChecked(!mnuSounds.Checked());
    SoundsEnabled = mnuSounds.Checked() ? kTrue : kFalse;
}

void frmMenu::mnuDie_Click() {
    Jellop().StartDie();
}

} // namespace pet
