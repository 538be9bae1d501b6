#pragma once

class QWidget;

namespace candlewatcher {

// Start-up measurement: when CANDLEWATCHER_TRACE_FIRST_PAINT names an open file descriptor, the end of
// the first paint of `window` (its children included, the frame sent to the window system) writes
// "first-paint <CLOCK_MONOTONIC nanoseconds>\n" to it, once. Without the
// variable nothing is installed. The start-up benchmark reads the line; the program never needs it.
void TraceFirstPaint(QWidget& window);

} // namespace candlewatcher
