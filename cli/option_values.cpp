#include "cli/option_values.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <string>

namespace candlewatcher {

namespace {

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int Number(std::string_view digits) {
    int value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
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
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !AllDigits(text.substr(0, 4)) ||
        !AllDigits(text.substr(5, 2)) || !AllDigits(text.substr(8, 2))) {
        return std::nullopt;
    }
    const CalendarDate date{Number(text.substr(8, 2)), Number(text.substr(5, 2)), Number(text.substr(0, 4))};
    if (date.Year < 100 || date.Month < 1 || date.Month > 12 || date.Day < 1 ||
        date.Day > DaysInMonth(date.Month, date.Year)) {
        return std::nullopt;
    }
    return date;
}

} // namespace candlewatcher
