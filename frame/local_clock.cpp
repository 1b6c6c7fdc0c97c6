#include "kavro/local_clock.hpp"

#include <time.h>

namespace kavro {
namespace {

struct LocalMoment {
    struct tm fields {};
    long nanoseconds = 0;
};

LocalMoment localMoment() noexcept {
    LocalMoment moment;
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    localtime_r(&now.tv_sec, &moment.fields);
    moment.nanoseconds = now.tv_nsec;
    return moment;
}

}  // namespace

HostDateTime localNow() noexcept {
    const LocalMoment m = localMoment();
    CivilDateTime c;
    c.year = m.fields.tm_year + 1900;
    c.month = m.fields.tm_mon + 1;
    c.day = m.fields.tm_mday;
    c.hour = m.fields.tm_hour;
    c.minute = m.fields.tm_min;
    c.second = m.fields.tm_sec > 59 ? 59 : m.fields.tm_sec;  // a leap second stays in its minute
    c.millisecond = static_cast<int>(m.nanoseconds / 1'000'000);
    return toHostDateTime(c);
}

LocalDate localToday() noexcept {
    const LocalMoment m = localMoment();
    return LocalDate{m.fields.tm_year + 1900, m.fields.tm_mon + 1, m.fields.tm_mday};
}

}  // namespace kavro
