#include "cli/export_entry.h"

#include "addressbook/commands.h"
#include "addressbook/hidden_people.h"
#include "calendar/calendar_file.h"
#include "cli/entry_error.h"
#include "data/ini_settings_reader.h"

#include <exception>

int CandlewatcherExportBirthdays(const char* dataDirectory, const char* subscriptionFile,
                                 const char* cacheDirectory, const char* target, long long stamp,
                                 std::size_t* leftOut, char* error, std::size_t errorSize) {
    using namespace candlewatcher;
    try {
        const AddressBookPaths paths{subscriptionFile, cacheDirectory};
        *leftOut = WriteBirthdayCalendar(OwnThenSubscribed(ReadShownBirthdays(paths, dataDirectory, IniSettingsReader())), target,
                                         static_cast<std::time_t>(stamp));
        return 0;
    } catch (const std::exception& failure) {
        CopyError(failure.what(), error, errorSize);
        return 1;
    }
}
