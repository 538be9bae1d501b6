#include "tray/row_marker.h"

#include <QPainter>

namespace candlewatcher {

RowMarker::RowMarker(QWidget* parent)
    : QWidget(parent) {}

void RowMarker::SetFillColor(const QColor& color) {
    if (color != m_fill) {
        m_fill = color;
        update();
    }
}

void RowMarker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), m_fill);
}

} // namespace candlewatcher
