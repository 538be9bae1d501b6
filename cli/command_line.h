#pragma once

#include "cli/arguments.h"

namespace candlewatcher {

// Does the command line's work the arguments ask for (anything but the tray program) and returns the exit
// status. Needs no display and takes no single-instance lock, so it runs beside a running program.
int RunCommandLine(const ProgramArguments& arguments);

} // namespace candlewatcher
