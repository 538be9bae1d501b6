#include "contacts/plain_text.h"

#include "data/display_text.h"

namespace candlewatcher {

namespace {

constexpr unsigned char kEscape = 0x1B;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

unsigned char ByteAt(std::string_view text, std::size_t i) {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

// The C1 control at text[i] (its number, 0x80 to 0x9F), or 0 when there is none.
unsigned char C1At(std::string_view text, std::size_t i) {
    return ByteAt(text, i) == 0xC2 && ByteAt(text, i + 1) >= 0x80 && ByteAt(text, i + 1) < 0xA0
               ? ByteAt(text, i + 1)
               : 0;
}

// Where a control string (OSC, DCS, SOS, PM, APC) that starts at i ends: after BEL, ESC \ or C1 ST, or at
// the end of the text.
std::size_t StringEnd(std::string_view text, std::size_t i) {
    for (; i < text.size(); ++i) {
        if (ByteAt(text, i) == 0x07)
            return i + 1;
        if (ByteAt(text, i) == kEscape && ByteAt(text, i + 1) == '\\')
            return i + 2;
        if (C1At(text, i) == 0x9C)
            return i + 2;
    }
    return i;
}

// Where a CSI sequence whose parameters start at i ends: parameter and intermediate bytes, then one final.
std::size_t CsiEnd(std::string_view text, std::size_t i) {
    while (i < text.size() && ByteAt(text, i) >= 0x20 && ByteAt(text, i) <= 0x3F)
        ++i;
    return i < text.size() && ByteAt(text, i) >= 0x40 && ByteAt(text, i) <= 0x7E ? i + 1 : i;
}

bool OpensControlString(unsigned char c) {
    return c == ']' || c == 'P' || c == 'X' || c == '^' || c == '_';
}

// The length of the control character (or whole escape sequence) at text[i]; 0 when none starts there.
std::size_t ControlLength(std::string_view text, std::size_t i) {
    const unsigned char byte = ByteAt(text, i);
    if (byte == kEscape) {
        const unsigned char next = ByteAt(text, i + 1);
        if (next == '[')
            return CsiEnd(text, i + 2) - i;
        if (OpensControlString(next))
            return StringEnd(text, i + 2) - i;
        std::size_t end = i + 1;
        while (end < text.size() && ByteAt(text, end) >= 0x20 && ByteAt(text, end) <= 0x2F)
            ++end;
        return (end < text.size() && ByteAt(text, end) >= 0x30 && ByteAt(text, end) <= 0x7E ? end + 1 : end) -
               i;
    }
    if (i < text.size() && (byte < 0x20 || byte == 0x7F))
        return 1;
    if (const unsigned char c1 = C1At(text, i)) {
        if (c1 == 0x9B)
            return CsiEnd(text, i + 2) - i;
        if (c1 == 0x90 || c1 == 0x98 || c1 == 0x9D || c1 == 0x9E || c1 == 0x9F)
            return StringEnd(text, i + 2) - i;
        return 2;
    }
    return 0;
}

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

std::string SingleLine(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool pendingBreak = false;
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t control = ControlLength(text, i)) {
            i += control;
            while (!out.empty() && out.back() == ' ')
                out.pop_back();
            pendingBreak = true;
            continue;
        }
        const char c = text[i++];
        if (pendingBreak && c == ' ')
            continue;
        if (pendingBreak && !out.empty())
            out += ' ';
        pendingBreak = false;
        out += c;
    }
    return std::string(TrimBlanks(out));
}

bool HoldsControlCharacter(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (ControlLength(text, i) != 0)
            return true;
    return false;
}

std::string PrintableLine(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t control = ControlLength(text, i)) {
            // Only the control character itself goes (one byte, or two for C1): what an escape sequence
            // carries is plain text once nothing introduces it.
            out += kReplacement;
            i += ByteAt(text, i) < 0x80 ? 1 : 2;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

} // namespace candlewatcher
