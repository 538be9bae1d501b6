#include "contacts/text_decoding.h"

#include "data/display_text.h"
#include "data/hex_digits.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include <iconv.h>

namespace candlewatcher {

namespace {

bool NamesAny(std::string_view charset, std::initializer_list<std::string_view> names) {
    return std::any_of(names.begin(), names.end(),
                       [&](std::string_view name) { return EqualsIgnoringCase(charset, name); });
}

// A character set name as iconv takes it: letters, digits and a few marks, nothing that reads as a path.
bool PlausibleCharsetName(std::string_view name) {
    return !name.empty() && name.size() <= 40 && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
               c == '_' || c == '.' || c == ':';
    });
}

std::optional<std::string> ConvertWithIconv(std::string_view bytes, std::string_view charset) {
    if (!PlausibleCharsetName(charset))
        return std::nullopt;
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

std::optional<std::string> DecodeCharset(std::string_view bytes, std::string_view charset) {
    if (charset.empty() || NamesAny(charset, {"UTF-8", "UTF8", "US-ASCII", "ASCII"}))
        return IsUtf8(bytes) ? std::string(bytes) : Windows1252ToUtf8(bytes);
    if (NamesAny(charset, {"ISO-8859-1", "ISO8859-1", "ISO_8859-1", "LATIN1", "LATIN-1", "WINDOWS-1252",
                           "CP1252", "X-CP1252"}))
        return Windows1252ToUtf8(bytes);
    if (std::optional<std::string> converted = ConvertWithIconv(bytes, charset))
        return converted;
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
