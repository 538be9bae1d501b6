#pragma once

#include <compare>
#include <optional>

namespace candlewatcher {

// A day of the Gregorian calendar between 1 January 100 and 31 December 9999.
struct CalendarDate {
    int Day;
    int Month;
    int Year;
    auto operator<=>(const CalendarDate&) const = default;
};

bool IsLeapYear(int year);
int DaysInMonth(int month, int year);

// Days since 1 January 1970 of a day of the Gregorian calendar (negative before it).
long long DaysSinceEpoch(const CalendarDate& date);
std::optional<CalendarDate> NextDay(int day, int month, int year); // nullopt after 31 December 9999
CalendarDate Today();                                              // local date

} // namespace candlewatcher
