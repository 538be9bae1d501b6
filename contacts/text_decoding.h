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

// Whether the set is one this program reads: UTF-8, US-ASCII, ISO-8859-1 to -16, Windows-1250 to -1258,
// KOI8-R, KOI8-U, Shift_JIS, EUC-JP, ISO-2022-JP, GB2312, GBK, GB18030, Big5, EUC-KR and UTF-16 (LE, BE),
// under their usual names and spellings (case, "-" and "_" do not matter; "CP1252", "LATIN1", "SJIS").
bool IsKnownCharset(std::string_view charset);

// Bytes in the named character set as UTF-8. Without a set, or with UTF-8 or US-ASCII named, bytes that are
// not valid UTF-8 are taken for Windows-1252, the usual code page of the writers that leave the set out.
// nullopt for a set that is not known (see IsKnownCharset), and for bytes that are valid neither in the
// named set nor as UTF-8.
std::optional<std::string> DecodeCharset(std::string_view bytes, std::string_view charset);

// The parts of a vCard value between its unescaped separators (';' between components, ',' between the
// values of one component), escapes left in.
std::vector<std::string_view> SplitUnescaped(std::string_view value, char separator);

// A value with its escapes resolved: "\," "\;" "\:" and "\\" stand for the character, "\n" and "\N" for a
// line feed. A backslash before anything else is kept.
std::string Unescape(std::string_view value);

} // namespace candlewatcher
