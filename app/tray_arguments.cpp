#include "app/tray_arguments.h"

#include <QCommandLineParser>
#include <QDir>

namespace candlewatcher {

TrayArguments ParseTrayArguments(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption dataDirectory(
        QStringLiteral("data-dir"), QStringLiteral("Keep birthday.dat in <dir>."), QStringLiteral("dir"));
    parser.addOption(dataDirectory);
    TrayArguments result;
    if (!parser.parse(arguments)) {
        result.Error = parser.errorText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.Error = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first());
        return result;
    }
    if (parser.isSet(dataDirectory)) {
        const QString given = parser.value(dataDirectory);
        if (given.isEmpty()) {
            result.Error = QStringLiteral("--data-dir needs a directory.");
            return result;
        }
        // Absolute now: the program's working directory is no part of where the birthdays are.
        QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(given));
        if (!absolute.endsWith(QLatin1Char('/'))) {
            absolute += QLatin1Char('/');
        }
        result.DataDirectory = std::filesystem::path(absolute.toStdString());
    }
    return result;
}

} // namespace candlewatcher
