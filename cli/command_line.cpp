#include "cli/command_line.h"

#include "addressbook/storage_paths.h"
#include "cli/commands.h"
#include "cli/option_values.h"
#include "data/birthday_file.h"
#include "data/date_helpers.h"
#include "data/translation.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <sys/stat.h>

namespace candlewatcher {

namespace {

// A failed command: one line on standard error, after "candlewatcher: ".
class CommandLineError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Reading needs the folder to be there: a mistyped --data-dir would otherwise look like an empty list.
// Importing creates it, as the tray program does.
std::filesystem::path ExistingDataDirectory(const ProgramArguments& arguments) {
    if (!arguments.DataDirectory) {
        return DataDirectory();
    }
    const std::filesystem::path& directory = *arguments.DataDirectory;
    struct stat status {};
    const int error = ::stat(directory.c_str(), &status) == 0 ? 0 : errno;
    if (error == 0 && S_ISDIR(status.st_mode)) {
        return directory;
    }
    // With its trailing separator, a file's name fails with ENOTDIR.
    const char* reason = error == ENOENT                  ? Tr("no such directory")
                         : error == 0 || error == ENOTDIR ? Tr("not a directory")
                                                          : std::strerror(error);
    throw CommandLineError("--data-dir: " + directory.string() + ": " + reason);
}

int List(const ProgramArguments& arguments) {
    std::optional<double> days;
    if (arguments.Days) {
        days = ParseDays(*arguments.Days);
        if (!days) {
            // TRANSLATORS: %1 is the value given to --days.
            throw CommandLineError(FillIn(Tr("--days: %1: not a whole number >= 0"), {*arguments.Days}));
        }
    }
    CalendarDate today = Today();
    if (arguments.Date) {
        const std::optional<CalendarDate> date = ParseDate(*arguments.Date);
        if (!date) {
            throw CommandLineError(
                // TRANSLATORS: %1 is the value given to --date; keep YYYY-MM-DD, the form it must have.
                FillIn(Tr("--date: %1: not a date of the form YYYY-MM-DD"), {*arguments.Date}));
        }
        today = *date;
    }
    const std::filesystem::path directory = ExistingDataDirectory(arguments);
    try {
        ListBirthdays(directory, DefaultAddressBookPaths(), today, days);
    } catch (const std::exception& error) {
        throw CommandLineError(std::string("--list: ") + error.what());
    }
    return EXIT_SUCCESS;
}

int Export(const ProgramArguments& arguments) {
    const std::filesystem::path directory = ExistingDataDirectory(arguments);
    std::size_t leftOut = 0;
    try {
        leftOut = ExportBirthdays(directory, DefaultAddressBookPaths(), *arguments.ExportTarget,
                                  std::time(nullptr));
    } catch (const std::exception& error) {
        throw CommandLineError(std::string("--export: ") + error.what());
    }
    if (leftOut > 0) {
        const std::string message = FillIn(TrN("--export: %1 record left out: no calendar date",
                                               "--export: %1 records left out: no calendar date", leftOut),
                                           {std::to_string(leftOut)});
        std::fprintf(stderr, "candlewatcher: %s\n", message.c_str());
    }
    return EXIT_SUCCESS;
}

int Import(const ProgramArguments& arguments) {
    try {
        ImportVCards(arguments.DataDirectory.value_or(DataDirectory()), arguments.ImportFiles);
    } catch (const std::exception& error) {
        throw CommandLineError(std::string("--import: ") + error.what());
    }
    return EXIT_SUCCESS;
}

// The address-book commands keep their subscriptions beside the settings and their caches in the user's
// cache folder, whatever the data directory: birthday.dat is the user's own and never written by them.
int AddressBookWork(const ProgramArguments& arguments) {
    const AddressBookPaths paths = DefaultAddressBookPaths();
    const char* option = "";
    try {
        switch (arguments.Requested) {
        case Work::AddAddressBook:
            option = "--add-address-book";
            SubscribeAddressBook(paths, *arguments.AddressBook, arguments.User.value_or(""),
                                 arguments.PasswordCommand.value_or(""), std::time(nullptr));
            return EXIT_SUCCESS;
        case Work::AddressBooks:
            option = "--address-books";
            PrintSubscriptions(paths);
            return EXIT_SUCCESS;
        case Work::Sync:
            option = "--sync";
            return SyncSubscriptions(paths, std::time(nullptr)) ? EXIT_SUCCESS : EXIT_FAILURE;
        case Work::RemoveAddressBook:
            option = "--remove-address-book";
            Unsubscribe(paths, *arguments.AddressBook);
            return EXIT_SUCCESS;
        default:
            break;
        }
    } catch (const std::exception& error) {
        throw CommandLineError(std::string(option) + ": " + error.what());
    }
    throw std::logic_error("no address-book work was asked for");
}

int Run(const ProgramArguments& arguments) {
    switch (arguments.Requested) {
    case Work::Help: {
        const std::string help = HelpText();
        std::fwrite(help.data(), 1, help.size(), stdout);
        return EXIT_SUCCESS;
    }
    case Work::Version:
        std::printf("candlewatcher %s\n", CANDLEWATCHER_VERSION);
        return EXIT_SUCCESS;
    case Work::List:
        return List(arguments);
    case Work::Import:
        return Import(arguments);
    case Work::Export:
        return Export(arguments);
    case Work::AddAddressBook:
    case Work::AddressBooks:
    case Work::Sync:
    case Work::RemoveAddressBook:
        return AddressBookWork(arguments);
    case Work::Tray:
        break;
    }
    throw std::logic_error("the tray program is no work of the command line");
}

} // namespace

int RunCommandLine(const ProgramArguments& arguments) {
    try {
        return Run(arguments);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "candlewatcher: %s\n", error.what());
        return EXIT_FAILURE;
    }
}

} // namespace candlewatcher
