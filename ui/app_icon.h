#pragma once

#include <QIcon>

namespace candlewatcher {

// The program's candle at 32 x 32 for the tray icon and every window. Painted in code after ui/candle.svg
// rather than rendered from it: loading the SVG module at start-up would cost more memory than the whole
// panel.
QIcon AppIcon();

} // namespace candlewatcher
