#pragma once

#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace candlewatcher {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Splits bytes into lines ended by CR LF, LF or CR. Lines are short, so finding their ends must cost little
// per line: where SSE2 is there (every x86-64) the line ends of sixteen bytes at a time are found at once and
// kept as a bit mask that the following lines use up.
class LineReader {
public:
    explicit LineReader(std::string_view bytes)
        : m_begin(bytes.data())
        , m_end(bytes.data() + bytes.size())
        , m_pos(m_begin) {
        if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark)
            m_pos += kByteOrderMark.size();
    }

    bool AtEnd() const { return m_pos >= m_end; }
    // How far into the bytes the next line starts.
    std::size_t Offset() const { return static_cast<std::size_t>(m_pos - m_begin); }

    // The next line without its line end; a last line without one runs to the end of the bytes.
    std::string_view Next() {
        const char* stop = FindLineEnd();
        std::string_view line(m_pos, static_cast<std::size_t>(stop - m_pos));
        m_pos = stop;
        if (stop < m_end) {
            ++m_pos;
            if (*stop == '\r' && m_pos < m_end && *m_pos == '\n')
                ++m_pos;
        }
        return line;
    }

    // Whether the last line read was ended by a line end rather than by the end of the bytes.
    bool LastLineEnded() const { return m_pos > m_begin && (m_pos[-1] == '\n' || m_pos[-1] == '\r'); }

private:
    // The first CR or LF at or after m_pos, or the end.
    const char* FindLineEnd() {
        const char* next = m_pos;
#ifdef __SSE2__
        for (;;) {
            if (m_block != nullptr && m_pos < m_block + 16) {
                // The line may have begun in an earlier block.
                unsigned bits =
                    m_pos > m_block ? m_mask & (~0u << static_cast<unsigned>(m_pos - m_block)) : m_mask;
                if (bits != 0)
                    return m_block + __builtin_ctz(bits);
                next = m_block + 16;
            }
            if (m_end - next < 16)
                break;
            m_block = next;
            __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(next));
            m_mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(
                _mm_cmpeq_epi8(block, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(block, _mm_set1_epi8('\n')))));
        }
#endif
        while (next < m_end && *next != '\r' && *next != '\n')
            ++next;
        return next;
    }

    const char* m_begin;
    const char* m_end;
    const char* m_pos;
    const char* m_block = nullptr; // the sixteen bytes whose line ends m_mask holds
    unsigned m_mask = 0;
};

} // namespace candlewatcher
