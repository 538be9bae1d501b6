#include "contacts/text_decoding.h"

#include "data/display_text.h"
#include "data/hex_digits.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <iconv.h>

namespace candlewatcher {

namespace {

// How a character set is named in a card, reduced to what tells the names apart: "iso_8859-2", "ISO-8859-2"
// and "ISO88592" are one set.
std::string ReducedName(std::string_view charset) {
    std::string reduced;
    for (const char c : charset) {
        if (c != '-' && c != '_' && c != ' ')
            reduced += c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    }
    return reduced;
}

struct KnownSet {
    std::string Reduced; // ReducedName of a name cards use
    std::string Iconv;   // the name iconv knows it by
};

// The sets that address books write and that a conversion to UTF-8 exists for. Only these go to iconv: it
// would otherwise load whatever conversion module a card names.
const std::vector<KnownSet>& KnownSets() {
    static const std::vector<KnownSet> sets = [] {
        std::vector<KnownSet> known;
        for (int part : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 14, 15, 16})
            known.push_back({"ISO8859" + std::to_string(part), "ISO-8859-" + std::to_string(part)});
        for (int page = 1250; page <= 1258; ++page) {
            const std::string iconvName = "WINDOWS-" + std::to_string(page);
            known.push_back({"WINDOWS" + std::to_string(page), iconvName});
            known.push_back({"CP" + std::to_string(page), iconvName});
            known.push_back({"XCP" + std::to_string(page), iconvName});
        }
        for (const auto& [reduced, iconvName] : {std::pair{"LATIN1", "ISO-8859-1"},
                                                 {"KOI8R", "KOI8-R"},
                                                 {"KOI8U", "KOI8-U"},
                                                 {"SHIFTJIS", "SHIFT_JIS"},
                                                 {"SJIS", "SHIFT_JIS"},
                                                 {"EUCJP", "EUC-JP"},
                                                 {"ISO2022JP", "ISO-2022-JP"},
                                                 {"GB2312", "GB2312"},
                                                 {"GBK", "GBK"},
                                                 {"GB18030", "GB18030"},
                                                 {"BIG5", "BIG5"},
                                                 {"EUCKR", "EUC-KR"},
                                                 {"UTF16", "UTF-16"},
                                                 {"UTF16LE", "UTF-16LE"},
                                                 {"UTF16BE", "UTF-16BE"},
                                                 {"UTF8", "UTF-8"},
                                                 {"USASCII", "US-ASCII"},
                                                 {"ASCII", "US-ASCII"}})
            known.push_back({reduced, iconvName});
        return known;
    }();
    return sets;
}

// The iconv name of a known set; empty for any other.
std::string_view IconvName(std::string_view charset) {
    const std::string reduced = ReducedName(charset);
    for (const KnownSet& set : KnownSets())
        if (set.Reduced == reduced)
            return set.Iconv;
    return {};
}

std::optional<std::string> ConvertWithIconv(std::string_view bytes, std::string_view charset) {
    iconv_t converter = ::iconv_open("UTF-8", std::string(charset).c_str());
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* next = out.data();
    std::size_t outLeft = out.size();
    bool ok = true;
    while (inLeft > 0 && ok) {
        if (::iconv(converter, &in, &inLeft, &next, &outLeft) != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG) {
            std::size_t used = static_cast<std::size_t>(next - out.data());
            out.resize(out.size() * 2);
            next = out.data() + used;
            outLeft = out.size() - used;
        } else {
            ok = false; // an invalid or incomplete sequence for this set
        }
    }
    // Ends a stateful encoding (ISO-2022) in its initial shift state.
    if (ok && ::iconv(converter, nullptr, nullptr, &next, &outLeft) == static_cast<std::size_t>(-1))
        ok = false;
    ::iconv_close(converter);
    if (!ok)
        return std::nullopt;
    out.resize(static_cast<std::size_t>(next - out.data()));
    return out;
}

} // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    auto upper = [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return upper(x) == upper(y); });
}

std::string DecodeQuotedPrintable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int escaped = text[i] == '=' ? HexByteAt(text, i + 1) : -1;
        if (escaped >= 0) {
            out += static_cast<char>(escaped);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool IsKnownCharset(std::string_view charset) {
    return !IconvName(charset).empty();
}

std::optional<std::string> DecodeCharset(std::string_view bytes, std::string_view charset) {
    const std::string_view iconvName = charset.empty() ? std::string_view("UTF-8") : IconvName(charset);
    if (iconvName.empty())
        return std::nullopt;
    if (iconvName == "UTF-8" || iconvName == "US-ASCII")
        return IsUtf8(bytes) ? std::string(bytes) : Windows1252ToUtf8(bytes);
    // Writers that name Latin-1 mean Windows-1252 in practice, which assigns more of the same bytes.
    if (iconvName == "ISO-8859-1" || iconvName == "WINDOWS-1252")
        return Windows1252ToUtf8(bytes);
    if (std::optional<std::string> converted = ConvertWithIconv(bytes, iconvName))
        return converted;
    // A card that names the wrong set for UTF-8 text still gives its text.
    if (IsUtf8(bytes))
        return std::string(bytes);
    return std::nullopt;
}

std::vector<std::string_view> SplitUnescaped(std::string_view value, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\')
            ++i;
        else if (value[i] == separator) {
            parts.push_back(value.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(value.substr(std::min(start, value.size())));
    return parts;
}

std::string Unescape(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c != '\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        char next = value[++i];
        if (next == 'n' || next == 'N')
            out += '\n';
        else if (next == ',' || next == ';' || next == ':' || next == '\\')
            out += next;
        else {
            out += '\\';
            out += next;
        }
    }
    return out;
}

} // namespace candlewatcher
