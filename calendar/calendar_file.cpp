#include "calendar/calendar_file.h"

#include "calendar/calendar_export.h"
#include "data/birthday_file.h"
#include "data/output_file.h"

namespace candlewatcher {

std::size_t WriteBirthdayCalendar(const std::filesystem::path& dataDirectory, const std::string& target,
                                  std::time_t stamp) {
    return WriteBirthdayCalendar(BirthdayFile(dataDirectory).ReadBirthdays(), target, stamp);
}

std::size_t WriteBirthdayCalendar(const std::vector<BirthdayRecord>& records, const std::string& target,
                                  std::time_t stamp) {
    const CalendarExport calendar = ExportCalendar(records, stamp);
    if (target == "-") {
        WriteStandardOutput(calendar.Text);
    } else {
        ReplaceFile(target, calendar.Text);
    }
    return calendar.LeftOut;
}

} // namespace candlewatcher
