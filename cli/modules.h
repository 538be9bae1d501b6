#pragma once

#include <string>

namespace candlewatcher {

// Loads one of the program's modules (the tray program, the calendar export), found beside the executable
// (a build folder, a portable copy) or where installing puts it, and returns the address of its entry
// point. Every symbol is bound at once (RTLD_NOW), so a module that does not fit the libraries on the
// machine fails here with the reason rather than later, in the middle of its work; a module of another
// version than the program is refused. Null on failure, with reason saying why. A loaded module is never
// closed: its work runs until the process ends.
void* LoadModuleEntry(const char* moduleName, const char* entryName, std::string& reason);

} // namespace candlewatcher
