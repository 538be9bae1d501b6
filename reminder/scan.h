#pragma once

#include "data/birthday_file.h"
#include "data/date_helpers.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace candlewatcher {

enum class ReminderKind { Today, Upcoming };
struct ReminderRow {
    std::string Text;
    ReminderKind Kind;
    bool operator==(const ReminderRow&) const = default;
};
struct ScanResult {
    std::vector<ReminderRow> Rows;
    bool FileFound = false;
};

// Today's birthdays in file order, then (when warn is exactly 1) those of the following days, nearest first.
ScanResult ScanBirthdays(const CalendarDate& today, double warn, double warnDays, bool fileFound,
                         const std::vector<BirthdayRecord>& records);

// A row with the name of the record it comes from: whom the row is about. Today's rows for the notice of
// the day; the rows of a later day for the notice given days before.
struct TodayBirthday {
    std::string Name;
    std::string Text;
    bool operator==(const TodayBirthday&) const = default;
};

// The first rows of a scan, as many as a display holds, and how many rows the scan found in all.
struct ScanHead {
    ScanResult Head;
    std::size_t TotalRows = 0;
};

// The same scan over the records held in the bytes of a birthday file, read in place (as ReadBirthdays would
// read them), keeping the first rowLimit rows: the reminder's refresh, which shows a few rows of what may
// be a large file and a long look-ahead.
ScanHead ScanBirthdayFileBytes(const CalendarDate& today, double warn, double warnDays, bool fileFound,
                               std::string_view fileBytes, std::size_t rowLimit);

// The same over records already read: birthday.dat's together with those the address books add.
ScanHead ScanBirthdayRecords(const CalendarDate& today, double warn, double warnDays,
                             const std::vector<BirthdayRecord>& records, std::size_t rowLimit);

// For each number of days in daysAhead, the rows of the birthdays that fall that many days after today
// (today's own for 0), each as the panel writes it (an upcoming row with its day and month), in file
// order: one pass over the records for all of them. None for a day beyond 31 December 9999.
std::vector<std::vector<TodayBirthday>>
BirthdaysInDays(const CalendarDate& today, const std::vector<int>& daysAhead, std::string_view fileBytes);

} // namespace candlewatcher
