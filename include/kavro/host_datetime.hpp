// The host's date-time value: days since 30 December 1899 (day 0), the time of day as the
// fraction; before day 0 the whole part counts days back and the fraction, taken without its
// sign, is still the time of day (-1.25 is 29 December 1899, 06:00). Values are local time.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "kavro/record_set.hpp"

namespace kavro {

struct CivilDateTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

HostDateTime toHostDateTime(const CivilDateTime& civil) noexcept;
// Rounded to the millisecond.
CivilDateTime toCivil(HostDateTime value) noexcept;

// "YYYY-MM-DD HH:MM:SS.SSS", the text SQLite's date and time functions read.
std::string toIsoText(HostDateTime value);
// Reads "YYYY-MM-DD", "YYYY-MM-DD HH:MM", "YYYY-MM-DD HH:MM:SS" and "... .SSS" (a "T" may
// stand for the space); empty when the text is no such date and time.
std::optional<HostDateTime> fromIsoText(std::string_view text);

// Whole days between 30 December 1899 and a civil date (negative before it).
long long hostDayNumber(int year, int month, int day) noexcept;

}  // namespace kavro
