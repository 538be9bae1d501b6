#pragma once

#include "data/birthday_file.h"

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

namespace candlewatcher {

struct CalendarExport {
    // An iCalendar stream (RFC 5545): UTF-8, lines ended by CR LF and folded at 75 bytes.
    std::string Text;
    // The records left out: their day and month form no date of the calendar.
    std::size_t LeftOut = 0;
};

// A calendar of yearly all-day events, one per record that has a date, in file order (see EventOf), each
// free time (TRANSP:TRANSPARENT), stamped with the given moment (DTSTAMP, seconds since the epoch). A UID
// stays the same from one export to the next while its record is unchanged; a record found twice in the
// file gets a second UID of its own, so no two events of one calendar share one.
CalendarExport ExportCalendar(const std::vector<BirthdayRecord>& records, std::time_t stamp);

} // namespace candlewatcher
