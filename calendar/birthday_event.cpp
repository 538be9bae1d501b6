#include "calendar/birthday_event.h"

#include "data/display_text.h"
#include "data/field_numbers.h"
#include "data/hex_digits.h"
#include "data/translation.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

namespace candlewatcher {

namespace {

// The last birth year taken as known: the next day of every date in it is still in the calendar.
constexpr int kLastYear = 9998;

// FNV-1a over the four fields, each closed by a line feed: no field holds one, so the bytes hashed tell
// the fields apart ("1","12" and "11","2" differ).
std::uint64_t RecordHash(const BirthdayRecord& record) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const std::string* field : {&record.Day, &record.Month, &record.Year, &record.Name}) {
        for (const char c : *field) {
            hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
        }
        hash = (hash ^ '\n') * 0x100000001b3ULL;
    }
    return hash;
}

// The birth year, when the record's year is a whole number that makes a date with its day and month.
std::optional<int> BirthYear(const BirthdayRecord& record, int day, int month) {
    const double year = TextValue(record.Year);
    if (year >= 1 && year <= kLastYear && year == std::floor(year) &&
        day <= DaysInMonth(month, static_cast<int>(year))) {
        return static_cast<int>(year);
    }
    return std::nullopt;
}

// Calendar texts allow no control characters but the tab, which libical would write as an escape that
// RFC 5545 does not define; the dialogs make blanks of line breaks, and so does this.
std::string SummaryOf(const BirthdayRecord& record, std::optional<int> birthYear) {
    std::string name = DisplayUtf8(record.Name);
    for (char& c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = ' ';
        }
    }
    // The event's title, read in the user's calendar: a whole text for each case.
    const std::string year = birthYear ? std::to_string(*birthYear) : std::string();
    if (name.empty() && !birthYear) {
        // TRANSLATORS: the title of a calendar event of someone without a name.
        return Tr("Birthday");
    }
    if (name.empty()) {
        // TRANSLATORS: the title of a calendar event of someone without a name; %1 is the year of birth.
        return FillIn(Tr("Birthday (born %1)"), {year});
    }
    if (!birthYear) {
        // TRANSLATORS: the title of a calendar event; %1 is the person's name.
        return FillIn(Tr("%1's birthday"), {name});
    }
    // TRANSLATORS: the title of a calendar event; %1 is the person's name, %2 the year of birth.
    return FillIn(Tr("%1's birthday (born %2)"), {name, year});
}

} // namespace

std::optional<BirthdayEvent> EventOf(const BirthdayRecord& record) {
    const int day = CalendarPart(record.Day, 31);
    const int month = CalendarPart(record.Month, 12);
    if (day == 0 || month == 0 || day > DaysInMonth(month, kYearUnknown)) {
        return std::nullopt;
    }
    const std::optional<int> birthYear = BirthYear(record, day, month);
    BirthdayEvent event;
    event.Start = CalendarDate{day, month, birthYear.value_or(kYearUnknown)};
    event.LastDayOfFebruary = day == 29 && month == 2;
    event.Summary = SummaryOf(record, birthYear);
    event.Fingerprint = RecordHash(record);
    return event;
}

std::string EventUid(std::uint64_t fingerprint, int occurrence) {
    std::string uid;
    AppendHex(uid, fingerprint, 16, HexLetters::Lower);
    if (occurrence > 1) {
        uid += "-" + std::to_string(occurrence);
    }
    return uid + "@candlewatcher";
}

} // namespace candlewatcher
