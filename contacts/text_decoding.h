#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace candlewatcher {

// Equal but for the case of ASCII letters, as vCard compares names of properties, parameters and sets.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// The bytes a quoted-printable text stands for: "=XX" is the byte with the hexadecimal value XX; an "=" that
// starts no such pair is kept as it is. Soft line breaks are joined before this, where lines are read.
std::string DecodeQuotedPrintable(std::string_view text);

// Bytes in the named character set as UTF-8. Without a set, or with UTF-8 or US-ASCII named, bytes that are
// not valid UTF-8 are taken for Windows-1252, the usual code page of the writers that leave the set out.
// nullopt when the set is one the system cannot convert (or the bytes are not valid in it) and the bytes
// are not valid UTF-8 either.
std::optional<std::string> DecodeCharset(std::string_view bytes, std::string_view charset);

// The parts of a vCard value between its unescaped separators (';' between components, ',' between the
// values of one component), escapes left in.
std::vector<std::string_view> SplitUnescaped(std::string_view value, char separator);

// A value with its escapes resolved: "\," "\;" "\:" and "\\" stand for the character, "\n" and "\N" for a
// line feed. A backslash before anything else is kept.
std::string Unescape(std::string_view value);

} // namespace candlewatcher
