#include "data/hex_digits.h"

namespace candlewatcher {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

int HexByteAt(std::string_view text, std::size_t at) {
    if (at >= text.size() || text.size() - at < 2)
        return -1;
    const int high = HexDigitValue(text[at]);
    const int low = HexDigitValue(text[at + 1]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

void AppendHex(std::string& text, std::uint64_t value, int digits, HexLetters letters) {
    const char* alphabet = letters == HexLetters::Upper ? "0123456789ABCDEF" : "0123456789abcdef";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        text += alphabet[(value >> shift) & 0xF];
}

} // namespace candlewatcher
