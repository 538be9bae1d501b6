#pragma once

#include "data/line_reader.h"

#include <string>
#include <string_view>

namespace candlewatcher {

// Splits the bytes of a vCard file into its logical lines. Physical lines end in CR LF, LF or CR (a UTF-8
// byte order mark at the start is skipped). A line that starts with a blank or a tab continues the one before
// it (folding); so does, in a quoted-printable property, the line after one that ends in the soft break "=".
class VCardLineReader {
public:
    explicit VCardLineReader(std::string_view bytes)
        : m_lines(bytes) {}

    bool AtEnd() const { return m_lines.AtEnd(); }
    // How far into the bytes the next logical line starts.
    std::size_t Offset() const { return m_lines.Offset(); }

    // The next logical line. keepFoldBlank keeps the blank or tab that starts a continuation line (vCard 2.1
    // folds at a blank that belongs to the value; later versions insert one). When wanted(firstLine) is
    // false, the continuation lines are passed over without being joined and the first line alone is
    // returned: nothing is copied for a large value nobody reads. The view lasts until the next call.
    template <typename Wanted> std::string_view Next(bool keepFoldBlank, Wanted&& wanted) {
        std::string_view first = m_lines.Next();
        const bool join = wanted(first);
        const bool quotedPrintable = IsQuotedPrintable(first);
        std::string_view line = first;
        std::string_view last = first; // the physical line read last
        for (;;) {
            LineReader peek = m_lines;
            if (peek.AtEnd())
                break;
            std::string_view next = peek.Next();
            const bool softBreak = quotedPrintable && !last.empty() && last.back() == '=';
            const bool folded = !next.empty() && (next.front() == ' ' || next.front() == '\t');
            if (!softBreak && !folded)
                break;
            m_lines = peek;
            last = next;
            if (!join)
                continue;
            if (line.data() != m_joined.data())
                m_joined.assign(line);
            if (softBreak)
                m_joined.pop_back();
            else if (!keepFoldBlank)
                next.remove_prefix(1);
            m_joined.append(next);
            line = m_joined;
        }
        return line;
    }

private:
    // Whether the property's parameters (before the first colon) name the quoted-printable encoding.
    static bool IsQuotedPrintable(std::string_view line);

    LineReader m_lines;
    std::string m_joined;
};

} // namespace candlewatcher
