// Fake window styles and layered attributes. The topmost bit of the extended style follows
// the window's place in the z-order (SetWindowPos), as on the real system; removing the
// layered style forgets the window's attributes, and a window without it refuses them.
#include "platform/layered.h"

#include <map>

#include "platform/app.h"
#include "platform/fake/fake_layered.h"
#include "platform/fake/fake_window.h"
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

// The window's style state, made from what the window was created as on first use; null when
// `window` is not a window.
fake::LayeredState* StateOf(WindowHandle window) {
    const fake::WindowState* created = fake::FindWindowState(window);
    if (created == nullptr) {
        return nullptr;
    }
    auto key = static_cast<std::uintptr_t>(window);
    auto found = Model().windows.find(key);
    if (found == Model().windows.end()) {
        fake::LayeredState state;
        state.exStyle = created->toolWindow ? kWsExToolWindow : 0;
        found = Model().windows.emplace(key, state).first;
    }
    return &found->second;
}

void Record(fake::LayeredCall call) {
    call.time = TickCount();
    call.sequence = fake::detail::NextSequence();
    Model().calls.push_back(call);
}

} // namespace

std::int32_t GetWindowLong(WindowHandle window, std::int32_t index) {
    fake::LayeredState* state = StateOf(window);
    if (state == nullptr || index != kGwlExStyle) {
        return 0;
    }
    bool topmost = fake::FindWindowState(window)->topmost;
    return state->exStyle | (topmost ? kWsExTopmost : 0);
}

std::int32_t SetWindowLong(WindowHandle window, std::int32_t index, std::int32_t value) {
    fake::LayeredCall call;
    call.kind = fake::LayeredCall::Kind::SetWindowLong;
    call.window = window;
    call.index = index;
    call.value = value;
    fake::LayeredState* state = StateOf(window);
    if (state == nullptr || index != kGwlExStyle) {
        Record(call);
        return 0;
    }
    std::int32_t previous = GetWindowLong(window, index);
    state->exStyle = value & ~kWsExTopmost;
    if (!(state->exStyle & kWsExLayered)) {
        state->attributesSet = false;
        state->colorKey = 0;
        state->alpha = 0;
        state->flags = 0;
    }
    call.succeeded = true;
    Record(call);
    return previous;
}

bool SetLayeredWindowAttributes(WindowHandle window, std::uint32_t colorKey, std::uint8_t alpha,
                                std::uint32_t flags) {
    fake::LayeredCall call;
    call.kind = fake::LayeredCall::Kind::SetLayeredWindowAttributes;
    call.window = window;
    call.colorKey = colorKey;
    call.alpha = alpha;
    call.flags = flags;
    fake::LayeredState* state = StateOf(window);
    if (state != nullptr && (state->exStyle & kWsExLayered)) {
        state->attributesSet = true;
        state->colorKey = colorKey;
        state->alpha = alpha;
        state->flags = flags;
        call.succeeded = true;
    }
    Record(call);
    return call.succeeded;
}

std::int32_t GetVersionExPlatformId() {
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
    LayeredState copy = *state;
    copy.exStyle = GetWindowLong(window, kGwlExStyle);
    return copy;
}

std::uint8_t EffectiveAlpha(WindowHandle window) {
    LayeredState* state = StateOf(window);
    if (state == nullptr || !(state->exStyle & kWsExLayered) || !state->attributesSet ||
        !(state->flags & kLwaAlpha)) {
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
