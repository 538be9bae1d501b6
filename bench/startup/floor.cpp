// The floor of the start-up measurement: the least a Qt Widgets tray program can do to put a panel like
// ours on screen. A tray icon and one frameless window of 13 labels, nothing read, nothing computed.
#include "app/first_paint_trace.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::darkYellow);
    QSystemTrayIcon tray{QIcon(pixmap)};
    tray.setToolTip(QStringLiteral("floor"));
    tray.show();

    QWidget window(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool);
    window.setAttribute(Qt::WA_ShowWithoutActivating);
    constexpr int rows = 13;
    for (int k = 0; k < rows; ++k) {
        auto* label = new QLabel(QStringLiteral("Row %1 (30)").arg(k), &window);
        label->setAutoFillBackground(true);
        label->setGeometry(4, 4 + 16 * k, 189, 17);
    }
    window.setGeometry(1280 - 204, 800 - 57 - 16 * (rows - 1), 197, 23 + 16 * (rows - 1));
    candlewatcher::TraceFirstPaint(window);
    window.show();
    return QApplication::exec();
}
