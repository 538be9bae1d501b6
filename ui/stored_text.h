#pragma once

#include <QString>

#include <string>

namespace candlewatcher {

// Records are kept as the bytes they are in birthday.dat. Valid UTF-8 is shown as such; anything else is
// taken as Windows-1252, so files written on a single-byte code page stay legible.
QString DisplayText(const std::string& storedBytes);

// The bytes to store for what a box shows: the original bytes when the user left the text as it was shown,
// else the text as UTF-8. This writes an unchanged Windows-1252 name back byte for byte.
std::string StoredBytes(const QString& shownText, const std::string& originalBytes);

// The text as UTF-8, with line breaks turned into blanks: a CR or LF would split a record in the file.
std::string TypedBytes(const QString& text);

} // namespace candlewatcher
