#include "cli/export_entry.h"

#include "calendar/calendar_export.h"
#include "data/birthday_file.h"
#include "data/output_file.h"

#include <cstring>
#include <exception>
#include <string_view>

int CandlewatcherExportBirthdays(const char* dataDirectory, const char* target, long long stamp,
                                 std::size_t* leftOut, char* error, std::size_t errorSize) {
    using namespace candlewatcher;
    try {
        const CalendarExport calendar =
            ExportCalendar(BirthdayFile(dataDirectory).ReadBirthdays(), static_cast<std::time_t>(stamp));
        if (std::string_view(target) == "-") {
            WriteStandardOutput(calendar.Text);
        } else {
            ReplaceFile(target, calendar.Text);
        }
        *leftOut = calendar.LeftOut;
        return 0;
    } catch (const std::exception& failure) {
        if (errorSize > 0) {
            std::strncpy(error, failure.what(), errorSize - 1);
            error[errorSize - 1] = '\0';
        }
        return 1;
    }
}
