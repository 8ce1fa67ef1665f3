#include "data/TrendTimeAxis.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "data/MeasurementDataSet.h"

namespace {
// Seconds east of UTC at stamp, 0 when local time cannot represent it: the
// local clock's reading taken as if it were UTC, less the stamp (every system
// has the broken-down time; not all of them its offset).
long LocalOffset(std::int64_t stamp) {
    std::tm t{};
    if (!LocalTimeOf(stamp, t))
        return 0;
    using namespace std::chrono;
    const sys_days day{year{t.tm_year + 1900} / month(unsigned(t.tm_mon + 1)) /
                       unsigned(t.tm_mday)};
    const long long asUtc =
        day.time_since_epoch().count() * 86400LL + t.tm_hour * 3600LL + t.tm_min * 60LL + t.tm_sec;
    return long(asUtc - stamp);
}

long long FloorDiv(long long a, long long b) {
    const long long q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}
}  // namespace

bool CrossesMidnight(std::span<const std::int64_t> stamps) {
    bool first = true;
    int year = 0, yday = 0;
    for (std::int64_t s : stamps) {
        std::tm t{};
        if (!LocalTimeOf(s, t))
            continue;
        if (first) {
            year = t.tm_year;
            yday = t.tm_yday;
            first = false;
        } else if (t.tm_year != year || t.tm_yday != yday) {
            return true;
        }
    }
    return false;
}

std::string ClockLabel(std::int64_t stamp, bool withDate, bool withSeconds) {
    std::tm t{};
    if (!LocalTimeOf(stamp, t))
        return withSeconds ? "??:??:??" : "??:??";
    char text[32];
    int n = 0;
    if (withDate)
        n = std::snprintf(text, sizeof text, "%02d/%02d ", t.tm_mon + 1, t.tm_mday);
    if (withSeconds)
        std::snprintf(text + n, sizeof text - n, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
    else
        std::snprintf(text + n, sizeof text - n, "%02d:%02d", t.tm_hour, t.tm_min);
    return text;
}

std::vector<TimeTick> TimeTicks(std::int64_t first, std::int64_t last, int maxTicks,
                                bool withDate) {
    static constexpr std::array<long long, 17> kSteps{
        1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200};
    std::vector<TimeTick> ticks;
    if (last < first || maxTicks < 1)
        return ticks;
    const long long span = last - first;
    long long step = 0;
    for (long long s : kSteps) {
        if (span / s < maxTicks) {
            step = s;
            break;
        }
    }
    if (step == 0) {
        const long long days = span / 86400 / maxTicks + 1;
        step = days * 86400;
    }
    // Round clock times: count in local seconds so that ticks fall on local midnight.
    const long offset = LocalOffset(first);
    long long local = FloorDiv(first + offset, step) * step;
    if (local < first + offset)
        local += step;
    for (; local <= last + offset; local += step)
        ticks.push_back({local - offset, ClockLabel(local - offset, withDate, step < 60)});
    return ticks;
}
