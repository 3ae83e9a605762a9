// The frames' own region blocks (resources/regions/*.rgn) as the tests and benchmarks read
// them. Plain C++ (no test framework).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace jellop_test {

// The bytes of every .rgn file in `folder`, in file name order; none when there is none.
std::vector<std::vector<std::byte>> FrameRegionBlocks(const std::string& folder);

} // namespace jellop_test
