#include "data/percent_encoding.h"

#include "data/hex_digits.h"

#include <algorithm>

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

std::string PercentEncodedNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text.push_back('/');
        AppendPercentEncoded(text, name);
    }
    return text;
}

std::optional<std::vector<std::string>> PercentDecodedNames(std::string_view text) {
    std::vector<std::string> names;
    while (!text.empty()) {
        if (text.front() != '/') {
            return std::nullopt;
        }
        text.remove_prefix(1);
        const std::size_t end = std::min(text.find('/'), text.size());
        std::optional<std::string> name = PercentDecoded(text.substr(0, end));
        if (!name) {
            return std::nullopt;
        }
        names.push_back(std::move(*name));
        text.remove_prefix(end);
    }
    return names;
}

} // namespace candlewatcher
