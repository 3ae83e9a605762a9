#include "runtime/form.h"

#include "runtime/program.h"
#include "runtime/rounding.h"

namespace runtime {
namespace {

std::int32_t ToPixels(float twips, float twipsPerPixel) {
    return RoundToInt32(static_cast<double>(twips) / static_cast<double>(twipsPerPixel));
}

float ToTwips(std::int32_t pixels, float twipsPerPixel) {
    return static_cast<float>(pixels) * twipsPerPixel;
}

} // namespace

float TwipsPerPixelX() {
    return platform::TwipsPerPixelX();
}
float TwipsPerPixelY() {
    return platform::TwipsPerPixelY();
}

Form::Form(const FormDesign& design) {
    float x = TwipsPerPixelX(), y = TwipsPerPixelY();
    window_ = platform::CreateFormWindow(design.caption, ToPixels(design.left, x),
                                         ToPixels(design.top, y), ToPixels(design.width, x),
                                         ToPixels(design.height, y));
    platform::WindowEvents events;
    events.buttonDown = [this](const platform::ButtonPress& press) { OnButtonDown(press); };
    events.doubleClick = [this](const platform::ButtonPress& press) { OnDoubleClick(press); };
    events.closeRequest = [this] { OnCloseRequest(); };
    // The session ends (log-off, shut-down): the same as a close request.
    events.sessionEnd = [this] { OnCloseRequest(); };
    platform::SetWindowEvents(hWnd(), std::move(events));
}

Form::~Form() {
    platform::SetWindowEvents(hWnd(), {});
    if (Loaded()) {
        NoteFormUnloaded();
    }
}

void Form::Load() {
    if (state_ != State::Created) {
        return;
    }
    state_ = State::Loading;
    NoteFormLoaded();
    Form_Load();
    state_ = State::Loaded;
    if (unloadRequested_) {
        Unload();
    }
}

void Form::Unload() {
    if (state_ == State::Loading) {
        unloadRequested_ = true;
        return;
    }
    if (state_ != State::Loaded) {
        return;
    }
    state_ = State::Unloading;
    Form_Unload();
    for (Timer* timer : timers_) {
        timer->Release();
    }
    platform::SetWindowEvents(hWnd(), {});
    window_.reset();
    state_ = State::Unloaded;
    NoteFormUnloaded();
}

void Form::Form_MouseDown(std::int16_t, std::int16_t, float, float) {}

// A close request unloads the form instead of letting the system destroy its window.
void Form::OnCloseRequest() {
    Unload();
}

void Form::OnButtonDown(const platform::ButtonPress& press) {
    std::int16_t button = kLeftButton;
    if (press.button == platform::MouseButton::Right) {
        button = kRightButton;
    } else if (press.button == platform::MouseButton::Middle) {
        button = kMiddleButton;
    }
    std::int16_t shift = 0;
    if (press.shift) {
        shift |= kShiftMask;
    }
    if (press.control) {
        shift |= kCtrlMask;
    }
    Form_MouseDown(button, shift, static_cast<float>(press.x) * TwipsPerPixelX(),
                   static_cast<float>(press.y) * TwipsPerPixelY());
}

// A double-click of the left button is the double-click event; one of another button is a
// press like the first.
void Form::OnDoubleClick(const platform::ButtonPress& press) {
    if (press.button == platform::MouseButton::Left) {
        Form_DblClick();
    } else {
        OnButtonDown(press);
    }
}

float Form::Left() const {
    return ToTwips(platform::GetWindowRect(hWnd()).left, TwipsPerPixelX());
}

float Form::Top() const {
    return ToTwips(platform::GetWindowRect(hWnd()).top, TwipsPerPixelY());
}

float Form::Width() const {
    return ToTwips(platform::GetWindowRect(hWnd()).Width(), TwipsPerPixelX());
}

float Form::Height() const {
    return ToTwips(platform::GetWindowRect(hWnd()).Height(), TwipsPerPixelY());
}

void Form::SetWidth(float twips) {
    platform::PixelRect rect = platform::GetWindowRect(hWnd());
    rect.right = rect.left + ToPixels(twips, TwipsPerPixelX());
    platform::SetWindowRect(hWnd(), rect);
}

void Form::SetHeight(float twips) {
    platform::PixelRect rect = platform::GetWindowRect(hWnd());
    rect.bottom = rect.top + ToPixels(twips, TwipsPerPixelY());
    platform::SetWindowRect(hWnd(), rect);
}

void Form::Move(float left, float top) {
    platform::PixelRect rect = platform::GetWindowRect(hWnd());
    std::int32_t x = ToPixels(left, TwipsPerPixelX());
    std::int32_t y = ToPixels(top, TwipsPerPixelY());
    platform::SetWindowRect(hWnd(), {x, y, x + rect.Width(), y + rect.Height()});
}

const platform::Picture& Form::Picture() const {
    static const platform::Picture none;
    return picture_ ? *picture_ : none;
}

void Form::SetPicture(platform::Picture picture) {
    SetPicture(std::make_shared<const platform::Picture>(std::move(picture)));
}

void Form::SetPicture(std::shared_ptr<const platform::Picture> picture) {
    // The window lets go of the old bitmap before it may be deleted.
    platform::SetWindowPicture(hWnd(), picture ? picture->Handle() : platform::BitmapHandle{});
    picture_ = std::move(picture);
}

void Form::Show() {
    platform::ShowWindow(hWnd(), true);
}

void Form::Hide() {
    platform::ShowWindow(hWnd(), false);
}

bool Form::Visible() const {
    return platform::IsWindowVisible(hWnd());
}

} // namespace runtime
