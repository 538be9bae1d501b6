#include "data/percent_encoding.h"

#include "data/hex_digits.h"

namespace candlewatcher {

namespace {

bool KeptAsIs(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

} // namespace

void AppendPercentEncoded(std::string& text, std::string_view bytes) {
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (KeptAsIs(byte)) {
            text.push_back(c);
        } else {
            text.push_back('%');
            AppendHex(text, byte, 2, HexLetters::Upper);
        }
    }
}

std::optional<std::string> PercentDecoded(std::string_view encoded) {
    std::string bytes;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const auto byte = static_cast<unsigned char>(encoded[i]);
        if (KeptAsIs(byte)) {
            bytes.push_back(encoded[i]);
            continue;
        }
        const int escaped = byte == '%' ? HexByteAt(encoded, i + 1) : -1;
        if (escaped < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<char>(escaped));
        i += 2;
    }
    return bytes;
}

} // namespace candlewatcher
