#include "cli/option_values.h"

#include "data/iso_date.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace candlewatcher {

namespace {

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

std::optional<double> ParseDays(std::string_view text) {
    if (!AllDigits(text)) {
        return std::nullopt;
    }
    // However many digits: the scan looks no further than its own limit.
    return std::strtod(std::string(text).c_str(), nullptr);
}

std::optional<CalendarDate> ParseDate(std::string_view text) {
    return ReadIsoDate(text, 100);
}

} // namespace candlewatcher
