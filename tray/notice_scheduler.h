#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <memory>

class QTimer;

namespace candlewatcher {

// Gives the desktop notices when they are due: the day's, the one days before and those asked for again
// ("Remind Me Later"), each person once per occasion, also across restarts. Who was told is saved once
// the notification service has taken a notice; a service that is missing or fails leaves them due, and
// the next check tries again. One single-shot timer waits for the next moment the clock can change
// anything; every check, whatever started it, re-arms it from the clocks as they read then.
class NoticeScheduler : public QObject {
    Q_OBJECT
public:
    // openWindows: what a notice's default action does.
    explicit NoticeScheduler(std::function<void()> openWindows, QObject* parent = nullptr);
    ~NoticeScheduler() override;

    // Gives what is due now and arms the timer. After every refresh of the panel and every settings change.
    void Check();
    // Checks again at once when the wall clock has moved apart from the time that passed since the timer
    // was armed (a suspended machine woken, the clock or the time zone set): a timer counts only the time
    // the machine was awake. Cheap enough to call every minute.
    void FollowClock();

    // The clock, for tests; the local clock by default.
    void SetClock(std::function<QDateTime()> now);
    // The wake-up timer: active while anything is to come.
    QTimer* WakeTimer() const { return m_timer; }

private:
    struct State;
    void Arm(const QDateTime& now, qint64 waitMs);

    // Shared with the answers still to come, which do nothing once the scheduler is gone.
    std::shared_ptr<State> m_state;
    QTimer* m_timer = nullptr;
    // The clocks as they read when the timer was armed.
    QElapsedTimer m_armedAt;
    QDateTime m_armedWall;
};

} // namespace candlewatcher
