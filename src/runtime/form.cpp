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
    platform::SetMessageHandler(
        hWnd(), [this](const platform::Message& message) { return OnMessage(message); });
}

Form::~Form() {
    platform::SetMessageHandler(hWnd(), {});
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
    platform::SetMessageHandler(hWnd(), {});
    window_.reset();
    state_ = State::Unloaded;
    NoteFormUnloaded();
}

void Form::Form_MouseDown(std::int16_t, std::int16_t, float, float) {}

std::optional<std::intptr_t> Form::OnMessage(const platform::Message& message) {
    switch (message.id) {
    case platform::kWmClose:
        return OnCloseRequest();
    case platform::kWmEndSession:
        // The session ends (log-off, shut-down): the same as a close request.
        return message.wParam != 0 ? OnCloseRequest() : 0;
    case platform::kWmLButtonDown:
        return OnButtonDown(kLeftButton, message);
    case platform::kWmRButtonDown:
    case platform::kWmRButtonDblClk:
        return OnButtonDown(kRightButton, message);
    case platform::kWmMButtonDown:
    case platform::kWmMButtonDblClk:
        return OnButtonDown(kMiddleButton, message);
    case platform::kWmLButtonDblClk:
        return OnDoubleClick();
    case platform::kWmMouseActivate:
        return OnMouseActivate();
    default:
        return std::nullopt;
    }
}

// A close request unloads the form instead of letting the system destroy its window.
std::intptr_t Form::OnCloseRequest() {
    Unload();
    return 0;
}

std::intptr_t Form::OnButtonDown(std::int16_t button, const platform::Message& message) {
    std::int16_t shift = 0;
    if (message.wParam & platform::kMkShift) {
        shift |= kShiftMask;
    }
    if (message.wParam & platform::kMkControl) {
        shift |= kCtrlMask;
    }
    // Client coordinates, signed 16-bit each, as mouse messages pack them.
    auto x = static_cast<std::int16_t>(static_cast<std::uint32_t>(message.lParam) & 0xFFFF);
    auto y = static_cast<std::int16_t>((static_cast<std::uint32_t>(message.lParam) >> 16) & 0xFFFF);
    Form_MouseDown(button, shift, static_cast<float>(x) * TwipsPerPixelX(),
                   static_cast<float>(y) * TwipsPerPixelY());
    return 0;
}

// A click leaves the activation where it is: a form never takes the keyboard focus from the
// program the user works in. (A pet window that took it would also lose it again whenever it
// moves, and that closes its pop-up menu.)
std::intptr_t Form::OnMouseActivate() {
    return platform::kMaNoActivate;
}

std::intptr_t Form::OnDoubleClick() {
    Form_DblClick();
    return 0;
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

void Form::Place(const platform::PixelRect& rect) {
    platform::SetWindowPos(hWnd(), platform::kHwndTop, rect.left, rect.top, rect.Width(),
                           rect.Height(), platform::kSwpNoZOrder | platform::kSwpNoActivate);
}

void Form::SetWidth(float twips) {
    platform::PixelRect rect = platform::GetWindowRect(hWnd());
    rect.right = rect.left + ToPixels(twips, TwipsPerPixelX());
    Place(rect);
}

void Form::SetHeight(float twips) {
    platform::PixelRect rect = platform::GetWindowRect(hWnd());
    rect.bottom = rect.top + ToPixels(twips, TwipsPerPixelY());
    Place(rect);
}

void Form::Move(float left, float top) {
    platform::PixelRect rect = platform::GetWindowRect(hWnd());
    std::int32_t x = ToPixels(left, TwipsPerPixelX());
    std::int32_t y = ToPixels(top, TwipsPerPixelY());
    Place({x, y, x + rect.Width(), y + rect.Height()});
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
