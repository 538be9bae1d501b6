#pragma once

#include <string>

namespace candlewatcher {

// Loads one of the program's modules (the tray program, the calendar export), found beside the executable
// (a build folder, a portable copy) or where installing puts it, and returns the address of its entry
// point. Null on failure, with reason saying why. A loaded module is never closed: its work runs until
// the process ends.
void* LoadModuleEntry(const char* moduleName, const char* entryName, int dlopenFlags, std::string& reason);

} // namespace candlewatcher
