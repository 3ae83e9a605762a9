#include "platform/x11/session.h" // first: see there

#include "platform/time_of_day.h"

#include <sys/time.h>

#include <ctime>

namespace platform {

double SecondsSinceMidnight() {
    timeval now{};
    gettimeofday(&now, nullptr);
    std::tm local{};
    time_t seconds = now.tv_sec;
    localtime_r(&seconds, &local);
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + now.tv_usec / 1e6;
}

} // namespace platform
