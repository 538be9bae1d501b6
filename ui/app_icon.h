#pragma once

#include <QIcon>

namespace candlewatcher {

// The program's candle at 32 x 32 for the tray icon and every window. ui/candle.svg is its drawing; the
// same shapes are painted here because loading Qt's SVG module at start-up would cost more memory than the
// whole panel. The window tests hold the painting to the SVG pixel by pixel.
QIcon AppIcon();

} // namespace candlewatcher
