#pragma once

#include <cerrno>

namespace candlewatcher {

// Calls a system call again for as long as a signal interrupts it (-1 with EINTR), and returns its result:
// a signal handler of the program (the tray's SIGTERM, say) must not turn into a failed read or write.
template <typename Call> auto RetryOnInterrupt(Call call) {
    decltype(call()) result;
    do
        result = call();
    while (result < 0 && errno == EINTR);
    return result;
}

} // namespace candlewatcher
