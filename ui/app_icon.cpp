#include "ui/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QImage>
#include <QPixmap>

namespace candlewatcher {

namespace {

constexpr int IconSize = 32;

// The shapes of ui/candle.svg in the same order and the same 32-unit coordinates.
QImage PaintCandle() {
    QImage image(IconSize, IconSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QColor glow(0xff, 0xe6, 0x80);
    glow.setAlphaF(0.45f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(glow);
    painter.drawEllipse(QPointF(16, 8.5), 7, 7);

    QPainterPath flame(QPointF(16, 2));
    flame.cubicTo(19.5, 6.5, 20, 9.5, 16, 13.5);
    flame.cubicTo(12, 9.5, 12.5, 6.5, 16, 2);
    painter.setPen(QPen(QColor(0xc8, 0x5a, 0x00), 0.8));
    painter.setBrush(QColor(0xff, 0x9a, 0x1f));
    painter.drawPath(flame);

    QPainterPath core(QPointF(16, 6.5));
    core.cubicTo(17.6, 8.7, 17.6, 10.2, 16, 12);
    core.cubicTo(14.4, 10.2, 14.4, 8.7, 16, 6.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xff, 0xf3, 0xa0));
    painter.drawPath(core);

    painter.setBrush(QColor(0x3a, 0x2a, 0x1a));
    painter.drawRect(QRectF(15.4, 12.5, 1.2, 3));

    painter.setPen(QPen(QColor(0x7a, 0x10, 0x18), 1));
    painter.setBrush(QColor(0xe8, 0x34, 0x3f));
    painter.drawRoundedRect(QRectF(11, 15, 10, 13), 1, 1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xff, 0x8a, 0x90));
    painter.drawRect(QRectF(12.5, 16.5, 2, 10));

    painter.setPen(QPen(QColor(0x50, 0x50, 0x50), 1));
    painter.setBrush(QColor(0xc0, 0xc0, 0xc0));
    painter.drawRoundedRect(QRectF(6.5, 27.5, 19, 3), 1.5, 1.5);
    painter.end();
    return image;
}

} // namespace

QIcon AppIcon() {
    // An image, not a pixmap, is kept: it may outlive the application object at program end.
    static const QImage candle = PaintCandle();
    return QIcon(QPixmap::fromImage(candle));
}

} // namespace candlewatcher
