#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace candlewatcher {

// What a run of the program is for: the tray program, or one piece of work of the command line.
enum class Work {
    Tray,
    List,
    Import,
    Export,
    AddAddressBook,
    AddressBooks,
    Sync,
    RemoveAddressBook,
    Help,
    Version
};

// Arguments that cannot be used as given: a value the program cannot take (exit status 1).
class ArgumentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    virtual int Status() const { return 1; }
};

// Arguments the program does not understand at all: an unknown option, an argument where none is expected,
// an option without its value (exit status 2, with a pointer to --help).
class UsageError : public ArgumentError {
public:
    using ArgumentError::ArgumentError;
    int Status() const override { return 2; }
};

// The arguments of either the command line or the tray program, read from argv as the bytes they are.
struct ProgramArguments {
    Work Requested = Work::Tray;
    // Given with --data-dir: absolute, with a trailing separator.
    std::optional<std::filesystem::path> DataDirectory;
    std::optional<std::string> ExportTarget; // "-" for standard output
    std::optional<std::string> Days;
    std::optional<std::string> Date;
    std::vector<std::filesystem::path> ImportFiles;
    // The value of --add-address-book (a URL or a folder) or of --remove-address-book (also a number).
    std::optional<std::string> AddressBook;
    std::optional<std::string> User;            // with --add-address-book
    std::optional<std::string> PasswordCommand; // with --add-address-book
    // A platform (-platform) or an X display (-display) was named for the tray program.
    bool NamesDisplay = false;
};

// Reads the arguments (argv[0] is the program). The tray program takes --data-dir and the options every Qt
// program takes (-platform, -style, ...; Qt reads those itself); the command line takes its own. Throws
// UsageError, else ArgumentError, naming the first argument that cannot be used.
ProgramArguments ParseArguments(int argc, const char* const argv[]);

// Says on standard error why the arguments cannot be used and returns the exit status for it.
int ReportArgumentError(const ArgumentError& error);

// --help: every option of the command line and of the tray program.
std::string HelpText();

// Whether the tray program can hope to find a display: one is named in the arguments or in the
// environment (DISPLAY, WAYLAND_DISPLAY), or a platform plugin is chosen (QT_QPA_PLATFORM), which may need
// none. Each environment value is null when unset.
bool DisplayReachable(const ProgramArguments& arguments, const char* display, const char* waylandDisplay,
                      const char* qpaPlatform);

} // namespace candlewatcher
