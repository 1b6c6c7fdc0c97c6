// The local clock on Windows: GetLocalTime, to the millisecond.
#include <windows.h>

#include "kavro/local_clock.hpp"

namespace kavro {

HostDateTime localNow() noexcept {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    CivilDateTime c;
    c.year = now.wYear;
    c.month = now.wMonth;
    c.day = now.wDay;
    c.hour = now.wHour;
    c.minute = now.wMinute;
    c.second = now.wSecond;
    c.millisecond = now.wMilliseconds;
    return toHostDateTime(c);
}

LocalDate localToday() noexcept {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return LocalDate{now.wYear, now.wMonth, now.wDay};
}

}  // namespace kavro
