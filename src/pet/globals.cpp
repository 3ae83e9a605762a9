#include "pet/globals.h"

namespace pet {

std::int16_t SoundsEnabled = kFalse;

} // namespace pet
