// The pet under the mouse: the left button drags it, any other button opens its menu, and a
// double-click kills it.
#include "pet/forms.h"
#include "pet/frmJellop.h"
#include "pet/frmMenu.h"
#include "platform/input.h"
#include "runtime/menu.h"

namespace pet {

void frmJellop::Form_MouseDown(std::int16_t Button, std::int16_t, float, float) {
    if (Button == kLeftButton) {
        // The system takes the window along with the pointer, as if its caption bar had been
        // grabbed, until the button is released.
        platform::BeginSystemDrag(hWnd());
    } else {
        runtime::PopupMenu(Menu().hWnd(), Menu().mnuOption);
    }
}

void frmJellop::Form_DblClick() {
    StartDie();
}

} // namespace pet
