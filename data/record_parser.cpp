#include "data/record_parser.h"

#include "data/line_reader.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace candlewatcher {

namespace {

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

} // namespace

std::vector<BirthdayRecord> ParseBirthdayRecords(std::string_view fileBytes) {
    std::vector<BirthdayRecord> records;
    records.reserve(LikelyRecordCount(fileBytes));
    ForEachRecord(fileBytes, [&](const RecordView& record) {
        records.push_back(BirthdayRecord{std::string(record.Day), std::string(record.Month),
                                         std::string(record.Year), std::string(record.Name)});
    });
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
