#include "data/date_helpers.h"

#include <gtest/gtest.h>

#include <climits>

namespace candlewatcher {
namespace {

struct NextDayCase {
    CalendarDate From;
    CalendarDate To;
};

class NextDayTest : public ::testing::TestWithParam<NextDayCase> {};

TEST_P(NextDayTest, GivesTheFollowingDay) {
    const NextDayCase& c = GetParam();
    std::optional<CalendarDate> next = NextDay(c.From.Day, c.From.Month, c.From.Year);
    ASSERT_TRUE(next.has_value()) << c.From.Day << "." << c.From.Month << "." << c.From.Year;
    EXPECT_EQ(*next, c.To) << "after " << c.From.Day << "." << c.From.Month << "." << c.From.Year << " came "
                           << next->Day << "." << next->Month << "." << next->Year;
}

INSTANTIATE_TEST_SUITE_P(
    Calendar, NextDayTest,
    ::testing::Values(NextDayCase{{14, 6, 2026}, {15, 6, 2026}}, NextDayCase{{30, 4, 2026}, {1, 5, 2026}},
                      NextDayCase{{31, 1, 2026}, {1, 2, 2026}}, NextDayCase{{28, 2, 2027}, {1, 3, 2027}},
                      NextDayCase{{28, 2, 2028}, {29, 2, 2028}}, NextDayCase{{28, 2, 2024}, {29, 2, 2024}},
                      NextDayCase{{28, 2, 2000}, {29, 2, 2000}}, NextDayCase{{28, 2, 1900}, {1, 3, 1900}},
                      NextDayCase{{28, 2, 2100}, {1, 3, 2100}}, NextDayCase{{29, 2, 2028}, {1, 3, 2028}},
                      NextDayCase{{31, 12, 2026}, {1, 1, 2027}}, NextDayCase{{31, 12, 9998}, {1, 1, 9999}},
                      NextDayCase{{31, 12, 99}, {1, 1, 100}}, NextDayCase{{1, 1, 100}, {2, 1, 100}},
                      // Parts out of their range carry over as a date built from them would.
                      NextDayCase{{31, 4, 2026}, {2, 5, 2026}}, NextDayCase{{0, 3, 2026}, {1, 3, 2026}},
                      NextDayCase{{1, 13, 2026}, {2, 1, 2027}}, NextDayCase{{1, 0, 2026}, {2, 12, 2025}}));

TEST(NextDayRange, TheLastDayHasNoSuccessor) {
    EXPECT_FALSE(NextDay(31, 12, 9999).has_value());
    EXPECT_FALSE(NextDay(30, 11, 99).has_value());
    EXPECT_FALSE(NextDay(INT_MAX, INT_MAX, INT_MAX).has_value());
    EXPECT_FALSE(NextDay(INT_MIN, INT_MIN, INT_MIN).has_value());
}

// Every day of the range, walked one at a time, follows the month lengths and ends after 31 December 9999.
TEST(NextDayRange, WalksTheWholeCalendar) {
    CalendarDate date{1, 1, 100};
    long days = 1;
    for (std::optional<CalendarDate> next; (next = NextDay(date.Day, date.Month, date.Year)); date = *next) {
        bool sameMonth = next->Day == date.Day + 1 && next->Month == date.Month && next->Year == date.Year;
        bool newMonth = next->Day == 1 && date.Day == DaysInMonth(date.Month, date.Year) &&
                        (next->Month == date.Month + 1
                             ? next->Year == date.Year
                             : next->Month == 1 && date.Month == 12 && next->Year == date.Year + 1);
        ASSERT_TRUE(sameMonth || newMonth) << date.Day << "." << date.Month << "." << date.Year;
        ++days;
    }
    EXPECT_EQ(date, (CalendarDate{31, 12, 9999}));
    EXPECT_EQ(days, 3615900); // 9900 years of 365 days and 2400 leap days
}

TEST(Calendar, LeapYearsAndMonthLengths) {
    for (int year : {2000, 2024, 2028, 400, 1600})
        EXPECT_TRUE(IsLeapYear(year)) << year;
    for (int year : {1900, 2027, 2100, 2026, 100})
        EXPECT_FALSE(IsLeapYear(year)) << year;
    EXPECT_EQ(DaysInMonth(2, 2028), 29);
    EXPECT_EQ(DaysInMonth(2, 2100), 28);
    EXPECT_EQ(DaysInMonth(4, 2026), 30);
    EXPECT_EQ(DaysInMonth(12, 2026), 31);
    EXPECT_EQ(DaysInMonth(13, 2026), 0);
}

} // namespace
} // namespace candlewatcher
