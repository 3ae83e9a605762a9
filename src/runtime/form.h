// A form: a top-level window whose position and size are read and written in twips
// (single-precision, 1/1440 inch) through the screen's twips-per-pixel factors, and which
// shows a picture unscaled at its top-left corner.
//
// The form owns its window and its picture, and has a life cycle: it is loaded (its load
// event runs and it counts as loaded for the program's message loop) and unloaded (its unload
// event runs, its timers stop for good and its window is destroyed). The window's events reach
// the form's: a close request from the system or the end of the session unloads the form,
// button presses are its mouse-down event, a left double-click its double-click event.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gdi/resources.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "runtime/timer.h"

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

    // Runs the load event; from then on the form counts as loaded. A form loads once. An
    // unload requested while the load event runs (its waits pump messages) takes place as
    // soon as the load event has returned.
    void Load();
    // Runs the unload event, stops the form's timers for good and destroys its window. Does
    // nothing for a form that is not loaded or is unloading already.
    void Unload();
    bool Loaded() const { return state_ == State::Loaded || state_ == State::Loading; }

    // Geometry in twips. Reading converts the window's pixels; writing rounds to the nearest
    // pixel (halves to even) and keeps the other three values, so a new size keeps the
    // top-left corner where it is.
    float Left() const;
    float Top() const;
    float Width() const;
    float Height() const;
    void SetWidth(float twips);
    void SetHeight(float twips);
    // Moves the window, keeping its size.
    void Move(float left, float top);

    // The picture the window paints; replacing it repaints the window. A shared picture lets
    // its owner show it again later without loading it afresh.
    const platform::Picture& Picture() const;
    void SetPicture(platform::Picture picture);
    void SetPicture(std::shared_ptr<const platform::Picture> picture);

    void Show();
    void Hide();
    bool Visible() const;

  protected:
    // Mouse buttons as the mouse-down event numbers them, and its shift-key bits.
    static constexpr std::int16_t kLeftButton = 1;
    static constexpr std::int16_t kRightButton = 2;
    static constexpr std::int16_t kMiddleButton = 4;
    static constexpr std::int16_t kShiftMask = 1;
    static constexpr std::int16_t kCtrlMask = 2;

    // The form's events; the forms override those they handle.
    virtual void Form_Load() {}
    virtual void Form_Unload() {}
    // A button went down over the form: which one, the shift keys, and where (twips from the
    // form's top-left corner).
    virtual void Form_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    virtual void Form_DblClick() {}

    // Makes `timer` one of the form's timers: it stops for good when the form unloads.
    void AddTimer(Timer& timer) { timers_.push_back(&timer); }

  private:
    enum class State { Created, Loading, Loaded, Unloading, Unloaded };

    // The window's events, one handler each.
    void OnCloseRequest();
    void OnButtonDown(const platform::ButtonPress& press);
    void OnDoubleClick(const platform::ButtonPress& press);

    State state_ = State::Created;
    bool unloadRequested_ = false;
    std::vector<Timer*> timers_;

    // Declared first: outlives the window that borrows it.
    std::shared_ptr<const platform::Picture> picture_;
    platform::Window window_;
};

// Twips per pixel of the screen, as the forms use them.
float TwipsPerPixelX();
float TwipsPerPixelY();

} // namespace runtime
