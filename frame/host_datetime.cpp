#include "kavro/host_datetime.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace kavro {
namespace {

constexpr long long kMillisPerDay = 86'400'000;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
long long daysFromCivil(long long y, unsigned m, unsigned d) noexcept {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, int& year, int& month, int& day) noexcept {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (m <= 2));
    month = static_cast<int>(m);
    day = static_cast<int>(d);
}

constexpr long long kEpochOffset = 25569;  // days from 1899-12-30 to 1970-01-01

bool readDigits(std::string_view& text, std::size_t count, int& out) {
    if (text.size() < count) return false;
    for (std::size_t i = 0; i < count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    std::from_chars(text.data(), text.data() + count, out);
    text.remove_prefix(count);
    return true;
}

bool expect(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

}  // namespace

long long hostDayNumber(int year, int month, int day) noexcept {
    return daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
           kEpochOffset;
}

HostDateTime toHostDateTime(const CivilDateTime& c) noexcept {
    const long long day = hostDayNumber(c.year, c.month, c.day);
    const double time =
        static_cast<double>(((c.hour * 60LL + c.minute) * 60 + c.second) * 1000 + c.millisecond) /
        static_cast<double>(kMillisPerDay);
    return day >= 0 ? static_cast<double>(day) + time : static_cast<double>(day) - time;
}

CivilDateTime toCivil(HostDateTime value) noexcept {
    double whole = std::trunc(value);
    long long day = static_cast<long long>(whole);
    long long millis = std::llround(std::fabs(value - whole) * static_cast<double>(kMillisPerDay));
    if (millis >= kMillisPerDay) {  // rounding reached midnight of the next civil day
        millis -= kMillisPerDay;
        day += 1;
    }
    CivilDateTime c;
    civilFromDays(day - kEpochOffset, c.year, c.month, c.day);
    c.millisecond = static_cast<int>(millis % 1000);
    c.second = static_cast<int>(millis / 1000 % 60);
    c.minute = static_cast<int>(millis / 60000 % 60);
    c.hour = static_cast<int>(millis / 3600000);
    return c;
}

std::string toIsoText(HostDateTime value) {
    const CivilDateTime c = toCivil(value);
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d", c.year, c.month,
                  c.day, c.hour, c.minute, c.second, c.millisecond);
    return buffer;
}

std::optional<HostDateTime> fromIsoText(std::string_view text) {
    CivilDateTime c;
    if (!readDigits(text, 4, c.year) || !expect(text, '-') || !readDigits(text, 2, c.month) ||
        !expect(text, '-') || !readDigits(text, 2, c.day)) {
        return std::nullopt;
    }
    if (!text.empty()) {
        if (!(expect(text, ' ') || expect(text, 'T')) || !readDigits(text, 2, c.hour) ||
            !expect(text, ':') || !readDigits(text, 2, c.minute)) {
            return std::nullopt;
        }
        if (expect(text, ':') && !readDigits(text, 2, c.second)) return std::nullopt;
        if (expect(text, '.')) {
            int fraction = 0;
            const std::size_t digits = std::min<std::size_t>(text.size(), 3);
            if (digits == 0 || !readDigits(text, digits, fraction)) return std::nullopt;
            c.millisecond = fraction * (digits == 1 ? 100 : digits == 2 ? 10 : 1);
            while (!text.empty() && text.front() >= '0' && text.front() <= '9')
                text.remove_prefix(1);
        }
        if (!text.empty()) return std::nullopt;
    }
    static constexpr int kDaysInMonth[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (c.month < 1 || c.month > 12 || c.day < 1 || c.day > kDaysInMonth[c.month - 1] ||
        c.hour > 23 || c.minute > 59 || c.second > 59) {
        return std::nullopt;
    }
    const bool leap = (c.year % 4 == 0 && c.year % 100 != 0) || c.year % 400 == 0;
    if (c.month == 2 && c.day == 29 && !leap) return std::nullopt;
    return toHostDateTime(c);
}

}  // namespace kavro
