#include "app/tray_entry.h"
#include "cli/arguments.h"
#include "cli/command_line.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <dlfcn.h>

namespace {

using namespace candlewatcher;

// The tray module lies beside the program (the build folder, a portable copy), or where installing puts it,
// in the same place relative to the program whatever the prefix.
std::filesystem::path FindTrayModule() {
    std::error_code error;
    const std::filesystem::path directory =
        std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    for (const std::filesystem::path& candidate :
         {directory / kTrayModuleName, directory / CANDLEWATCHER_TRAY_MODULE_FROM_BIN / kTrayModuleName}) {
        if (std::filesystem::exists(candidate, error)) {
            return candidate;
        }
    }
    return {};
}

int StartTrayProgram(int argc, char* argv[]) {
    const std::filesystem::path path = FindTrayModule();
    if (path.empty()) {
        std::fprintf(
            stderr,
            "candlewatcher: cannot start the tray program: %s is neither beside the program nor in %s\n",
            kTrayModuleName, CANDLEWATCHER_TRAY_MODULE_FROM_BIN);
        return EXIT_FAILURE;
    }
    // Never closed: the tray program runs until the process ends.
    void* module = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
    void* entry = module != nullptr ? ::dlsym(module, kTrayEntryName) : nullptr;
    if (entry == nullptr) {
        std::fprintf(stderr, "candlewatcher: cannot start the tray program: %s\n", ::dlerror());
        return EXIT_FAILURE;
    }
    return reinterpret_cast<TrayMain*>(entry)(argc, argv);
}

} // namespace

int main(int argc, char* argv[]) {
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
        std::fputs("candlewatcher: no display to show the tray and the reminder on (DISPLAY and "
                   "WAYLAND_DISPLAY are unset); the command line works without one: see --help\n",
                   stderr);
        return EXIT_FAILURE;
    }
    return StartTrayProgram(argc, argv);
}
