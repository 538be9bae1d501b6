#pragma once

#include "data/birthday_file.h"
#include "data/line_reader.h"

#include <string>
#include <string_view>
#include <vector>

namespace candlewatcher {

// The records held in the bytes of a birthday file. Tolerates damage rather than refusing it: a UTF-8 byte
// order mark at the start is skipped, a line may end in CR LF, LF or CR, a last record with fewer than four
// lines gets its missing fields empty, and a last partial record made only of empty lines is dropped. Every
// byte of a field other than CR and LF is kept as it is (NUL and invalid UTF-8 included).
std::vector<BirthdayRecord> ParseBirthdayRecords(std::string_view fileBytes);

// The four fields of one record, pointing into the bytes it was read from.
struct RecordView {
    std::string_view Day, Month, Year, Name;
};

// Calls visit(const RecordView&) for every record of the bytes, in file order, by the same rules as
// ParseBirthdayRecords, without copying a field.
template <typename Visit> void ForEachRecord(std::string_view fileBytes, Visit&& visit) {
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
            return;
        visit(RecordView{fields[0], fields[1], fields[2], fields[3]});
    }
}

// Where a record appended after these bytes can go so that it reads back as a record of its own: straight
// after them, after a line end that the last line lacks, or only by writing the whole file anew (the bytes
// end inside a record, or in blank lines that a reader drops and that would shift the new record).
enum class AppendPlacement { Directly, AfterLineEnd, Rewrite };
AppendPlacement PlaceAppend(std::string_view fileBytes);

// The four lines of a record, each followed by CR LF, appended to out: the form every writer uses.
void AppendRecordBytes(std::string& out, const BirthdayRecord& record);

// Whether a field would break the layout of the file (it holds CR or LF).
bool FieldBreaksLine(std::string_view field);

} // namespace candlewatcher
