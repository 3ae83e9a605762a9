// The backend contract suite's user on the fake platform: the menu choice and the drag are
// scripted on the virtual clock.
#include "contract/user.h"

#include "fake_platform_reset.h"
#include "platform/window.h"

namespace contract_user {

void Reset() {
    testing_support::ResetFakePlatform();
}

void ChooseMenuItem(std::uint32_t afterMs, std::size_t position) {
    platform::fake::ScriptMenuChoiceAt(afterMs, position);
}

void DismissMenu(std::uint32_t afterMs) {
    platform::fake::ScriptMenuChoice(afterMs, std::nullopt);
}

void DragWindowBy(platform::WindowHandle window, std::uint32_t afterMs, std::int32_t dx,
                  std::int32_t dy) {
    platform::PixelRect rect = platform::GetWindowRect(window);
    platform::fake::SetCursorPos(rect.left + 5, rect.top + 5);
    platform::fake::ScriptDrag({{afterMs, rect.left + 5 + dx, rect.top + 5 + dy}});
}

std::uint32_t TimerSlackMs() {
    return 0;
}

} // namespace contract_user
