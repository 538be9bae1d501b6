#include "app/tray_entry.h"
#include "cli/arguments.h"
#include "cli/command_line.h"
#include "cli/modules.h"
#include "data/translation.h"
#include "data/translation.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <dlfcn.h>

namespace {

using namespace candlewatcher;

int StartTrayProgram(int argc, char* argv[]) {
    std::string reason;
    auto* trayMain = reinterpret_cast<TrayMain*>(LoadModuleEntry(kTrayModuleName, kTrayEntryName, reason));
    if (trayMain == nullptr) {
        // TRANSLATORS: %1 says why the tray program's module could not be loaded.
        const std::string message = FillIn(Tr("cannot start the tray program: %1"), {reason});
        std::fprintf(stderr, "candlewatcher: %s\n", message.c_str());
        return EXIT_FAILURE;
    }
    return trayMain(argc, argv);
}

} // namespace

int main(int argc, char* argv[]) {
    UseTranslations();
    ProgramArguments arguments;
    try {
        arguments = ParseArguments(argc, argv);
    } catch (const ArgumentError& error) {
        return ReportArgumentError(error);
    }
    // The command line's work needs no display and no tray: it is done before any of the tray program loads.
    if (arguments.Requested != Work::Tray) {
        return RunCommandLine(arguments);
    }
    // Without a display Qt aborts with a core dump and a page of advice about plugins; say it plainly.
    if (!DisplayReachable(arguments, std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"),
                          std::getenv("QT_QPA_PLATFORM"))) {
        std::fprintf(stderr, "candlewatcher: %s\n",
                     Tr("no display to show the tray and the reminder on (DISPLAY and WAYLAND_DISPLAY are "
                        "unset); the command line works without one: see --help"));
        return EXIT_FAILURE;
    }
    return StartTrayProgram(argc, argv);
}
