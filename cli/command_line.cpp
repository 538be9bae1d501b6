#include "cli/command_line.h"

#include "cli/commands.h"
#include "cli/option_values.h"
#include "data/birthday_file.h"
#include "data/date_helpers.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace candlewatcher {

namespace {

// The long options that make a run of the command line; --data-dir alone leaves the tray program to start.
constexpr std::array<std::string_view, 8> kCommandLineOptions = {"list", "import", "export",   "days",
                                                                 "date", "help",   "help-all", "version"};

bool AsksForCommandLine(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") {
            break;
        }
        if (argument == "--data-dir") {
            ++i; // its value, whatever it looks like
            continue;
        }
        if (argument == "-h" || argument == "-v" || argument == "-?") {
            return true;
        }
        if (argument.starts_with("--")) {
            const std::string_view name = argument.substr(2, argument.find('=') - 2);
            for (const std::string_view option : kCommandLineOptions) {
                if (name == option) {
                    return true;
                }
            }
        }
    }
    return false;
}

// A mistake in the arguments or a failed command: one line on standard error, after "candlewatcher: ".
class CommandLineError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Text(const QString& text) {
    return text.toStdString();
}

struct Options {
    QCommandLineOption List{
        QStringLiteral("list"),
        QStringLiteral("Print today's birthdays and those of the coming days, one a line, "
                       "as the reminder panel shows them.")};
    QCommandLineOption Import{
        QStringLiteral("import"),
        QStringLiteral("Add the birthdays of the vCard files given as arguments; say what "
                       "was added and what was skipped.")};
    QCommandLineOption Export{QStringLiteral("export"),
                              QStringLiteral("Write every birthday to <file> as an iCalendar file of yearly "
                                             "events; - writes to standard output."),
                              QStringLiteral("file")};
    QCommandLineOption Days{QStringLiteral("days"),
                            QStringLiteral("With --list: look <n> days ahead (0: today only) instead of as "
                                           "the settings say."),
                            QStringLiteral("n")};
    QCommandLineOption Date{QStringLiteral("date"),
                            QStringLiteral("With --list: take <date> (YYYY-MM-DD) as today."),
                            QStringLiteral("date")};
    QCommandLineOption DataDir{QStringLiteral("data-dir"),
                               QStringLiteral("Keep the birthdays (birthday.dat) in <dir>."),
                               QStringLiteral("dir")};
};

std::filesystem::path DataDirectoryOf(const QCommandLineParser& parser, const Options& options) {
    if (parser.isSet(options.DataDir)) {
        return QFile::encodeName(parser.value(options.DataDir)).toStdString();
    }
    return DataDirectory();
}

// Options that only --list takes are refused with any other command, so that none is silently ignored.
void RefuseListOptions(const QCommandLineParser& parser, const Options& options) {
    for (const QCommandLineOption* option : {&options.Days, &options.Date}) {
        if (parser.isSet(*option)) {
            throw CommandLineError("--" + Text(option->names().first()) + ": only with --list");
        }
    }
}

int List(const QCommandLineParser& parser, const Options& options) {
    std::optional<double> days;
    if (parser.isSet(options.Days)) {
        const std::string text = Text(parser.value(options.Days));
        days = ParseDays(text);
        if (!days) {
            throw CommandLineError("--days: " + text + ": not a whole number >= 0");
        }
    }
    CalendarDate today = Today();
    if (parser.isSet(options.Date)) {
        const std::string text = Text(parser.value(options.Date));
        const std::optional<CalendarDate> date = ParseDate(text);
        if (!date) {
            throw CommandLineError("--date: " + text + ": not a date of the form YYYY-MM-DD");
        }
        today = *date;
    }
    try {
        ListBirthdays(DataDirectoryOf(parser, options), today, days);
    } catch (const std::exception& error) {
        throw CommandLineError(std::string("--list: ") + error.what());
    }
    return EXIT_SUCCESS;
}

int Export(const QCommandLineParser& parser, const Options& options) {
    RefuseListOptions(parser, options);
    const QString target = parser.value(options.Export);
    std::size_t leftOut = 0;
    try {
        leftOut = ExportBirthdays(
            DataDirectoryOf(parser, options),
            target == QLatin1String("-") ? "-" : QFile::encodeName(target).toStdString(), std::time(nullptr));
    } catch (const std::exception& error) {
        throw CommandLineError(std::string("--export: ") + error.what());
    }
    if (leftOut > 0) {
        std::fprintf(stderr, "candlewatcher: --export: %zu record%s left out: no calendar date\n", leftOut,
                     leftOut == 1 ? "" : "s");
    }
    return EXIT_SUCCESS;
}

int Import(const QCommandLineParser& parser, const Options& options) {
    RefuseListOptions(parser, options);
    std::vector<std::filesystem::path> files;
    for (const QString& file : parser.positionalArguments()) {
        files.emplace_back(QFile::encodeName(file).toStdString());
    }
    if (files.empty()) {
        throw CommandLineError("--import: no vCard file given");
    }
    try {
        ImportVCards(DataDirectoryOf(parser, options), files);
    } catch (const std::exception& error) {
        throw CommandLineError(std::string("--import: ") + error.what());
    }
    return EXIT_SUCCESS;
}

int Run(const QCommandLineParser& parser, const Options& options) {
    const bool list = parser.isSet(options.List);
    const bool import = parser.isSet(options.Import);
    const bool exportTo = parser.isSet(options.Export);
    if (int(list) + int(import) + int(exportTo) > 1) {
        throw CommandLineError("--list, --import, --export: one at a time");
    }
    if (import) {
        return Import(parser, options);
    }
    if (!parser.positionalArguments().isEmpty()) {
        throw CommandLineError(Text(parser.positionalArguments().first()) + ": unexpected argument");
    }
    if (list) {
        return List(parser, options);
    }
    if (exportTo) {
        return Export(parser, options);
    }
    RefuseListOptions(parser, options);
    return EXIT_SUCCESS;
}

int RunCommandLine(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("candlewatcher"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CANDLEWATCHER_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Birthday reminder for the desktop. Without --list, --import, --export, --help or "
                       "--version it starts in the tray."));
    parser.addHelpOption();
    parser.addVersionOption();
    const Options options;
    parser.addOptions(
        {options.List, options.Import, options.Export, options.Days, options.Date, options.DataDir});
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("With --import: the vCard files."),
                                 QStringLiteral("[files...]"));
    // Help, version and unknown options are answered as Qt's own tools answer them, and end the process.
    parser.process(application);

    try {
        return Run(parser, options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "candlewatcher: %s\n", error.what());
        return EXIT_FAILURE;
    }
}

} // namespace

std::optional<int> RunCommandLineIfAsked(int argc, char* argv[]) {
    if (!AsksForCommandLine(argc, argv)) {
        return std::nullopt;
    }
    return RunCommandLine(argc, argv);
}

} // namespace candlewatcher
