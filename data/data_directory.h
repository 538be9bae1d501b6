#pragma once

#include <filesystem>

namespace candlewatcher {

// The choice DataDirectory() makes, given the program's directory and the values of XDG_DATA_HOME and HOME
// (null when unset): the program's directory when it is writable or already holds birthday.dat, otherwise
// the per-user data directory. Either way with a trailing separator. Nothing is created here; the first
// record added creates the per-user directory.
std::filesystem::path ChooseDataDirectory(const std::filesystem::path& programDirectory,
                                          const char* xdgDataHome, const char* home);

} // namespace candlewatcher
