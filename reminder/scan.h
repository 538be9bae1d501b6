#pragma once

#include "data/birthday_file.h"
#include "data/date_helpers.h"

#include <string>
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

} // namespace candlewatcher
