#include "data/ini_text.h"

#include "data/display_text.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace candlewatcher {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// The length of the well-formed UTF-8 sequence at the start of bytes; 0 when there is none, and -1 when
// bytes end inside a sequence that is well-formed so far.
int SequenceLength(std::string_view bytes, char32_t& codePoint) {
    const auto byte = [&](std::size_t i) {
        return static_cast<unsigned char>(bytes[i]);
    };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    const int length = lead >= 0xC2 && lead <= 0xDF   ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                      : 0;
    if (length == 0) {
        return 0;
    }
    codePoint = lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        if (static_cast<std::size_t>(k) >= bytes.size()) {
            return -1;
        }
        const unsigned char next = byte(k);
        // The second byte rules out overlong forms, surrogates and code points beyond U+10FFFF.
        const unsigned char low = k > 1 ? 0x80 : lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = k > 1 ? 0xBF : lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
        if (next < low || next > high) {
            return 0;
        }
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    return length;
}

void AppendCodePoint(char32_t codePoint, std::u16string& text) {
    if (codePoint < 0x10000) {
        text += static_cast<char16_t>(codePoint);
    } else {
        codePoint -= 0x10000;
        text += static_cast<char16_t>(0xD800 + (codePoint >> 10));
        text += static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
    }
}

// Decodes a value given in pieces, as QSettings decodes it: a sequence cut at the end of one piece is
// completed by the next (and lost when none follows), and a byte order mark at the very start is dropped.
class PieceDecoder {
public:
    void Append(std::string_view piece, std::u16string& text) {
        std::string joined = m_pending + std::string(piece);
        m_pending.clear();
        std::string_view bytes = joined;
        if (!m_started) {
            m_started = true;
            if (bytes.starts_with("\xEF\xBB\xBF")) {
                bytes.remove_prefix(3);
            }
        }
        while (!bytes.empty()) {
            char32_t codePoint = 0;
            const int length = SequenceLength(bytes, codePoint);
            if (length < 0) {
                m_pending = bytes;
                return;
            }
            if (length == 0) {
                text += kReplacement;
                bytes.remove_prefix(1);
            } else {
                AppendCodePoint(codePoint, text);
                bytes.remove_prefix(static_cast<std::size_t>(length));
            }
        }
    }

private:
    std::string m_pending;
    bool m_started = false;
};

int HexDigit(char16_t c) {
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                  : -1;
}

void ChopTrailingBlanks(std::u16string& text, std::size_t limit) {
    while (text.size() > limit && (text.back() == u' ' || text.back() == u'\t')) {
        text.pop_back();
    }
}

struct UnescapedValue {
    std::u16string Text;
    bool IsList = false;
};

char16_t SimpleEscape(char c) {
    constexpr std::array<std::pair<char, char16_t>, 11> codes = {{{'a', u'\a'},
                                                                  {'b', u'\b'},
                                                                  {'f', u'\f'},
                                                                  {'n', u'\n'},
                                                                  {'r', u'\r'},
                                                                  {'t', u'\t'},
                                                                  {'v', u'\v'},
                                                                  {'"', u'"'},
                                                                  {'?', u'?'},
                                                                  {'\'', u'\''},
                                                                  {'\\', u'\\'}}};
    for (const auto& [letter, code] : codes) {
        if (c == letter) {
            return code;
        }
    }
    return 0;
}

