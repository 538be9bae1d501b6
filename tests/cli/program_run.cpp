#include "tests/cli/program_run.h"

#include <cstdlib>
#include <filesystem>

#include <sys/wait.h>

namespace candlewatcher::testing_support {

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

Outcome RunProgram(const TemporaryDirectory& scratch, const std::vector<std::string>& arguments,
                   const std::string& environment, const std::string& program) {
    // English unless the test asks for a language.
    std::string command =
        "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u LANGUAGE -u LC_ALL -u LC_MESSAGES "
        "-u LANG XDG_CONFIG_HOME=" +
        Quoted((scratch.Path() / "config").string()) +
        " XDG_CACHE_HOME=" + Quoted((scratch.Path() / "cache").string()) + " " + environment + " " +
        Quoted(program);
    for (const std::string& argument : arguments) {
        command += " " + Quoted(argument);
    }
    const std::filesystem::path out = scratch.Path() / "stdout", err = scratch.Path() / "stderr";
    command += " >" + Quoted(out.string()) + " 2>" + Quoted(err.string());
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(out), ReadBytes(err)};
}

std::string Record(const std::string& day, const std::string& month, const std::string& year,
                   const std::string& name) {
    return day + "\r\n" + month + "\r\n" + year + "\r\n" + name + "\r\n";
}

} // namespace candlewatcher::testing_support
