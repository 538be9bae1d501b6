#include "data/iso_date.h"

namespace candlewatcher {

namespace {

// The value of a run of decimal digits, or -1 when any character is not one.
int DigitsValue(std::string_view digits) {
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

void AppendPadded(std::string& text, int value, std::size_t width) {
    const std::string digits = std::to_string(value);
    text.append(digits.size() < width ? width - digits.size() : 0, '0');
    text += digits;
}

} // namespace

std::optional<CalendarDate> ReadIsoDateFields(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    const int year = DigitsValue(text.substr(0, 4));
    const int month = DigitsValue(text.substr(5, 2));
    const int day = DigitsValue(text.substr(8, 2));
    if (year < 0 || month < 0 || day < 0)
        return std::nullopt;
    return CalendarDate{day, month, year};
}

std::optional<CalendarDate> ReadIsoDate(std::string_view text, int firstYear) {
    const std::optional<CalendarDate> date = ReadIsoDateFields(text);
    if (!date || date->Year < firstYear || date->Month < 1 || date->Month > 12 || date->Day < 1 ||
        date->Day > DaysInMonth(date->Month, date->Year))
        return std::nullopt;
    return date;
}

std::string IsoDateText(const CalendarDate& date) {
    std::string text;
    AppendPadded(text, date.Year, 4);
    text += '-';
    AppendPadded(text, date.Month, 2);
    text += '-';
    AppendPadded(text, date.Day, 2);
    return text;
}

} // namespace candlewatcher
