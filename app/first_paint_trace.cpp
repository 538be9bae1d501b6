#include "app/first_paint_trace.h"

#include "ui/after_first_paint.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <unistd.h>

namespace candlewatcher {

void TraceFirstPaint(QWidget& window) {
    const char* value = std::getenv("CANDLEWATCHER_TRACE_FIRST_PAINT");
    if (value == nullptr || *value == '\0') {
        return;
    }
    char* end = nullptr;
    const long fd = std::strtol(value, &end, 10);
    if (*end != '\0' || fd < 0 || fd > 1023) {
        return;
    }
    OnFirstPaint(window, [fd] {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const std::string line =
            "first-paint " + std::to_string(static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec) +
            "\n";
        // The reader is the benchmark; a short or failed write only spoils that measurement.
        [[maybe_unused]] const auto written = ::write(static_cast<int>(fd), line.data(), line.size());
    });
}

} // namespace candlewatcher
