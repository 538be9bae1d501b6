#pragma once

#include "data/date_helpers.h"

#include <optional>
#include <string_view>

namespace candlewatcher {

// The value of --days: a whole number, 0 or more, in plain digits; nothing for any other text.
std::optional<double> ParseDays(std::string_view text);

// The value of --date: YYYY-MM-DD naming a day between 1 January 100 and 31 December 9999.
std::optional<CalendarDate> ParseDate(std::string_view text);

} // namespace candlewatcher
