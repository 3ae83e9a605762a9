// Form windows on X11: each one the shaped pet window of platform/x11 (window.h), with the
// placement and shape of an update batch sent to the server together.
#include "platform/x11/session.h" // first: see there

#include "platform/window.h"

#include <algorithm>

#include "gdi/memory/objects.h"
#include "platform/x11/events.h"

namespace platform {
namespace {

using x11::FormWindow;
using x11::Session;

void Place(FormWindow& form, const PixelRect& rect) {
    form.heldRect = rect;
    if (form.batchDepth == 0) {
        form.ApplyHeld();
    }
}

} // namespace

Window CreateFormWindow(const std::string& caption, std::int32_t x, std::int32_t y,
                        std::int32_t width, std::int32_t height) {
    Session& session = Session::Get();
    FormWindow form;
    PixelRect rect{x, y, x + width, y + height};
    form.window = std::make_unique<x11::PetWindow>(
        session.GetConnection(), session.Loop(), caption,
        x11::Point{session.ToScreenX(x), session.ToScreenY(y)},
        x11::WindowSize{session.ToScreen(std::max(rect.Width(), 1)),
                        session.ToScreen(std::max(rect.Height(), 1))},
        session.FormVisual());
    x11::PetWindow* window = form.window.get();
    WindowHandle handle = session.Add(std::move(form));
    window->OnButton(
        [handle](const x11::ButtonEvent& event) { x11::DeliverButton(handle, event); });
    window->OnCloseRequest([handle] { x11::DeliverCloseRequest(handle); });
    return Window(handle);
}

bool DestroyWindow(WindowHandle window) {
    Session& session = Session::Get();
    FormWindow* form = session.Find(window);
    if (form == nullptr) {
        return false;
    }
    if (!IsNull(form->region)) {
        memory::detail::DestroyRegion(form->region); // the window releases the shape it owns
    }
    session.Remove(window);
    return true;
}

bool IsWindow(WindowHandle window) {
    return Session::Get().Find(window) != nullptr;
}

bool ShowWindow(WindowHandle window, bool visible) {
    FormWindow* form = Session::Get().Find(window);
    if (form == nullptr) {
        return false;
    }
    bool wasVisible = form->window->Visible();
    form->ApplyHeld();
    if (visible) {
        form->window->Show();
    } else {
        form->window->Hide();
    }
    return wasVisible;
}

bool IsWindowVisible(WindowHandle window) {
    FormWindow* form = Session::Get().Find(window);
    return form != nullptr && form->window->Visible();
}

PixelRect GetWindowRect(WindowHandle window) {
    if (window == memory::detail::kDesktopWindow) {
        ScreenSize screen = GetScreenSize();
        return {0, 0, screen.width, screen.height};
    }
    FormWindow* form = Session::Get().Find(window);
    if (form == nullptr) {
        return {};
    }
    PixelRect rect = form->Rect();
    if (form->batchDepth > 0) {
        form->heldRect = rect; // read once from the server; the batch goes on from there
    }
    return rect;
}

bool SetWindowRect(WindowHandle window, const PixelRect& rect) {
    FormWindow* form = Session::Get().Find(window);
    if (form == nullptr) {
        return false;
    }
    Place(*form, PixelRect{rect.left, rect.top, rect.left + std::max(rect.Width(), 0),
                           rect.top + std::max(rect.Height(), 0)});
    return true;
}

// The window is kept above others as it is made (window.h): by its EWMH state with a manager,
// by raising itself without one.
bool SetTopmost(WindowHandle window, bool on, const PixelRect& rect) {
    FormWindow* form = Session::Get().Find(window);
    if (form == nullptr) {
        return false;
    }
    form->heldRect = rect;
    form->ApplyHeld();
    form->window->SetTopmost(on);
    form->window->Show();
    return true;
}

WindowUpdateBatch::WindowUpdateBatch(WindowHandle window) : window_(window) {
    if (FormWindow* form = x11::Session::Get().Find(window)) {
        outermost_ = form->batchDepth++ == 0;
    }
}

WindowUpdateBatch::~WindowUpdateBatch() {
    FormWindow* form = x11::Session::Get().Find(window_);
    if (form == nullptr || form->batchDepth == 0) {
        return;
    }
    if (--form->batchDepth == 0) {
        form->ApplyHeld();
    }
}

void SetWindowPicture(WindowHandle window, BitmapHandle picture) {
    Session& session = Session::Get();
    FormWindow* form = session.Find(window);
    if (form == nullptr) {
        return;
    }
    // Inside a batch the picture is uploaded (when its pixels are new) and shown with the rest
    // of the frame at the batch's end: one flush, one wake of the server per frame.
    form->heldPicture = picture;
    if (form->batchDepth == 0) {
        form->ApplyHeld();
    }
}

// The program's pixels are those of a 96-DPI screen (session.h): 1440 / 96 twips each.
float TwipsPerPixelX() {
    return 15.0f;
}

float TwipsPerPixelY() {
    return 15.0f;
}

ScreenSize GetScreenSize() {
    const Session& session = Session::Get();
    return {session.ProgramScreenWidth(), session.ProgramScreenHeight()};
}

} // namespace platform
