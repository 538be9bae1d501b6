#include "tray/today_notifications.h"

#include "notify/due_birthdays.h"
#include "notify/notified_names.h"
#include "desktop/notifier.h"
#include "ui/app_icon.h"
#include "ui/forms.h"
#include "ui/message_box.h"
#include "ui/stored_text.h"

#include <list>
#include <stdexcept>

namespace candlewatcher {

struct TodayNotifications::State {
    std::function<void()> OpenWindows;
    // Taken by the service this run: kept here too, so that a settings file that cannot be written costs
    // one warning, not a notification at every refresh.
    NotifiedNames Accepted;
    // Sent and not yet answered, one entry per notification.
    std::list<NotifiedNames> Waiting;

    void Record(const NotifiedNames& sent);
};

namespace {

QString Warning(const char* what, const std::exception& error) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(error.what()));
}

Notification NotificationOf(const std::vector<TodayBirthday>& due) {
    Notification notification;
    notification.Summary = QString::fromStdString(NotificationSummary(due.size()));
    for (const TodayBirthday& row : due) {
        notification.BodyLines << DisplayText(row.Text); // as the panel writes the row
    }
    notification.ActionLabel = QStringLiteral("Show Birthdays");
    notification.Icon = AppIcon().pixmap(32, 32).toImage();
    return notification;
}

} // namespace

// Records a notification the service has taken. A day that has ended since it was sent is not recorded:
// the record holds today's people, and an older day's would push them out.
void TodayNotifications::State::Record(const NotifiedNames& sent) {
    const FormsEnvironment& environment = Forms::Environment();
    if (!environment.Settings || sent.Day != environment.Today()) {
        return;
    }
    Accepted = MergedForToday(sent.Day, Accepted, sent);
    try {
        SettingsStore& store = *environment.Settings;
        SaveNotifiedNames(store, MergedForToday(sent.Day, LoadNotifiedNames(store), Accepted));
    } catch (const std::exception& error) {
        MessageBox::Warn(nullptr, Warning("Could not save the settings", error));
    }
}

TodayNotifications::TodayNotifications(std::function<void()> openWindows)
    : m_state(std::make_shared<State>()) {
    m_state->OpenWindows = std::move(openWindows);
}

TodayNotifications::~TodayNotifications() = default;

void TodayNotifications::Notify(const CalendarDate& today, const std::vector<TodayBirthday>& rows) {
    const FormsEnvironment& environment = Forms::Environment();
    if (rows.empty() || !environment.Notifications || !environment.Settings) {
        return;
    }
    NotifiedNames notified;
    try {
        if (!LoadNotificationsEnabled(*environment.Settings)) {
            return;
        }
        notified = MergedForToday(today, LoadNotifiedNames(*environment.Settings), m_state->Accepted);
    } catch (const std::exception&) {
        // The refresh has just read this file; should it fail now, a warning about the birthdays' own
        // settings is the one the user needs, and the next refresh tries again.
        return;
    }
    for (const NotifiedNames& waiting : m_state->Waiting) {
        notified = MergedForToday(today, notified, waiting);
    }
    const std::vector<TodayBirthday> due = DueBirthdays(today, rows, notified);
    if (due.empty()) {
        return;
    }

    const auto waiting = m_state->Waiting.insert(m_state->Waiting.end(), NamesOf(today, due));
    const std::weak_ptr<State> weak = m_state;
    environment.Notifications->Notify(
        NotificationOf(due),
        [weak, waiting](bool accepted) {
            const std::shared_ptr<State> state = weak.lock();
            if (!state) {
                return;
            }
            const NotifiedNames sent = *waiting;
            state->Waiting.erase(waiting);
            if (accepted) {
                state->Record(sent);
            }
        },
        [weak] {
            if (const std::shared_ptr<State> state = weak.lock()) {
                state->OpenWindows();
            }
        });
}

bool TodayNotifications::Enabled() const {
    const SettingsStore* store = Forms::Environment().Settings;
    try {
        return !store || LoadNotificationsEnabled(*store);
    } catch (const std::exception&) {
        return true;
    }
}

void TodayNotifications::SetEnabled(bool enabled) {
    SettingsStore* store = Forms::Environment().Settings;
    if (!store) {
        return;
    }
    try {
        SaveNotificationsEnabled(*store, enabled);
    } catch (const std::exception& error) {
        MessageBox::Warn(nullptr, Warning("Could not save the settings", error));
    }
}

} // namespace candlewatcher
