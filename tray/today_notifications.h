#pragma once

#include "data/date_helpers.h"
#include "reminder/scan.h"

#include <functional>
#include <memory>
#include <vector>

namespace candlewatcher {

// The desktop notification of today's birthdays: each person at most once a day, also across restarts.
// Who has had it is saved in the settings once the notification service has taken the notification; a
// service that is missing or fails leaves them due, and the next refresh tries again (it showed nothing,
// so nothing is shown twice). While a notification waits for its answer, its people are not sent again.
class TodayNotifications {
public:
    // openWindows: what the notification's default action does.
    explicit TodayNotifications(std::function<void()> openWindows);
    ~TodayNotifications();
    TodayNotifications(const TodayNotifications&) = delete;
    TodayNotifications& operator=(const TodayNotifications&) = delete;

    // After a refresh: one notification of the rows whose people have not had one today, if any are due
    // and notifications are on.
    void Notify(const CalendarDate& today, const std::vector<TodayBirthday>& rows);

    // [Notifications] Enabled; on when it cannot be read (the refresh reports an unreadable settings file).
    bool Enabled() const;
    // Saves the switch; a failure is reported in a message box.
    void SetEnabled(bool enabled);

private:
    struct State;
    // Shared with the answers still to come, which do nothing once the windows are gone.
    std::shared_ptr<State> m_state;
};

} // namespace candlewatcher
