#include "cli/text_columns.h"

#include "data/display_text.h"

#include <algorithm>
#include <array>
#include <utility>

namespace candlewatcher {

namespace {

struct CodePoint {
    char32_t Value;
    std::size_t Size; // in bytes
};

// The code point that starts at `at`; a byte that starts no well-formed sequence is taken alone.
CodePoint DecodeAt(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t size = Utf8SequenceLength(text, at);
    if (size <= 1) {
        return {lead, 1};
    }
    char32_t value = lead & (0x3F >> (size - 1));
    for (std::size_t i = 1; i < size; ++i) {
        value = (value << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    }
    return {value, size};
}

constexpr std::array<std::pair<char32_t, char32_t>, 8> kWideRanges = {{
    {0x1100, 0x115F}, // Hangul initial consonants
    {0x2E80, 0x303E}, // CJK radicals, ideographic description, CJK symbols and punctuation
    {0x3040, 0xA4CF}, // kana, Bopomofo, Hangul letters, CJK ideographs, Yi
    {0xAC00, 0xD7A3}, // Hangul syllables
    {0xF900, 0xFAFF}, // CJK compatibility ideographs
    {0xFE30, 0xFE4F}, // CJK compatibility forms
    {0xFF00, 0xFF60}, // fullwidth forms
    {0xFFE0, 0xFFE6}, // fullwidth signs
}};

bool IsWide(char32_t c) {
    return std::any_of(kWideRanges.begin(), kWideRanges.end(),
                       [c](const auto& range) { return c >= range.first && c <= range.second; });
}

// Marks that Chinese and Japanese keep off the start of a line, and those they keep off its end.
constexpr std::u32string_view kClosingMarks = U"、。，．！？：；）」』〉》】";
constexpr std::u32string_view kOpeningMarks = U"（「『〈《【";

bool MayBreakBetween(char32_t before, char32_t after) {
    return (IsWide(before) || IsWide(after)) && kClosingMarks.find(after) == std::u32string_view::npos &&
           kOpeningMarks.find(before) == std::u32string_view::npos;
}

} // namespace

std::size_t TextColumns(std::string_view utf8) {
    std::size_t columns = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        const CodePoint c = DecodeAt(utf8, at);
        columns += IsWide(c.Value) ? 2 : 1;
        at += c.Size;
    }
    return columns;
}

std::string_view TakeLine(std::string_view& text, std::size_t width) {
    std::size_t columns = 0;
    std::size_t full = 0; // the bytes that fit
    std::size_t cut = 0;  // the last place a line may end, within them
    char32_t before = 0;
    while (full < text.size()) {
        const CodePoint c = DecodeAt(text, full);
        if (full > 0 && (c.Value == U' ' || (before != U' ' && MayBreakBetween(before, c.Value)))) {
            cut = full;
        }
        columns += IsWide(c.Value) ? 2 : 1;
        if (columns > width) {
            break;
        }
        full += c.Size;
        before = c.Value;
    }
    if (full == text.size()) {
        cut = full;
    } else if (cut == 0) {
        // A word longer than the line; at least one character goes, so that the text always gets shorter.
        cut = std::max<std::size_t>(full, DecodeAt(text, 0).Size);
    }
    const std::string_view line = text.substr(0, cut);
    text.remove_prefix(cut < text.size() && text[cut] == ' ' ? cut + 1 : cut);
    return line;
}

} // namespace candlewatcher
