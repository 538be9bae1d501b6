#include "data/data_directory.h"

#include "data/birthday_file.h"

#include <cstdlib>
#include <string>
#include <system_error>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace candlewatcher {

namespace {

std::filesystem::path WithTrailingSeparator(std::filesystem::path path) {
    std::string text = path.string();
    if (text.empty() || text.back() != '/')
        text += '/';
    return text;
}

std::string HomeDirectory(const char* home) {
    if (home != nullptr && *home == '/')
        return home;
    // No usable HOME: the password database knows the user's home.
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
        return found->pw_dir;
    return "/";
}

} // namespace

std::filesystem::path ChooseDataDirectory(const std::filesystem::path& programDirectory,
                                          const char* xdgDataHome, const char* home) {
    // Any entry of that name counts, a dangling link or a directory too: reading it then reports the
    // damage, rather than the birthdays silently moving to another folder.
    struct stat status {};
    if (::lstat((programDirectory / "birthday.dat").c_str(), &status) == 0)
        return WithTrailingSeparator(programDirectory);
    // A relative XDG_DATA_HOME is to be ignored, as the base directory rules say.
    std::filesystem::path base = xdgDataHome != nullptr && *xdgDataHome == '/'
                                     ? std::filesystem::path(xdgDataHome)
                                     : std::filesystem::path(HomeDirectory(home)) / ".local" / "share";
    return WithTrailingSeparator(base / "Candlewatcher");
}

std::filesystem::path DataDirectory() {
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    std::filesystem::path directory = error ? std::filesystem::current_path(error) : program.parent_path();
    return ChooseDataDirectory(directory, std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

} // namespace candlewatcher
