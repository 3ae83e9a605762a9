#include "platform/time_of_day.h"

#include "platform/app.h"
#include "platform/fake/fake_time_of_day.h"

namespace platform {
namespace {

std::optional<double>& FixedTime() {
    static std::optional<double> seconds;
    return seconds;
}

} // namespace

double SecondsSinceMidnight() {
    if (FixedTime()) {
        return *FixedTime();
    }
    return (TickCount() % 86'400'000u) / 1000.0;
}

namespace fake {

void SetTimeOfDay(std::optional<double> seconds) {
    FixedTime() = seconds;
}

} // namespace fake
} // namespace platform
