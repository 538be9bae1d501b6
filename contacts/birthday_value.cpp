#include "contacts/birthday_value.h"

#include "contacts/text_decoding.h"
#include "data/date_helpers.h"
#include "data/iso_date.h"
#include "data/translation.h"

#include <algorithm>

namespace candlewatcher {

namespace {

// The number the digits spell, or -1 when the text is empty or holds anything but digits.
int DigitsValue(std::string_view text) {
    if (text.empty() || text.size() > 4)
        return -1;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

BirthDateReading Problem(std::string text) {
    return BirthDateReading{std::nullopt, std::move(text)};
}

// The problem with the value quoted when it is short, plain text; otherwise without it, so that no binary
// junk reaches a message box. Both texts are marked where they are written.
BirthDateReading Problem(const char* withValue, const char* withoutValue, std::string_view value) {
    const bool plain = value.size() <= 40 &&
                       std::all_of(value.begin(), value.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
    return Problem(plain ? FillIn(Tr(withValue), {value}) : std::string(Tr(withoutValue)));
}

} // namespace

BirthDateReading ReadBirthDate(const VCardBirthday& birthday) {
    const std::string_view value = birthday.Value;
    if (EqualsIgnoringCase(birthday.ValueType, "text"))
        // TRANSLATORS: %1 is the birthday as the card writes it.
        return Problem(TrNoop("the birthday is a text, not a date: \"%1\""),
                       TrNoop("the birthday is a text, not a date:"), value);
    if (!birthday.CalendarScale.empty() && !EqualsIgnoringCase(birthday.CalendarScale, "gregorian"))
        // TRANSLATORS: %1 is the calendar the card names, as it names it (e.g. "chinese").
        return Problem(FillIn(Tr("the birthday is in another calendar (%1)"), {birthday.CalendarScale}));

    const std::string_view date = value.substr(0, value.find_first_of("Tt"));
    int year = -1, month = -1, day = -1;
    if (date.size() == 8) { // 19900715
        year = DigitsValue(date.substr(0, 4));
        month = DigitsValue(date.substr(4, 2));
        day = DigitsValue(date.substr(6, 2));
    } else if (date.size() == 10 && date[4] == '-' && date[7] == '-') { // 1990-07-15
        if (const std::optional<CalendarDate> fields = ReadIsoDateFields(date)) {
            year = fields->Year;
            month = fields->Month;
            day = fields->Day;
        }
    } else if (date.size() == 6 && date.substr(0, 2) == "--" && date[2] != '-') { // --0715
        year = 0;
        month = DigitsValue(date.substr(2, 2));
        day = DigitsValue(date.substr(4, 2));
    } else if (date.size() == 7 && date.substr(0, 2) == "--" && date[4] == '-') { // --07-15
        year = 0;
        month = DigitsValue(date.substr(2, 2));
        day = DigitsValue(date.substr(5, 2));
    } else if (date.substr(0, 3) == "---" || (date.size() == 4 && DigitsValue(date) >= 0) ||
               (date.size() == 7 && date[4] == '-') || (date.size() == 4 && date.substr(0, 2) == "--")) {
        // ---15 (a day alone), 1990, 1990-07, --07: a birthday needs a day and a month.
        // TRANSLATORS: %1 is the birthday as the card writes it, e.g. "1990-07".
        return Problem(TrNoop("the birthday lacks its day or its month: \"%1\""),
                       TrNoop("the birthday lacks its day or its month:"), value);
    }
    if (year < 0 || month < 0 || day < 0)
        // TRANSLATORS: %1 is the birthday as the card writes it.
        return Problem(TrNoop("the birthday is not a date: \"%1\""), TrNoop("the birthday is not a date:"),
                       value);
    // Years before 100 lie outside the calendar the program works in; address books that know no year write
    // 0000 or 0001 as a placeholder, as Apple's write the year X-APPLE-OMIT-YEAR names.
    if (year < 100 || (birthday.OmittedYear && year == *birthday.OmittedYear))
        year = 0;
    // Without a year every day of the month counts, so the leap year 2000 stands in.
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(month, year == 0 ? 2000 : year))
        // TRANSLATORS: %1 is the birthday as the card writes it, e.g. "1990-02-30".
        return Problem(TrNoop("the birthday is not a real day: \"%1\""),
                       TrNoop("the birthday is not a real day:"), value);
    return BirthDateReading{BirthDate{day, month, year}, {}};
}

} // namespace candlewatcher
