// Test controls of the fake backend's single-instance names: the names are machine-wide, so
// a test plays a second copy of the program by holding a claim of its own first.
#pragma once

#include <string>

namespace platform::fake {

// How many claims of `name` exist now.
int InstanceClaimCount(const std::string& name);

} // namespace platform::fake
