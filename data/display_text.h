#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace candlewatcher {

// Whether the bytes are well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(std::string_view bytes);

// The length of the well-formed UTF-8 sequence that starts at bytes[i] (1 for ASCII), or 0 when none does.
std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t i);

// Appends a code point (at most U+10FFFF, no surrogate) as UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

// Windows-1252 bytes as UTF-8 (and so ISO-8859-1, which writers mean by it in practice); the five bytes
// Windows-1252 leaves unassigned become the C1 controls of the same number, so no byte is lost.
std::string Windows1252ToUtf8(std::string_view bytes);

// Stored bytes as UTF-8 text the way the windows show them: valid UTF-8 as it is, less a byte order mark
// at the start; anything else read as Windows-1252, whose five unassigned bytes become the C1 controls of
// the same number, so no byte is lost.
std::string DisplayUtf8(std::string_view storedBytes);

} // namespace candlewatcher
