#pragma once

#include "contacts/vcard_reader.h"

#include <optional>
#include <string>

namespace candlewatcher {

// A date of birth as a record stores it; Year is 0 when the card gives none.
struct BirthDate {
    int Day = 0;
    int Month = 0;
    int Year = 0;
    bool operator==(const BirthDate&) const = default;
};

// Either the date a card's birthday stands for, or why it stands for none (said for a user to read).
struct BirthDateReading {
    std::optional<BirthDate> Date;
    std::string Problem;
};

// Reads "19900715", "1990-07-15" and the forms without a year, "--0715" and "--07-15", each perhaps followed
// by a time ("T..."), which is ignored. A year before 100 (0000 and 0001 are placeholders some address
// books write), and the year X-APPLE-OMIT-YEAR names, mean no year.
// A text value, another calendar, a date without day or month, and a day the calendar does not have
// (30 February; 29 February of a common year, though 29 February without a year is a date) are problems.
BirthDateReading ReadBirthDate(const VCardBirthday& birthday);

} // namespace candlewatcher
