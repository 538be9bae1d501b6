#include "cli/commands.h"

#include "cli/export_entry.h"
#include "cli/modules.h"
#include "contacts/contact_import.h"
#include "data/birthday_file.h"
#include "data/ini_settings_reader.h"
#include "data/output_file.h"
#include "data/settings_store.h"
#include "reminder/row_lines.h"
#include "reminder/scan.h"

#include <limits>
#include <stdexcept>
#include <string>

#include <dlfcn.h>

namespace candlewatcher {

void ListBirthdays(const std::filesystem::path& dataDirectory, const CalendarDate& today,
                   std::optional<double> days) {
    // Given days, the stored settings are not asked at all: a broken settings file does not matter then.
    const WarnSettings settings = days ? WarnSettings{1, *days} : LoadWarnSettings(IniSettingsReader());
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
    std::string reason;
    auto* exportEntry =
        reinterpret_cast<ExportEntry*>(LoadModuleEntry(kExportModuleName, kExportEntryName, reason));
    if (exportEntry == nullptr) {
        throw std::runtime_error("cannot load the calendar export: " + reason);
    }
    std::size_t leftOut = 0;
    char error[2048] = "";
    if (exportEntry(dataDirectory.c_str(), target.c_str(), stamp, &leftOut, error, sizeof error) != 0) {
        throw std::runtime_error(error);
    }
    return leftOut;
}

} // namespace candlewatcher
