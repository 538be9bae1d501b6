#include "cli/commands.h"

#include "calendar/calendar_file.h"
#include "contacts/contact_import.h"
#include "data/birthday_file.h"
#include "data/output_file.h"
#include "data/settings_store.h"
#include "platform/qsettings_store.h"
#include "reminder/row_lines.h"
#include "reminder/scan.h"

#include <limits>

namespace candlewatcher {

void ListBirthdays(const std::filesystem::path& dataDirectory, const CalendarDate& today,
                   std::optional<double> days) {
    // Given days, the stored settings are not asked at all: a broken settings file does not matter then.
    const WarnSettings settings = days ? WarnSettings{1, *days} : LoadWarnSettings(QSettingsStore());
    const std::optional<FileBytes> bytes = BirthdayFile(dataDirectory).ReadBytes();
    const ScanHead scan = ScanBirthdayFileBytes(today, settings.Warn, settings.WarnDays, bytes.has_value(),
                                                bytes ? bytes->View() : std::string_view(),
                                                std::numeric_limits<std::size_t>::max());
    WriteStandardOutput(RowLines(scan.Head.Rows));
}

void ImportVCards(const std::filesystem::path& dataDirectory,
                  const std::vector<std::filesystem::path>& files) {
    std::string told;
    for (const std::string& line : ImportContactFiles(dataDirectory, files).Lines) {
        told += line;
        told += '\n';
    }
    WriteStandardOutput(told);
}

std::size_t ExportBirthdays(const std::filesystem::path& dataDirectory, const std::string& target,
                            std::time_t stamp) {
    return WriteBirthdayCalendar(dataDirectory, target, stamp);
}

} // namespace candlewatcher
