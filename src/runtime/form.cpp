#include "runtime/form.h"

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
}

Form::~Form() = default;

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

void Form::SetLeft(float twips) {
    platform::PixelRect rect = platform::GetWindowRect(hWnd());
    std::int32_t left = ToPixels(twips, TwipsPerPixelX());
    Place({left, rect.top, left + rect.Width(), rect.bottom});
}

void Form::SetTop(float twips) {
    platform::PixelRect rect = platform::GetWindowRect(hWnd());
    std::int32_t top = ToPixels(twips, TwipsPerPixelY());
    Place({rect.left, top, rect.right, top + rect.Height()});
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

void Form::Move(float left, float top, float width, float height) {
    std::int32_t x = ToPixels(left, TwipsPerPixelX());
    std::int32_t y = ToPixels(top, TwipsPerPixelY());
    Place({x, y, x + ToPixels(width, TwipsPerPixelX()), y + ToPixels(height, TwipsPerPixelY())});
}

void Form::SetPicture(platform::Picture picture) {
    // The window lets go of the old bitmap before it is deleted.
    platform::SetWindowPicture(hWnd(), picture.Handle());
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
