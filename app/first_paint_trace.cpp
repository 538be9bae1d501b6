#include "app/first_paint_trace.h"

#include <QEvent>
#include <QObject>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <unistd.h>

namespace candlewatcher {

namespace {

class FirstPaintFilter : public QObject {
public:
    FirstPaintFilter(QWidget& window, int fd)
        : QObject(&window)
        , m_fd(fd) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // The window's paint event comes before its children paint their text and before the frame
            // goes to the screen; the queued call runs once all of that is done.
            QMetaObject::invokeMethod(this, &FirstPaintFilter::Report, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void Report() {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const std::string line =
            "first-paint " + std::to_string(static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec) +
            "\n";
        // The reader is the benchmark; a short or failed write only spoils that measurement.
        [[maybe_unused]] const auto written = ::write(m_fd, line.data(), line.size());
        deleteLater();
    }

    int m_fd;
};

} // namespace

void TraceFirstPaint(QWidget& window) {
    const char* value = std::getenv("CANDLEWATCHER_TRACE_FIRST_PAINT");
    if (value == nullptr || *value == '\0') {
        return;
    }
    char* end = nullptr;
    const long fd = std::strtol(value, &end, 10);
    if (*end != '\0' || fd < 0 || fd > 1023) {
        return;
    }
    window.installEventFilter(new FirstPaintFilter(window, static_cast<int>(fd)));
}

} // namespace candlewatcher
