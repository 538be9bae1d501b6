#pragma once

// Every module of the program says which version it belongs to, so that the program never hands over to a
// module left behind by another version (a copy beside an older executable, an upgrade half done), whose
// entry point may take other arguments than it is given.
extern "C" __attribute__((visibility("default"))) const char* CandlewatcherModuleVersion();

namespace candlewatcher {

using ModuleVersion = const char*();
inline constexpr const char* kModuleVersionName = "CandlewatcherModuleVersion";

} // namespace candlewatcher
