#include "tray/border_line.h"

#include "ui/twips.h"

#include <QPainter>

#include <algorithm>

namespace candlewatcher {

BorderLine::BorderLine(QWidget* parent, const QColor& color)
    : QWidget(parent)
    , m_color(color) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void BorderLine::SetEnds(int x1, int y1, int x2, int y2) {
    m_x1 = x1;
    m_y1 = y1;
    m_x2 = x2;
    m_y2 = y2;
    // Both ends are pixels of the line, so the widget spans one pixel more than their distance.
    const int left = Twips(std::min(x1, x2));
    const int top = Twips(std::min(y1, y2));
    setGeometry(left, top, Twips(std::max(x1, x2)) - left + 1, Twips(std::max(y1, y2)) - top + 1);
}

void BorderLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), m_color);
}

} // namespace candlewatcher
