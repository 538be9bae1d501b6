#pragma once

#include "data/birthday_file.h"
#include "data/date_helpers.h"

#include <cstdint>
#include <optional>
#include <string>

namespace candlewatcher {

// What a calendar needs to know of one birthday, before it is written in any calendar format.
struct BirthdayEvent {
    // The date of birth when the record's year makes one with its day and month, else the day and month in
    // kYearUnknown: the first day the event recurs on. It always has a next day, where the event ends.
    CalendarDate Start;
    // Born on 29 February: the event falls on the last day of February, so that common years have it too.
    bool LastDayOfFebruary = false;
    // "Ann Lee's birthday (born 1990)": UTF-8 as the windows show the name, control characters as blanks.
    std::string Summary;
    // A hash of the four fields: the same for the same fields, whatever else the file holds, and another
    // one for any change of a field. The event's UID is made of it (EventUid).
    std::uint64_t Fingerprint = 0;
};

// A leap year, so that a 29 February birthday with an unknown year has a first day to start from.
constexpr int kYearUnknown = 2000;

// The event of a record whose day and month, read as the scan reads them, form a date of the calendar
// (29 February included); nothing for a record that no day of any year can match.
std::optional<BirthdayEvent> EventOf(const BirthdayRecord& record);

// The UID of the nth event (from 1) of a calendar with this fingerprint: "<16 hex digits>@candlewatcher" for
// the first, with "-2", "-3" ... before the "@" for a record that the file holds more than once.
std::string EventUid(std::uint64_t fingerprint, int occurrence);

} // namespace candlewatcher
