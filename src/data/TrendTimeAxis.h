#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The trend's time axis: tick places at round clock times and their labels,
// in local time. A run that crosses midnight gets the date in its labels.

// True when the stamps do not all fall on one local date.
bool CrossesMidnight(std::span<const std::int64_t> stamps);

// "23:59" (or "23:59:58" with seconds), "03/01 23:59" with the date; a stamp
// that local time cannot represent gives "??:??".
std::string ClockLabel(std::int64_t stamp, bool withDate, bool withSeconds);

struct TimeTick {
    std::int64_t stamp;
    std::string label;
};
// At most about maxTicks ticks within first..last, on a step of 1, 2, 5, 10,
// 15, 30 s, 1, 2, 5, 10, 15, 30 min, 1, 2, 3, 6, 12 h or whole days, counted
// from local midnight. Seconds show only for steps below a minute.
std::vector<TimeTick> TimeTicks(std::int64_t first, std::int64_t last, int maxTicks, bool withDate);
