#include <gtest/gtest.h>

#include "kavro/ansi_string.hpp"
#include "kavro/host_datetime.hpp"

namespace kavro {
namespace {

TEST(AnsiString, EmptyIsTheNullHandle) {
    AnsiString empty;
    EXPECT_EQ(empty.handle(), nullptr);
    EXPECT_EQ(AnsiString("").handle(), nullptr);
    EXPECT_EQ(ansi::data(nullptr), std::string(""));
    EXPECT_EQ(ansi::length(nullptr), 0u);
}

TEST(AnsiString, CountsReferences) {
    kavro_string* raw = ansi::create("ab\0c", 4);  // bytes, zeros included
    EXPECT_EQ(ansi::refCount(raw), 1);
    {
        AnsiString shared = AnsiString::share(raw);
        EXPECT_EQ(ansi::refCount(raw), 2);
        AnsiString copy = shared;
        EXPECT_EQ(ansi::refCount(raw), 3);
        EXPECT_EQ(copy.view(), std::string_view("ab\0c", 4));
    }
    EXPECT_EQ(ansi::refCount(raw), 1);
    kavro_string* slot = nullptr;
    ansi::assign(&slot, raw);
    EXPECT_EQ(ansi::refCount(raw), 2);
    ansi::assign(&slot, nullptr);
    EXPECT_EQ(ansi::refCount(raw), 1);
    ansi::release(raw);
}

TEST(HostDateTime, DaysSince1899WithTimeAsFraction) {
    struct Case {
        double value;
        const char* text;
    } cases[] = {
        {0.0, "1899-12-30 00:00:00.000"},
        {2.75, "1900-01-01 18:00:00.000"},
        {38695.0, "2005-12-09 00:00:00.000"},
        {-1.25, "1899-12-29 06:00:00.000"},  // before day 0 the fraction is still the time
        {45000.999999999, "2023-03-16 00:00:00.000"},  // rounds up across midnight
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(toIsoText(c.value), c.text);
        const auto back = fromIsoText(c.text);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(toIsoText(*back), c.text);
    }
    EXPECT_EQ(hostDayNumber(2005, 12, 9), 38695);
}

TEST(HostDateTime, MillisecondRoundTrip) {
    const CivilDateTime moment{2026, 12, 9, 23, 59, 58, 999};
    const HostDateTime value = toHostDateTime(moment);
    const auto back = fromIsoText(toIsoText(value));
    ASSERT_TRUE(back);
    const CivilDateTime civil = toCivil(*back);
    EXPECT_EQ(civil.millisecond, 999);
    EXPECT_EQ(civil.second, 58);
    EXPECT_EQ(civil.day, 9);
}

TEST(HostDateTime, RejectsWhatIsNoDate) {
    for (const char* text : {"", "2005-13-01", "2005-02-30", "2005-02-29", "2005-1-01", "20051209",
                             "2005-12-09 24:00", "2005-12-09x"}) {
        EXPECT_FALSE(fromIsoText(text).has_value()) << text;
    }
    EXPECT_TRUE(fromIsoText("2004-02-29").has_value());
    EXPECT_TRUE(fromIsoText("2005-12-09T10:11:12.5").has_value());
}

}  // namespace
}  // namespace kavro
