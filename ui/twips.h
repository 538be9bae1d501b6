#pragma once

#include <QRect>

#include <cmath>

namespace candlewatcher {

// Window geometry is designed in twips; 15 twips make one logical pixel, and Qt scales logical pixels on
// HiDPI screens. Rounding happens only here, at the very end of any computation.
constexpr int TwipsPerPixel = 15;

inline int Twips(double twips) {
    return static_cast<int>(std::lround(twips / TwipsPerPixel));
}

inline QRect TwipsRect(double left, double top, double width, double height) {
    return QRect(Twips(left), Twips(top), Twips(width), Twips(height));
}

} // namespace candlewatcher
