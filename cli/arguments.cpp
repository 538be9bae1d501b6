#include "cli/arguments.h"

#include "cli/text_columns.h"
#include "data/translation.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>
#include <system_error>

namespace candlewatcher {

namespace {

enum class Option {
    Help,
    Version,
    List,
    Import,
    Export,
    AddAddressBook,
    AddressBooks,
    Sync,
    RemoveAddressBook,
    Days,
    Date,
    User,
    PasswordCommand,
    DataDir,
    Count
};

struct OwnOption {
    Option Id;
    std::string_view Short; // without its dash; empty when there is none
    std::string_view Long;  // without its dashes
    std::string_view Value; // the name of its value in the help; empty for an option without one
    const char* Help;       // marked for translation; null for an option the help leaves out
};

// --help-all stays for those who learnt it when the help had a shorter and a longer form.
constexpr std::array<OwnOption, 17> kOwnOptions = {{
    {Option::Help, "h", "help", "", TrNoop("Displays help on commandline options.")},
    {Option::Help, "?", "help-all", "", nullptr},
    {Option::Version, "v", "version", "", TrNoop("Displays version information.")},
    {Option::List, "", "list", "",
     TrNoop("Print today's birthdays and those of the coming days, one a line, as the reminder panel shows "
            "them.")},
    {Option::Import, "", "import", "",
     TrNoop("Add the birthdays of the vCard files given as arguments; say what was added and what was "
            "skipped.")},
    {Option::Export, "", "export", "file",
     // TRANSLATORS: keep <file>: it names the option's value, as its line in --help shows it.
     TrNoop("Write every birthday to <file> as an iCalendar file of yearly events; - writes to standard "
            "output.")},
    {Option::Days, "", "days", "n",
     // TRANSLATORS: keep <n>: it names the option's value, as its line in --help shows it.
     TrNoop("With --list: look <n> days ahead (0: today only) instead of as the settings say.")},
    // TRANSLATORS: keep <date>: it names the option's value, as its line in --help shows it.
    {Option::Date, "", "date", "date", TrNoop("With --list: take <date> (YYYY-MM-DD) as today.")},
    {Option::AddAddressBook, "", "add-address-book", "source",
     // TRANSLATORS: keep <source>: it names the option's value, as its line in --help shows it.
     TrNoop("Subscribe to an address book, after reading it once: <source> is a CardDAV address book's URL, "
            "a CardDAV server's URL (every address book found there), or a folder of .vcf files. Its "
            "birthdays are reminded of like those of birthday.dat, which wins on a name both hold.")},
    // TRANSLATORS: keep <name>: it names the option's value, as its line in --help shows it.
    {Option::User, "", "user", "name", TrNoop("With --add-address-book: sign in to the server as <name>.")},
    {Option::PasswordCommand, "", "password-command", "command",
     // TRANSLATORS: keep <command>: it names the option's value, as its line in --help shows it.
     TrNoop("With --add-address-book: the password is the first line that <command> (run by /bin/sh) prints, "
            "whenever it is needed; it is never stored.")},
    {Option::AddressBooks, "", "address-books", "",
     TrNoop("Print the subscribed address books, one a line, tab-separated: number, URL or folder, user, "
            "birthdays, last good sync, last error.")},
    {Option::Sync, "", "sync", "", TrNoop("Sync every subscribed address book once now; say how each went.")},
    {Option::RemoveAddressBook, "", "remove-address-book", "book",
     // TRANSLATORS: keep <book>: it names the option's value, as its line in --help shows it.
     TrNoop("Forget the subscribed address book <book> (its number, URL or folder, as --address-books shows "
            "it) and remove its cache.")},
    // TRANSLATORS: keep <dir>: it names the option's value, as its line in --help shows it.
    {Option::DataDir, "", "data-dir", "dir", TrNoop("Keep the birthdays (birthday.dat) in <dir>.")},
}};

// The commands: one of them a run, and the options that only one of them takes.
constexpr std::array<Option, 7> kCommands = {
    Option::List,         Option::Import, Option::Export,           Option::AddAddressBook,
    Option::AddressBooks, Option::Sync,   Option::RemoveAddressBook};

struct CommandOption {
    Option Id;
    Option Command; // the only command it goes with
};

constexpr std::array<CommandOption, 4> kCommandOptions = {
    {{Option::Days, Option::List},
     {Option::Date, Option::List},
     {Option::User, Option::AddAddressBook},
     {Option::PasswordCommand, Option::AddAddressBook}}};

// The options Qt reads from the command line of every program with windows. Each is written with one dash
// or two; Qt also reads the value of -style and -stylesheet after an equals sign.
struct QtOption {
    std::string_view Name;
    std::string_view Value;
    bool TakesEqualsForm;
    const char* Help; // marked for translation
};

constexpr std::array<QtOption, 9> kQtOptions = {{
    {"platform", "name", false, TrNoop("The platform plugin (xcb, wayland, offscreen).")},
    {"display", "display", false, TrNoop("The X display to show the tray and the panel on.")},
    {"style", "style", true, TrNoop("The widget style of the windows; also -style=<style>.")},
    {"stylesheet", "file", true, TrNoop("A style sheet for the windows; also -stylesheet=<file>.")},
    {"widgetcount", "", false, TrNoop("At the end, print how many widgets were left.")},
    {"reverse", "", false, TrNoop("Lay the windows out from right to left.")},
    {"qwindowgeometry", "geometry", false, TrNoop("The geometry of the first window.")},
    {"qwindowtitle", "title", false, TrNoop("The title of the first window.")},
    {"qwindowicon", "icon", false, TrNoop("The icon of the windows.")},
}};

std::string Line(const char* text) {
    return std::string(text) + "\n";
}

const OwnOption* FindOwnOption(std::string_view argument) {
    for (const OwnOption& option : kOwnOptions) {
        if (argument.starts_with("--") ? argument.substr(2) == option.Long
                                       : !option.Short.empty() && argument.substr(1) == option.Short) {
            return &option;
        }
    }
    return nullptr;
}

// The long name of an option, without its dashes.
std::string_view NameOf(Option id) {
    return std::find_if(kOwnOptions.begin(), kOwnOptions.end(),
                        [&](const OwnOption& option) { return option.Id == id; })
        ->Long;
}

const QtOption* FindQtOption(std::string_view name) {
    for (const QtOption& option : kQtOptions) {
        if (name == option.Name) {
            return &option;
        }
    }
    return nullptr;
}

std::filesystem::path AbsoluteDirectory(const std::string& given) {
    if (given.empty()) {
        throw ArgumentError(Tr("--data-dir needs a directory"));
    }
    // Absolute now: the working directory is no part of where the birthdays are.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(given, error);
    if (error) {
        throw ArgumentError("--data-dir: " + given + ": " + error.message());
    }
    std::string text = absolute.lexically_normal().string();
    if (text.back() != '/') {
        text += '/';
    }
    return text;
}

// Everything the loop over argv finds, before the checks of what goes with what.
struct Found {
    std::array<bool, static_cast<std::size_t>(Option::Count)> Options{};
    std::optional<std::string> DataDirectory;
    std::string FirstQtOption;
    std::vector<std::string> Positional;
    ProgramArguments Result;

