#include "data/display_text.h"

#include <cstdint>
#include <cstring>

namespace candlewatcher {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The code points of the bytes 0x80 to 0x9F in Windows-1252; the rest of the upper half is Latin-1.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed sequence starting at bytes[i], or 0 when there is none.
std::size_t SequenceLength(std::string_view bytes, std::size_t i) {
    const auto at = [&](std::size_t k) {
        return static_cast<unsigned char>(bytes[i + k]);
    };
    const unsigned char lead = at(0);
    const std::size_t left = bytes.size() - i;
    if (lead >= 0xC2 && lead <= 0xDF) {
        return left >= 2 && IsContinuation(at(1)) ? 2 : 0;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (left < 3 || !IsContinuation(at(1)) || !IsContinuation(at(2))) {
            return 0;
        }
        const bool overlong = lead == 0xE0 && at(1) < 0xA0;
        const bool surrogate = lead == 0xED && at(1) >= 0xA0;
        return overlong || surrogate ? 0 : 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (left < 4 || !IsContinuation(at(1)) || !IsContinuation(at(2)) || !IsContinuation(at(3))) {
            return 0;
        }
        const bool overlong = lead == 0xF0 && at(1) < 0x90;
        const bool beyondUnicode = lead == 0xF4 && at(1) >= 0x90;
        return overlong || beyondUnicode ? 0 : 4;
    }
    return 0;
}

} // namespace

bool IsUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        // Names are mostly ASCII: eight bytes at a time while no byte has its top bit set.
        std::uint64_t block;
        if (bytes.size() - i >= sizeof block) {
            std::memcpy(&block, bytes.data() + i, sizeof block);
            if ((block & 0x8080808080808080ULL) == 0) {
                i += sizeof block;
                continue;
            }
        }
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t length = SequenceLength(bytes, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t i) {
    return static_cast<unsigned char>(bytes[i]) < 0x80 ? 1 : SequenceLength(bytes, i);
}

void AppendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        AppendUtf8(text, byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : byte);
    }
    return text;
}

std::string DisplayUtf8(std::string_view storedBytes) {
    if (IsUtf8(storedBytes)) {
        if (storedBytes.starts_with(kByteOrderMark)) {
            storedBytes.remove_prefix(kByteOrderMark.size());
        }
        return std::string(storedBytes);
    }
    return Windows1252ToUtf8(storedBytes);
}

} // namespace candlewatcher
