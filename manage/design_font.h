#pragma once

#include <QFont>
#include <QWidget>

namespace candlewatcher {

// The windows are laid out in twips for a classic 8.25-point dialog font; the desktop's usual larger font
// would clip their captions. The family stays the desktop's.
inline void UseDesignFont(QWidget& window) {
    QFont font = window.font();
    font.setPointSizeF(8.25);
    window.setFont(font);
}

} // namespace candlewatcher
