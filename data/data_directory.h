#pragma once

#include <filesystem>

namespace candlewatcher {

// The choice DataDirectory() makes, given the program's directory and the values of XDG_DATA_HOME and HOME
// (null when unset): the program's directory when a birthday.dat already lies there (portable use, and
// files kept there before), otherwise the per-user data directory, $XDG_DATA_HOME/Candlewatcher. Either
// way with a trailing separator. Nothing is created here; the first record added creates the directory.
std::filesystem::path ChooseDataDirectory(const std::filesystem::path& programDirectory,
                                          const char* xdgDataHome, const char* home);

} // namespace candlewatcher
