#pragma once

#include <optional>
#include <string_view>

namespace candlewatcher {

// One content line of a vCard, "[group.]NAME[;PARAM...]:VALUE", split into its parts. The views point into
// the line.
struct VCardProperty {
    std::string_view Name;       // without its group ("item1.BDAY" gives "BDAY"), as written
    std::string_view Parameters; // the text between the name and the colon, without the first ';'
    std::string_view Value;      // everything after the colon, escapes and encodings not yet resolved
};

// nullopt for a line with no colon after its name and parameters (a colon inside a quoted parameter value
// does not count), or with no name.
std::optional<VCardProperty> SplitProperty(std::string_view line);

// The name of the property a line starts with, without its group, so a reader can tell early whether it
// cares about the line; empty when the line starts with no name.
std::string_view PropertyName(std::string_view line);

// The parameters this program reads, found case-insensitively. vCard 2.1 writes some as a bare value
// ("QUOTED-PRINTABLE"), later versions as NAME=VALUE; both are understood. Quotes around a value are removed.
struct VCardParameters {
    bool QuotedPrintable = false;
    std::string_view Charset;
    std::string_view ValueType;     // VALUE=, e.g. "text" or "date"
    std::string_view CalendarScale; // CALSCALE=
    std::string_view OmitYear;      // X-APPLE-OMIT-YEAR=: the year that stands for "no year"
};
VCardParameters ReadParameters(std::string_view parameters);

} // namespace candlewatcher
