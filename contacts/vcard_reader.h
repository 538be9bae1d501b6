#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace candlewatcher {

// The birthday of a card (its first BDAY) as written, for PlanImport to judge.
struct VCardBirthday {
    std::string Value;              // unescaped, blanks around it removed: "1990-07-15", "--0715", ...
    std::string ValueType;          // the VALUE parameter ("date", "text", ...); empty when not given
    std::string CalendarScale;      // the CALSCALE parameter; empty when not given (the Gregorian calendar)
    std::optional<int> OmittedYear; // X-APPLE-OMIT-YEAR: a year that, as the birthday's year, means "no year"
    bool operator==(const VCardBirthday&) const = default;
};

// What one vCard (BEGIN:VCARD to END:VCARD) says about a person's name and birthday.
struct VCardContact {
    // The first non-empty FN; without one, "Given Family" from the first non-empty N. UTF-8 on one line:
    // each run of control characters (line breaks and escape sequences too) becomes one blank, blanks at
    // either end are removed. Empty when the card has no name that can be read.
    std::string Name;
    // When Name is empty because the only name given is in this character set, which cannot be read.
    std::string UnreadableNameCharset;
    std::optional<VCardBirthday> Birthday;
    // The bytes the card takes in the file, from its BEGIN line to its END line (or where it stops).
    std::size_t CardBytes = 0;
    bool operator==(const VCardContact&) const = default;
};

// Every card in the bytes of a vCard file (versions 2.1, 3.0 and 4.0), in file order. Never fails: lines
// outside a card and lines that are not properties are passed over. A card whose END:VCARD is missing (the
// file stops, or the next BEGIN:VCARD comes first) is taken with what was read of it, as a truncated
// export still holds whole names and birthdays of its last card.
std::vector<VCardContact> ReadVCards(std::string_view bytes);

} // namespace candlewatcher
