// The machine's local date and time, as the host runtime's Now and Date give them.
#pragma once

#include "kavro/host_datetime.hpp"

namespace kavro {

// Now: the local date and time, to the millisecond.
HostDateTime localNow() noexcept;

struct LocalDate {
    int year = 1899, month = 12, day = 30;
};

// Date: today's local date.
LocalDate localToday() noexcept;

}  // namespace kavro
