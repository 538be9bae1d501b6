#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace candlewatcher {

// The pieces of a settings file in the INI form QSettings writes, turned into text as QSettings turns them:
// QSettings keeps text as UTF-16, so the rules here work on UTF-16 code units and only the results become
// UTF-8.

// UTF-8 bytes as UTF-16; each byte that is not part of a well-formed sequence becomes U+FFFD.
std::u16string Utf16FromUtf8(std::string_view bytes);

// UTF-16 as UTF-8; a surrogate without its partner becomes '?'.
std::string Utf8FromUtf16(std::u16string_view text);

// A group or key name as written: '\' stands for '/', %XX and %UXXXX for the code unit of that number.
std::u16string UnescapedKey(std::string_view written);

// What the value of a key reads as, as QSettings' value(key).toString() gives it: the unescaped text;
// empty for a list (commas outside quotes) and for the types that have no text; nothing when the value
// stands for no value at all (@Invalid()), so that the default applies.
std::optional<std::string> ValueText(std::string_view written);

} // namespace candlewatcher
