#pragma once

class QWidget;

namespace candlewatcher {

// Start-up measurement: when CANDLEWATCHER_TRACE_FIRST_PAINT names an open file descriptor, the first
// paint of `window` writes "first-paint <CLOCK_MONOTONIC nanoseconds>\n" to it, once. Without the
// variable nothing is installed. The start-up benchmark reads the line; the program never needs it.
void TraceFirstPaint(QWidget& window);

} // namespace candlewatcher
