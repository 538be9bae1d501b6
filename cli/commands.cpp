#include "cli/commands.h"

#include "addressbook/commands.h"
#include "addressbook/shown_scan.h"
#include "addressbook/stored_files.h"
#include "cli/addressbook_entry.h"
#include "cli/export_entry.h"
#include "cli/modules.h"
#include "contacts/contact_import.h"
#include "data/birthday_file.h"
#include "data/ini_settings_reader.h"
#include "data/output_file.h"
#include "data/settings_store.h"
#include "data/translation.h"
#include "reminder/row_lines.h"
#include "reminder/scan.h"

#include <chrono>
#include <limits>
#include <stdexcept>
#include <string>

namespace candlewatcher {

namespace {

// How long a server may take to connect, or stall in an answer, before the command gives up on it.
constexpr std::chrono::milliseconds kServerTimeout{30000};

// Large enough for any reason a module gives: a path, a URL and a system's message.
constexpr std::size_t kErrorSize = 4096;

// failure: what could not be loaded, with %1 for the reason; marked for translation, translated here.
template <typename Entry>
Entry* LoadEntry(const char* moduleName, const char* entryName, const char* failure) {
    std::string reason;
    auto* entry = reinterpret_cast<Entry*>(LoadModuleEntry(moduleName, entryName, reason));
    if (entry == nullptr) {
        throw std::runtime_error(FillIn(Tr(failure), {reason}));
    }
    return entry;
}

void AppendLine(const char* line, void* lines) {
    *static_cast<std::string*>(lines) += std::string(line) + "\n";
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

} // namespace

void ListBirthdays(const std::filesystem::path& dataDirectory, const AddressBookPaths& addressBooks,
                   const CalendarDate& today, std::optional<double> days) {
    // Given days, the stored settings are not asked at all: a broken settings file does not matter then.
    const WarnSettings settings = days ? WarnSettings{1, *days} : LoadWarnSettings(IniSettingsReader());
    const ScanHead scan = ScanShownBirthdays(today, settings, addressBooks, dataDirectory, IniSettingsReader(),
                                             std::numeric_limits<std::size_t>::max());
    WriteStandardOutput(RowLines(scan.Head.Rows));
}

void ImportVCards(const std::filesystem::path& dataDirectory,
                  const std::vector<std::filesystem::path>& files) {
    WriteStandardOutput(Joined(ImportContactFiles(dataDirectory, files).Lines));
}

std::size_t ExportBirthdays(const std::filesystem::path& dataDirectory, const AddressBookPaths& addressBooks,
                            const std::string& target, std::time_t stamp) {
    auto* exportEntry = LoadEntry<ExportEntry>(
        kExportModuleName, kExportEntryName,
        // TRANSLATORS: %1 says why the part of the program that writes calendars could not be loaded.
        TrNoop("cannot load the calendar export: %1"));
    std::size_t leftOut = 0;
    char error[kErrorSize] = "";
    if (exportEntry(dataDirectory.c_str(), addressBooks.SubscriptionFile.c_str(),
                    addressBooks.CacheDirectory.c_str(), target.c_str(), stamp, &leftOut, error,
                    sizeof error) != 0) {
        throw std::runtime_error(error);
    }
    return leftOut;
}

void SubscribeAddressBook(const AddressBookPaths& addressBooks, const std::string& location,
                          const std::string& user, const std::string& passwordCommand, std::time_t now) {
    auto* add = LoadEntry<AddAddressBookEntry>(
        kAddressBookModuleName, kAddAddressBookEntryName,
        // TRANSLATORS: %1 says why the part of the program that reads address books could not be loaded.
        TrNoop("cannot load the address-book sync: %1"));
    std::string lines;
    char error[kErrorSize] = "";
    if (add(addressBooks.SubscriptionFile.c_str(), addressBooks.CacheDirectory.c_str(), location.c_str(),
            user.c_str(), passwordCommand.c_str(), kServerTimeout.count(), now, AppendLine, &lines, error,
            sizeof error) != 0) {
        throw std::runtime_error(error);
    }
    WriteStandardOutput(lines);
}

bool SyncSubscriptions(const AddressBookPaths& addressBooks, std::time_t now) {
    auto* sync = LoadEntry<SyncAddressBooksEntry>(kAddressBookModuleName, kSyncAddressBooksEntryName,
                                                  TrNoop("cannot load the address-book sync: %1"));
    std::string lines;
    int anyFailed = 0;
    char error[kErrorSize] = "";
    if (sync(addressBooks.SubscriptionFile.c_str(), addressBooks.CacheDirectory.c_str(),
             kServerTimeout.count(), now, AppendLine, &lines, &anyFailed, error, sizeof error) != 0) {
        throw std::runtime_error(error);
    }
    WriteStandardOutput(lines);
    return anyFailed == 0;
}

void PrintSubscriptions(const AddressBookPaths& addressBooks) {
    WriteStandardOutput(Joined(ListAddressBooks(addressBooks)));
}

void Unsubscribe(const AddressBookPaths& addressBooks, const std::string& which) {
    WriteStandardOutput(Joined(RemoveAddressBook(addressBooks, which)));
}

} // namespace candlewatcher
