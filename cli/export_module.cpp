#include "cli/export_entry.h"

#include "calendar/calendar_file.h"

#include <cstring>
#include <exception>

int CandlewatcherExportBirthdays(const char* dataDirectory, const char* target, long long stamp,
                                 std::size_t* leftOut, char* error, std::size_t errorSize) {
    using namespace candlewatcher;
    try {
        *leftOut = WriteBirthdayCalendar(dataDirectory, target, static_cast<std::time_t>(stamp));
        return 0;
    } catch (const std::exception& failure) {
        if (errorSize > 0) {
            std::strncpy(error, failure.what(), errorSize - 1);
            error[errorSize - 1] = '\0';
        }
        return 1;
    }
}
