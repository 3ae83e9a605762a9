// Puts every adjustable part of the fake platform back to its start, for tests that run whole
// pet sequences: clock, screen, modules, windows' messages and timers, pointer, menus, styles,
// sound and the random generator.
#pragma once

#include "controls/resources.h"
#include "platform/fake/fake_app.h"
#include "platform/fake/fake_input.h"
#include "platform/fake/fake_layered.h"
#include "platform/fake/fake_menu.h"
#include "platform/fake/fake_messages.h"
#include "platform/fake/fake_sound.h"
#include "platform/fake/fake_timer.h"
#include "platform/fake/fake_window.h"
#include "runtime/random.h"

namespace testing_support {

inline void ResetFakePlatform() {
    platform::fake::ResetApp();
    platform::fake::ResetScreen();
    platform::memory::ResetModules();
    platform::fake::ResetMessages();
    platform::fake::ResetTimers();
    platform::fake::ResetInput();
    platform::fake::ResetMenus();
    platform::fake::ResetLayered();
    platform::fake::ResetSound();
    runtime::ResetRandom();
}

} // namespace testing_support
