#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace candlewatcher {

// The value of one hexadecimal digit, either case, or -1 for any other character.
int HexDigitValue(char c);

// The byte the two hexadecimal digits at text[at] and text[at + 1] spell ("%C3" and "=C3" both hold one
// after their mark), or -1 when the text ends first or either is no digit.
int HexByteAt(std::string_view text, std::size_t at);

enum class HexLetters { Upper, Lower };

// The lowest digits hexadecimal digits of value, with leading zeros.
void AppendHex(std::string& text, std::uint64_t value, int digits, HexLetters letters);

} // namespace candlewatcher
