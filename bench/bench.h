// What the benchmark files share: the names of the runs that the ratio table compares.
#pragma once

#include <map>
#include <string>

namespace bench {

// CPU time per iteration in nanoseconds, by benchmark name, filled in as the runs finish.
std::map<std::string, double>& Timings();

// A check a benchmark makes on its results (same bytes as the baseline); all must hold.
void Check(const std::string& what, bool holds);

} // namespace bench
