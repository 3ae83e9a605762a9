// The local time of day.
#pragma once

namespace platform {

// Seconds since local midnight, including the fraction of the current second (0 to 86399.999).
double SecondsSinceMidnight();

} // namespace platform
