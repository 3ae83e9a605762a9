// Fake opacity: whether each window is layered and the opacity it was given. A window that
// stops being layered forgets its opacity, and one that is not layered refuses an opacity.
#include "platform/layered.h"

#include <map>

#include "platform/app.h"
#include "platform/fake/fake_layered.h"
#include "platform/fake/loop.h"
#include "platform/window.h"

namespace platform {
namespace {

struct LayeredModel {
    std::map<std::uintptr_t, fake::LayeredState> windows;
    std::vector<fake::LayeredCall> calls;
    std::int32_t platformId = 2;
};

LayeredModel& Model() {
    static LayeredModel model;
    return model;
}

// The window's state, made on first use; null when `window` is not a window.
fake::LayeredState* StateOf(WindowHandle window) {
    if (!IsWindow(window)) {
        return nullptr;
    }
    return &Model().windows[static_cast<std::uintptr_t>(window)];
}

bool Record(fake::LayeredCall call) {
    call.time = TickCount();
    call.sequence = fake::detail::NextSequence();
    Model().calls.push_back(call);
    return call.succeeded;
}

} // namespace

bool SetLayered(WindowHandle window, bool on) {
    fake::LayeredCall call;
    call.kind = fake::LayeredCall::Kind::SetLayered;
    call.window = window;
    call.on = on;
    if (fake::LayeredState* state = StateOf(window)) {
        state->layered = on;
        if (!on) {
            *state = fake::LayeredState{};
        }
        call.succeeded = true;
    }
    return Record(call);
}

bool SetOpacity(WindowHandle window, std::uint8_t alpha, std::optional<std::uint32_t> colourKey) {
    fake::LayeredCall call;
    call.kind = fake::LayeredCall::Kind::SetOpacity;
    call.window = window;
    call.alpha = alpha;
    call.colourKey = colourKey;
    fake::LayeredState* state = StateOf(window);
    if (state != nullptr && state->layered) {
        state->opacitySet = true;
        state->alpha = alpha;
        state->colourKey = colourKey;
        call.succeeded = true;
    }
    return Record(call);
}

std::int32_t SystemPlatformId() {
    return Model().platformId;
}

namespace fake {

const std::vector<LayeredCall>& LayeredCalls() {
    return Model().calls;
}

void ClearLayeredCalls() {
    Model().calls.clear();
}

std::optional<LayeredState> LayeredStateOf(WindowHandle window) {
    LayeredState* state = StateOf(window);
    if (state == nullptr) {
        return std::nullopt;
    }
    return *state;
}

std::uint8_t EffectiveAlpha(WindowHandle window) {
    LayeredState* state = StateOf(window);
    if (state == nullptr || !state->layered || !state->opacitySet) {
        return 255;
    }
    return state->alpha;
}

void SetPlatformId(std::int32_t id) {
    Model().platformId = id;
}

void ResetLayered() {
    Model() = LayeredModel{};
}

} // namespace fake
} // namespace platform
