#include "reminder/row_lines.h"

#include "data/display_text.h"

namespace candlewatcher {

std::string RowLines(const std::vector<ReminderRow>& rows) {
    std::string lines;
    std::size_t size = 0;
    for (const ReminderRow& row : rows) {
        size += row.Text.size() + 1;
    }
    lines.reserve(size);
    for (const ReminderRow& row : rows) {
        // The panel shows the whole row as one text, so an invalid byte in the name makes the whole row
        // Windows-1252, as there.
        lines += DisplayUtf8(row.Text);
        lines.push_back('\n');
    }
    return lines;
}

} // namespace candlewatcher