// The value's escapes, quotes and commas. Blanks at either end of an unquoted piece are dropped, but not
// those an escape produced; a quoted piece keeps all of its own. The order of the checks follows QSettings
// exactly, down to a value that ends inside an escape keeping its trailing blanks.
UnescapedValue Unescape(std::string_view value) {
    UnescapedValue result;
    std::u16string& text = result.Text;
    PieceDecoder decoder;
    bool inQuotes = false;
    bool pieceQuoted = false;
    std::size_t i = 0;
    std::size_t chopLimit = 0;
    const auto skipBlanks = [&] {
        while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) {
            ++i;
        }
        chopLimit = text.size();
    };
    // Reads digits of the given base into one code unit (which wraps, as QSettings' does); false when the
    // value ends in them.
    const auto numberEscape = [&](int base, char16_t code) {
        for (;; ++i) {
            if (i >= value.size()) {
                text += code;
                return false;
            }
            const int digit = HexDigit(static_cast<unsigned char>(value[i]));
            if (digit < 0 || digit >= base) {
                text += code;
                chopLimit = text.size();
                return true;
            }
            code = static_cast<char16_t>(code * base + digit);
        }
    };

    skipBlanks();
    bool endedInEscape = false;
    while (i < value.size() && !endedInEscape) {
        const char c = value[i];
        if (c == '\\') {
            if (++i >= value.size()) {
                endedInEscape = true;
                break;
            }
            const char escaped = value[i++];
            if (const char16_t code = SimpleEscape(escaped)) {
                text += code;
            } else if (escaped == 'x' && i < value.size() &&
                       HexDigit(static_cast<unsigned char>(value[i])) >= 0) {
                endedInEscape = !numberEscape(16, 0);
            } else if (escaped == 'x' && i >= value.size()) {
                endedInEscape = true;
            } else if (escaped >= '0' && escaped <= '7') {
                endedInEscape = !numberEscape(8, static_cast<char16_t>(escaped - '0'));
            } else if ((escaped == '\n' || escaped == '\r') && i < value.size() &&
                       (value[i] == '\n' || value[i] == '\r') && value[i] != escaped) {
                ++i; // a line continuation ended by CR LF or LF CR
            }
            chopLimit = text.size();
        } else if (c == '"') {
            ++i;
            pieceQuoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipBlanks();
            }
        } else if (c == ',' && !inQuotes) {
            if (!pieceQuoted) {
                ChopTrailingBlanks(text, chopLimit);
            }
            result.IsList = true;
            text.clear();
            pieceQuoted = false;
            ++i;
            skipBlanks();
        } else {
            std::size_t end = i + 1;
            while (end < value.size() && value[end] != '\\' && value[end] != '"' && value[end] != ',') {
                ++end;
            }
            decoder.Append(value.substr(i, end - i), text);
            i = end;
        }
    }
    if (!endedInEscape && !pieceQuoted) {
        ChopTrailingBlanks(text, chopLimit);
    }
    return result;
}

// QString::toLatin1: code units above 0xFF become '?'.
std::string Latin1(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (const char16_t c : text) {
        bytes += c <= 0xFF ? static_cast<char>(c) : '?';
    }
    return bytes;
}

// Reads big-endian numbers from the bytes of a serialized value; any read past the end fails them all.
class BigEndianReader {
public:
    explicit BigEndianReader(std::string_view bytes)
        : m_bytes(bytes) {}
    std::uint64_t Read(std::size_t size) {
        std::uint64_t number = 0;
        for (std::size_t k = 0; k < size; ++k, ++m_at) {
            m_ok = m_ok && m_at < m_bytes.size();
            number = (number << 8) | (m_ok ? static_cast<unsigned char>(m_bytes[m_at]) : 0);
        }
        return number;
    }
    std::optional<std::string_view> ReadBytes(std::size_t size) {
        if (!m_ok || m_bytes.size() - m_at < size) {
            m_ok = false;
            return std::nullopt;
        }
        m_at += size;
        return m_bytes.substr(m_at - size, size);
    }
    bool Ok() const { return m_ok; }

private:
    std::string_view m_bytes;
    std::size_t m_at = 0;
    bool m_ok = true;
};

std::string DateText(std::uint32_t julianDay) {
    if (julianDay == 0) {
        return "";
    }
    // Julian day number to the proleptic Gregorian calendar (Richards' algorithm).
    const long long f = julianDay + 1401 + (((4LL * julianDay + 274277) / 146097) * 3) / 4 - 38;
    const long long e = 4 * f + 3;
    const long long h = 5 * ((e % 1461) / 4) + 2;
    const long long day = (h % 153) / 5 + 1;
    const long long month = (h / 153 + 2) % 12 + 1;
    const long long year = e / 1461 - 4716 + (14 - month) / 12;
    char text[32];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld", year, month, day);
    return text;
}