    bool Has(Option option) const { return Options[static_cast<std::size_t>(option)]; }
};

void TakeOwnOption(const OwnOption& option, std::optional<std::string> value, Found& found) {
    found.Options[static_cast<std::size_t>(option.Id)] = true;
    switch (option.Id) {
    case Option::Export:
        found.Result.ExportTarget = std::move(value);
        break;
    case Option::Days:
        found.Result.Days = std::move(value);
        break;
    case Option::Date:
        found.Result.Date = std::move(value);
        break;
    case Option::AddAddressBook:
    case Option::RemoveAddressBook:
        found.Result.AddressBook = std::move(value);
        break;
    case Option::User:
        found.Result.User = std::move(value);
        break;
    case Option::PasswordCommand:
        found.Result.PasswordCommand = std::move(value);
        break;
    case Option::DataDir:
        found.DataDirectory = std::move(value);
        break;
    default:
        break;
    }
}

Found ReadArgv(int argc, const char* const argv[]) {
    Found found;
    bool onlyPositional = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (onlyPositional || argument.size() < 2 || argument[0] != '-') {
            found.Positional.emplace_back(argument);
            continue;
        }
        if (argument == "--") {
            onlyPositional = true;
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string_view named = argument.substr(0, equals);
        std::optional<std::string> inlineValue;
        if (equals != std::string_view::npos) {
            inlineValue = std::string(argument.substr(equals + 1));
        }
        const auto valueAfter = [&](std::string_view option) {
            if (i + 1 >= argc) {
                // TRANSLATORS: %1 is an option as given, such as --export.
                throw UsageError(FillIn(Tr("missing value: %1"), {option}));
            }
            return std::string(argv[++i]); // whatever it looks like, as --days -1 shows
        };

        if (const OwnOption* own = FindOwnOption(named);
            own != nullptr && (named[1] == '-' || !inlineValue)) {
            if (own->Value.empty() && inlineValue) {
                // TRANSLATORS: %1 is an option with the value given to it, such as --list=5.
                throw UsageError(FillIn(Tr("unexpected value: %1"), {argument}));
            }
            TakeOwnOption(*own,
                          own->Value.empty() ? std::nullopt
                          : inlineValue      ? inlineValue
                                             : valueAfter(named),
                          found);
            continue;
        }
        const std::string_view qtName = named.substr(named[1] == '-' ? 2 : 1);
        const QtOption* qt = FindQtOption(qtName);
        if (qt == nullptr || (inlineValue && !qt->TakesEqualsForm)) {
            // TRANSLATORS: %1 is an option as given, such as --lsit.
            throw UsageError(FillIn(Tr("unknown option: %1"), {named}));
        }
        if (found.FirstQtOption.empty()) {
            found.FirstQtOption = named;
        }
        if (!qt->Value.empty() && !inlineValue) {
            valueAfter(named);
        }
        found.Result.NamesDisplay =
            found.Result.NamesDisplay || qt->Name == "platform" || qt->Name == "display";
    }
    return found;
}

} // namespace

ProgramArguments ParseArguments(int argc, const char* const argv[]) {
    Found found = ReadArgv(argc, argv);
    ProgramArguments& result = found.Result;
    const auto commands =
        std::count_if(kCommands.begin(), kCommands.end(), [&](Option command) { return found.Has(command); });
    const bool commandLine = commands > 0 || found.Has(Option::Help) || found.Has(Option::Version) ||
                             std::any_of(kCommandOptions.begin(), kCommandOptions.end(),
                                         [&](const CommandOption& option) { return found.Has(option.Id); });
    // Qt's own options are the tray program's: the command line's work has no window to apply them to.
    if (commandLine && !found.FirstQtOption.empty()) {
        throw UsageError(FillIn(Tr("unknown option: %1"), {found.FirstQtOption}));
    }
    if (!found.Has(Option::Import) && !found.Positional.empty()) {
        // TRANSLATORS: %1 is an argument that no option takes, as given.
        throw UsageError(FillIn(Tr("unexpected argument: %1"), {found.Positional.front()}));
    }
    if (found.Has(Option::Version)) {
        result.Requested = Work::Version;
        return result;
    }
    if (found.Has(Option::Help)) {
        result.Requested = Work::Help;
        return result;
    }
    if (commands > 1) {
        std::string names;
        for (const Option command : kCommands) {
            names += (names.empty() ? "--" : ", --") + std::string(NameOf(command));
        }
        // TRANSLATORS: %1 lists the options that each ask for a piece of work: --list, --import, ...
        throw ArgumentError(FillIn(Tr("%1: one at a time"), {names}));
    }
    // Options that only one command takes are refused elsewhere, so that none is silently ignored.
    for (const CommandOption& option : kCommandOptions) {
        if (found.Has(option.Id) && !found.Has(option.Command)) {
            // TRANSLATORS: %1 is an option such as --days, %2 the only option it goes with, such as --list.
            throw ArgumentError(FillIn(Tr("%1: only with %2"), {"--" + std::string(NameOf(option.Id)),
                                                                "--" + std::string(NameOf(option.Command))}));
        }
    }
    if (found.Has(Option::Import) && found.Positional.empty()) {
        throw ArgumentError(Tr("--import: no vCard file given"));
    }
    if (found.DataDirectory) {
        result.DataDirectory = AbsoluteDirectory(*found.DataDirectory);
    }
    result.ImportFiles.assign(found.Positional.begin(), found.Positional.end());
    result.Requested = found.Has(Option::List)                ? Work::List
                       : found.Has(Option::Import)            ? Work::Import
                       : found.Has(Option::Export)            ? Work::Export
                       : found.Has(Option::AddAddressBook)    ? Work::AddAddressBook
                       : found.Has(Option::AddressBooks)      ? Work::AddressBooks
                       : found.Has(Option::Sync)              ? Work::Sync
                       : found.Has(Option::RemoveAddressBook) ? Work::RemoveAddressBook
                                                              : Work::Tray;
    return result;
}

int ReportArgumentError(const ArgumentError& error) {
    std::fprintf(stderr, "candlewatcher: %s\n", error.what());
    if (error.Status() == 2) {
        // TRANSLATORS: keep the command candlewatcher --help as it is.
        std::fputs(Line(Tr("Try 'candlewatcher --help'.")).c_str(), stderr);
    }
    return error.Status();
}

namespace {

// Appends "  names  help" with the help wrapped at the width of a terminal, each line after the first
// starting at the help's column. The help is translated text, so it is measured in columns, not bytes.
void AppendEntry(std::string& text, const std::string& names, std::string_view help, std::size_t column) {
    constexpr std::size_t kWidth = 79;
    std::string line = "  " + names;
    line.resize(std::max(column, line.size() + 2), ' ');
    while (!help.empty()) {
        const std::size_t room = kWidth - std::min(kWidth - 20, TextColumns(line));
        text += line;
        text += TakeLine(help, room);
        text += '\n';
        line.assign(column, ' ');
    }
}

std::string OwnNames(const OwnOption& option) {
    std::string names = option.Short.empty() ? "" : "-" + std::string(option.Short) + ", ";
    names += "--" + std::string(option.Long);
    return option.Value.empty() ? names : names + " <" + std::string(option.Value) + ">";
}

std::string QtNames(const QtOption& option) {
    return "-" + std::string(option.Name) +
           (option.Value.empty() ? "" : " <" + std::string(option.Value) + ">");
}

} // namespace

std::string HelpText() {
    std::size_t column = 0;
    for (const OwnOption& option : kOwnOptions) {
        column = std::max(column, OwnNames(option).size());
    }
    for (const QtOption& option : kQtOptions) {
        column = std::max(column, QtNames(option).size());
    }
    column += 4;

    // TRANSLATORS: keep candlewatcher and the brackets; "files" is the name the Arguments section gives.
    std::string text = Line(Tr("Usage: candlewatcher [options] [files...]")) +
                       Line(Tr("Birthday reminder for the desktop. With none of the options below but "
                               "--data-dir, it starts in the tray.")) +
                       "\n" + Line(Tr("Options:"));
    for (const OwnOption& option : kOwnOptions) {
        if (option.Help != nullptr) {
            AppendEntry(text, OwnNames(option), Tr(option.Help), column);
        }
    }
    text += "\n" + Line(Tr("Options of the tray program, as of every Qt program (also with two dashes):"));
    // TRANSLATORS: the help of --data-dir among the tray program's options: it does what the line above says.
    AppendEntry(text, "--data-dir <dir>", Tr("As above."), column);
    for (const QtOption& option : kQtOptions) {
        AppendEntry(text, QtNames(option), Tr(option.Help), column);
    }
    text += "\n" + Line(Tr("Arguments:"));
    AppendEntry(text, "files", Tr("With --import: the vCard files."), column);
    text +=
        "\n" +
        Line(Tr("Exit status: 0 on success, 1 after a failure, 2 when the arguments are not understood."));
    return text;
}

bool DisplayReachable(const ProgramArguments& arguments, const char* display, const char* waylandDisplay,
                      const char* qpaPlatform) {
    const auto given = [](const char* value) {
        return value != nullptr && *value != '\0';
    };
    return arguments.NamesDisplay || given(display) || given(waylandDisplay) || given(qpaPlatform);
}

} // namespace candlewatcher
