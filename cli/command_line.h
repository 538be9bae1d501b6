#pragma once

#include <optional>

namespace candlewatcher {

// When the arguments ask for work of the command line (--list, --export, --help, --version, or an option
// that only they take), does it and returns the exit status; otherwise returns nothing and the tray program
// starts. Needs no display: it creates a QCoreApplication, never a QApplication, and no single-instance
// lock, so it runs beside a running program.
std::optional<int> RunCommandLineIfAsked(int argc, char* argv[]);

} // namespace candlewatcher
