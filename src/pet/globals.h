// The pet's globals shared by its windows.
#pragma once

#include <cstdint>

namespace pet {

// 16-bit booleans: true is -1, false 0; any non-zero value counts as true.
inline constexpr std::int16_t kTrue = -1;
inline constexpr std::int16_t kFalse = 0;

// Whether the movement and death sounds may start. Set true at start-up; from then on it
// always equals the check mark of the menu's "&Sounds" item, the one place the user changes
// it. Read by the walk and death ticks before they start a sound.
extern std::int16_t SoundsEnabled;

} // namespace pet
