#include "contacts/vcard_lines.h"

#include <algorithm>

namespace candlewatcher {

bool VCardLineReader::IsQuotedPrintable(std::string_view line) {
    constexpr std::string_view kEncoding = "QUOTED-PRINTABLE";
    const std::string_view head = line.substr(0, line.find(':'));
    auto upper = [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    };
    return std::search(head.begin(), head.end(), kEncoding.begin(), kEncoding.end(),
                       [&](char a, char b) { return upper(a) == b; }) != head.end();
}

} // namespace candlewatcher
