#include "data/record_parser.h"

#include <algorithm>
#include <cstring>

namespace candlewatcher {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Splits bytes into lines ended by CR LF, LF or CR. The next CR and the next LF are looked up with memchr
// and remembered, so each byte is scanned about twice however the lines end.
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
        const char* cr = Find(m_nextCr, '\r');
        const char* lf = Find(m_nextLf, '\n');
        const char* stop = std::min(cr, lf);
        std::string_view line(m_pos, static_cast<std::size_t>(stop - m_pos));
        m_pos = stop;
        if (stop < m_end) {
            ++m_pos;
            if (stop == cr && m_pos < m_end && *m_pos == '\n')
                ++m_pos;
        }
        return line;
    }

    // Whether the last line read was ended by a line end rather than by the end of the bytes.
    bool LastLineEnded() const { return m_pos > m_begin && (m_pos[-1] == '\n' || m_pos[-1] == '\r'); }

private:
    const char* Find(const char*& cached, char byte) {
        if (cached == nullptr || cached < m_pos) {
            auto* found =
                static_cast<const char*>(std::memchr(m_pos, byte, static_cast<std::size_t>(m_end - m_pos)));
            cached = found ? found : m_end;
        }
        return cached;
    }

    const char* m_begin;
    const char* m_end;
    const char* m_pos;
    const char* m_nextCr = nullptr;
    const char* m_nextLf = nullptr;
};

} // namespace

std::vector<BirthdayRecord> ParseBirthdayRecords(std::string_view fileBytes) {
    std::vector<BirthdayRecord> records;
    // Four line ends make a record in a well-formed file; reserving for them spares the vector's regrowth.
    records.reserve(static_cast<std::size_t>(std::count(fileBytes.begin(), fileBytes.end(), '\n')) / 4 + 1);
    LineReader lines(fileBytes);
    // The end is tested only before the first line of a record, as a reader of four lines at a time does.
    while (!lines.AtEnd()) {
        BirthdayRecord& record = records.emplace_back();
        std::string* fields[] = {&record.Day, &record.Month, &record.Year, &record.Name};
        bool anyText = false;
        int read = 0;
        for (std::string* field : fields) {
            if (lines.AtEnd())
                break;
            std::string_view line = lines.Next();
            field->assign(line.data(), line.size());
            anyText = anyText || !line.empty();
            ++read;
        }
        // A trailing blank line or two is damage, not a record; a partial record with text is kept.
        if (read < 4 && !anyText)
            records.pop_back();
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
