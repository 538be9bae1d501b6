#include "data/date_helpers.h"

#include <cstdint>
#include <ctime>

namespace candlewatcher {

namespace {

constexpr int kFirstYear = 100;
constexpr int kLastYear = 9999;

// Days since 1 January 1970 of a Gregorian date (proleptic), and back; valid far beyond the years we use.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(std::int64_t days, std::int64_t& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = yearOfEra + era * 400 + (month <= 2);
}

} // namespace

long long DaysSinceEpoch(const CalendarDate& date) {
    return DaysFromCivil(date.Year, date.Month, date.Day);
}

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int month, int year) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Normalises like a date built from year, month and day + 1: a day or month beyond its range carries into
// the next month or year (and one below it borrows), so only a result outside 100..9999 has no date.
std::optional<CalendarDate> NextDay(int day, int month, int year) {
    // The scan's walk passes real dates only: those step on without the general arithmetic below.
    if (month >= 1 && month <= 12 && year >= kFirstYear && year <= kLastYear && day >= 1) {
        const int lastDay = DaysInMonth(month, year);
        if (day < lastDay)
            return CalendarDate{day + 1, month, year};
        if (day == lastDay && month < 12)
            return CalendarDate{1, month + 1, year};
        if (day == lastDay)
            return year < kLastYear ? std::optional<CalendarDate>(CalendarDate{1, 1, year + 1})
                                    : std::nullopt;
    }
    std::int64_t monthIndex = static_cast<std::int64_t>(year) * 12 + (static_cast<std::int64_t>(month) - 1);
    std::int64_t normalYear = monthIndex >= 0 ? monthIndex / 12 : (monthIndex - 11) / 12;
    int normalMonth = static_cast<int>(monthIndex - normalYear * 12) + 1;
    std::int64_t days = DaysFromCivil(normalYear, normalMonth, 1) + static_cast<std::int64_t>(day);
    std::int64_t resultYear;
    CalendarDate result{};
    CivilFromDays(days, resultYear, result.Month, result.Day);
    if (resultYear < kFirstYear || resultYear > kLastYear)
        return std::nullopt;
    result.Year = static_cast<int>(resultYear);
    return result;
}

CalendarDate Today() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return CalendarDate{local.tm_mday, local.tm_mon + 1, local.tm_year + 1900};
}

} // namespace candlewatcher