// A value serialized by QDataStream in the format of Qt 4.0, as @Variant(...) holds it, as text. The types
// QSettings writes this way for itself are dates and the like; strings, numbers and byte arrays are read too.
// A type without a text (a colour, a list) or data cut short reads as empty, as its toString() does.
std::string SerializedValueText(std::string_view bytes) {
    enum : std::uint32_t {
        Bool = 1,
        Int = 2,
        UInt = 3,
        LongLong = 4,
        ULongLong = 5,
        String = 10,
        ByteArray = 12,
        Date = 14
    };
    constexpr std::uint32_t kNullLength = 0xFFFFFFFF;
    BigEndianReader reader(bytes);
    const auto type = static_cast<std::uint32_t>(reader.Read(4));
    std::string text;
    switch (type) {
    case Bool:
        text = reader.Read(1) != 0 ? "true" : "false";
        break;
    case Int:
        text = std::to_string(static_cast<std::int32_t>(reader.Read(4)));
        break;
    case UInt:
        text = std::to_string(static_cast<std::uint32_t>(reader.Read(4)));
        break;
    case LongLong:
        text = std::to_string(static_cast<std::int64_t>(reader.Read(8)));
        break;
    case ULongLong:
        text = std::to_string(reader.Read(8));
        break;
    case String:
    case ByteArray: {
        const auto length = static_cast<std::uint32_t>(reader.Read(4));
        if (length == kNullLength) {
            break;
        }
        const std::optional<std::string_view> data = reader.ReadBytes(length);
        if (!data) {
            break;
        }
        if (type == ByteArray) {
            text = Utf8FromUtf16(Utf16FromUtf8(*data));
            break;
        }
        std::u16string units;
        for (std::size_t k = 0; k + 1 < data->size(); k += 2) {
            units += static_cast<char16_t>((static_cast<unsigned char>((*data)[k]) << 8) |
                                           static_cast<unsigned char>((*data)[k + 1]));
        }
        text = Utf8FromUtf16(units);
        break;
    }
    case Date:
        text = DateText(static_cast<std::uint32_t>(reader.Read(4)));
        break;
    default:
        break;
    }
    return reader.Ok() ? text : std::string();
}

std::optional<std::string> VariantText(const std::u16string& text) {
    const auto startsWith = [&](std::u16string_view prefix) {
        return text.starts_with(prefix);
    };
    if (startsWith(u"@") && text.ends_with(u')')) {
        const auto inside = [&](std::size_t prefix) {
            return std::u16string_view(text).substr(prefix, text.size() - prefix - 1);
        };
        if (startsWith(u"@ByteArray(")) {
            return Utf8FromUtf16(Utf16FromUtf8(Latin1(inside(11))));
        }
        if (startsWith(u"@String(")) {
            return Utf8FromUtf16(inside(8));
        }
        if (startsWith(u"@Variant(")) {
            return SerializedValueText(Latin1(std::u16string_view(text).substr(9)));
        }
        // A date and time (in a newer serialization), a rectangle, a size or a point: none of them is
        // stored by this program, and only the first would read as text.
        if (startsWith(u"@DateTime(") || startsWith(u"@Rect(") || startsWith(u"@Size(") ||
            startsWith(u"@Point(")) {
            return std::string();
        }
        if (text == u"@Invalid()") {
            return std::nullopt;
        }
    }
    if (startsWith(u"@@")) {
        return Utf8FromUtf16(std::u16string_view(text).substr(1));
    }
    return Utf8FromUtf16(text);
}

} // namespace

std::u16string Utf16FromUtf8(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    while (!bytes.empty()) {
        char32_t codePoint = 0;
        const int length = SequenceLength(bytes, codePoint);
        if (length <= 0) {
            text += kReplacement;
            bytes.remove_prefix(1);
        } else {
            AppendCodePoint(codePoint, text);
            bytes.remove_prefix(static_cast<std::size_t>(length));
        }
    }
    return text;
}

std::string Utf8FromUtf16(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDFFF) {
            const bool paired =
                c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
            if (!paired) {
                bytes += '?';
                continue;
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        AppendUtf8(bytes, c);
    }
    return bytes;
}

std::u16string UnescapedKey(std::string_view written) {
    const std::u16string decoded = Utf16FromUtf8(written);
    std::u16string key;
    key.reserve(decoded.size());
    for (std::size_t i = 0; i < decoded.size();) {
        const char16_t c = decoded[i];
        if (c == u'\\') {
            key += u'/';
            ++i;
            continue;
        }
        if (c != u'%' || i + 1 == decoded.size()) {
            key += c;
            ++i;
            continue;
        }
        const bool wide = decoded[i + 1] == u'U';
        const std::size_t first = i + (wide ? 2 : 1);
        const std::size_t digits = wide ? 4 : 2;
        char16_t code = 0;
        bool ok = first + digits <= decoded.size();
        for (std::size_t k = first; ok && k < first + digits; ++k) {
            const int digit = HexDigit(decoded[k]);
            ok = digit >= 0;
            code = static_cast<char16_t>(code * 16 + digit);
        }
        if (!ok) {
            key += u'%';
            ++i;
            continue;
        }
        key += code;
        i = first + digits;
    }
    return key;
}

std::optional<std::string> ValueText(std::string_view written) {
    const UnescapedValue value = Unescape(written);
    if (value.IsList) {
        return std::string();
    }
    return VariantText(value.Text);
}

} // namespace candlewatcher
