#include "data/record_parser.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace candlewatcher {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// How many records the bytes hold at most, counting CRs and LFs apart (a file ends its lines in one way or
// the other, or in both), so the vector is sized once.
std::size_t LikelyRecordCount(std::string_view bytes) {
    std::size_t crs = 0, lfs = 0;
    const char* p = bytes.data();
    const char* end = p + bytes.size();
#ifdef __SSE2__
    // Per-byte tallies (a match compares as -1, so subtracting counts it), added up before they can wrap.
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    while (end - p >= 16) {
        __m128i crTally = zero, lfTally = zero;
        for (int round = 0; round < 255 && end - p >= 16; ++round, p += 16) {
            __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            crTally = _mm_sub_epi8(crTally, _mm_cmpeq_epi8(block, cr));
            lfTally = _mm_sub_epi8(lfTally, _mm_cmpeq_epi8(block, lf));
        }
        __m128i crSums = _mm_sad_epu8(crTally, zero);
        __m128i lfSums = _mm_sad_epu8(lfTally, zero);
        crs += static_cast<std::size_t>(_mm_cvtsi128_si32(crSums) + _mm_extract_epi16(crSums, 4));
        lfs += static_cast<std::size_t>(_mm_cvtsi128_si32(lfSums) + _mm_extract_epi16(lfSums, 4));
    }
#endif
    for (; p < end; ++p) {
        crs += *p == '\r';
        lfs += *p == '\n';
    }
    return std::max(crs, lfs) / 4 + 1;
}

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

} // namespace

std::vector<BirthdayRecord> ParseBirthdayRecords(std::string_view fileBytes) {
    std::vector<BirthdayRecord> records;
    records.reserve(LikelyRecordCount(fileBytes));
    LineReader lines(fileBytes);
    // The end is tested only before the first line of a record, as a reader of four lines at a time does.
    while (!lines.AtEnd()) {
        std::string_view fields[4];
        int read = 0;
        bool anyText = false;
        for (; read < 4 && !lines.AtEnd(); ++read) {
            fields[read] = lines.Next();
            anyText = anyText || !fields[read].empty();
        }
        // A trailing blank line or two is damage, not a record; a partial record with text is kept.
        if (read < 4 && !anyText)
            break;
        // Made from the four lines and moved in: a default-made record would first be cleared byte by byte.
        records.push_back(BirthdayRecord{std::string(fields[0]), std::string(fields[1]),
                                         std::string(fields[2]), std::string(fields[3])});
    }
    return records;
}

AppendPlacement PlaceAppend(std::string_view fileBytes) {
    LineReader lines(fileBytes);
    std::size_t count = 0;
    while (!lines.AtEnd()) {
        lines.Next();
        ++count;
    }
    if (count % 4 != 0)
        return AppendPlacement::Rewrite;
    if (count > 0 && !lines.LastLineEnded())
        return AppendPlacement::AfterLineEnd;
    return AppendPlacement::Directly;
}

void AppendRecordBytes(std::string& out, const BirthdayRecord& record) {
    for (const std::string* field : {&record.Day, &record.Month, &record.Year, &record.Name}) {
        out += *field;
        out += "\r\n";
    }
}

bool FieldBreaksLine(std::string_view field) {
    return field.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace candlewatcher
