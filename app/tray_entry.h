#pragma once

// The tray program lives in a module of its own, loaded by the executable only when the tray program
// starts: the command line needs Qt Core alone, and starts twice as fast without Qt's GUI and D-Bus
// libraries and the thirty more they bring.
extern "C" __attribute__((visibility("default"))) int CandlewatcherTrayMain(int argc, char* argv[]);

namespace candlewatcher {

using TrayMain = int(int argc, char* argv[]);
inline constexpr const char* kTrayEntryName = "CandlewatcherTrayMain";
inline constexpr const char* kTrayModuleName = "libcandlewatcher_tray.so";

} // namespace candlewatcher
