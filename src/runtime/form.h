// A form: a top-level window whose position and size are read and written in twips
// (single-precision, 1/1440 inch) through the screen's twips-per-pixel factors, and which
// shows a picture unscaled at its top-left corner.
//
// The form owns its window and its picture. Events (load and unload, timers, mouse) are meant
// to be added on top of this class by the forms that need them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/resources.h"
#include "platform/window.h"

namespace runtime {

// How a form is designed: its caption and where its window first appears, in twips.
struct FormDesign {
    std::string caption = "Form1";
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};

class Form {
  public:
    // Creates the form's window, hidden. Raises error 6 when a twips value does not fit.
    explicit Form(const FormDesign& design);
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form();

    platform::WindowHandle hWnd() const { return window_.get(); }

    // Geometry in twips. Reading converts the window's pixels; writing rounds to the nearest
    // pixel (halves to even) and keeps the other three values, so a new size keeps the
    // top-left corner where it is.
    float Left() const;
    float Top() const;
    float Width() const;
    float Height() const;
    void SetLeft(float twips);
    void SetTop(float twips);
    void SetWidth(float twips);
    void SetHeight(float twips);
    // Moves the window, keeping its size.
    void Move(float left, float top);
    void Move(float left, float top, float width, float height);

    // The picture the window paints; replacing it repaints the window.
    const platform::Picture& Picture() const { return picture_; }
    void SetPicture(platform::Picture picture);

    void Show();
    void Hide();
    bool Visible() const;

  private:
    // Applies a rectangle given in pixels.
    void Place(const platform::PixelRect& rect);

    platform::Picture picture_; // declared first: outlives the window that borrows it
    platform::Window window_;
};

// Twips per pixel of the screen, as the forms use them.
float TwipsPerPixelX();
float TwipsPerPixelY();

} // namespace runtime
