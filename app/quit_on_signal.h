#pragma once

namespace candlewatcher {

// Ends the event loop when the session ends the program (SIGTERM at logout, SIGHUP, Ctrl+C), so that the
// program leaves as it does on the user's No: the tray icon removed, the windows and the single-instance
// lock released. The signal handler only writes to a pipe; the quit happens on the event loop.
void QuitOnTerminationSignals();

} // namespace candlewatcher
