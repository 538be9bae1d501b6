#pragma once

#include <QStringList>

#include <filesystem>
#include <optional>

namespace candlewatcher {

// What the tray program takes from its command line: at most a data directory.
struct TrayArguments {
    // Given with --data-dir; absolute, with a trailing separator. Empty: the usual data directory.
    std::optional<std::filesystem::path> DataDirectory;
    // Set when the arguments cannot be used; the program says this and ends.
    QString Error;
};

TrayArguments ParseTrayArguments(const QStringList& arguments);

} // namespace candlewatcher
