#include "ui/after_first_paint.h"

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace candlewatcher {

namespace {

constexpr int LongestWaitMs = 1000;

class FirstPaintFilter : public QObject {
public:
    FirstPaintFilter(QWidget& window, std::function<void()> painted)
        : QObject(&window)
        , m_painted(std::move(painted)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // The window's paint event comes before its children paint theirs and before the frame goes
            // to the screen; the queued call runs once all of that is done.
            QMetaObject::invokeMethod(this, &FirstPaintFilter::Report, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void Report() {
        deleteLater();
        m_painted();
    }

    std::function<void()> m_painted;
};

} // namespace

void OnFirstPaint(QWidget& window, std::function<void()> painted) {
    window.installEventFilter(new FirstPaintFilter(window, std::move(painted)));
}

void RunAfterFirstPaint(QWidget& window, std::function<void()> work) {
    if (!window.isVisible()) {
        QTimer::singleShot(0, &window, std::move(work));
        return;
    }
    // Whichever comes first, the paint or the time limit, runs the work; the other finds it gone.
    auto pending = std::make_shared<std::function<void()>>(std::move(work));
    auto runOnce = [pending] {
        if (*pending) {
            const std::function<void()> run = std::exchange(*pending, nullptr);
            run();
        }
    };
    OnFirstPaint(window, runOnce);
    QTimer::singleShot(LongestWaitMs, &window, runOnce);
}

} // namespace candlewatcher
