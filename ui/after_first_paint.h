#pragma once

#include <functional>

class QWidget;

namespace candlewatcher {

// Calls `painted` from the event loop once the window's first paint, its children's included, has been
// handed to the window system. Nothing is called if the window never paints.
void OnFirstPaint(QWidget& window, std::function<void()> painted);

// Runs `work` from the event loop after the window's first paint, so that what the user need not have
// before seeing the window does not hold it up. A window that is not shown, or that no paint reaches within
// a second (a window manager that never maps it), does not hold the work up either.
void RunAfterFirstPaint(QWidget& window, std::function<void()> work);

} // namespace candlewatcher
