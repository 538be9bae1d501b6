#pragma once

#include "data/date_helpers.h"

#include <optional>
#include <string>
#include <string_view>

namespace candlewatcher {

// The fields of a "YYYY-MM-DD" text: exactly four, two and two decimal digits between two hyphens, nothing
// before or after. Whether they name a day of the calendar is left to the caller, which may read an
// impossible day as something other than a malformed text.
std::optional<CalendarDate> ReadIsoDateFields(std::string_view text);

// A "YYYY-MM-DD" text that names a day of the calendar in the years firstYear to 9999.
std::optional<CalendarDate> ReadIsoDate(std::string_view text, int firstYear);

// The day as "YYYY-MM-DD", the year with leading zeros to four digits.
std::string IsoDateText(const CalendarDate& date);

} // namespace candlewatcher
