#include "tray/notice_scheduler.h"

#include "addressbook/shown_scan.h"
#include "addressbook/storage_paths.h"
#include "data/birthday_file.h"
#include "desktop/notifier.h"
#include "notify/due_notices.h"
#include "ui/app_icon.h"
#include "ui/forms.h"
#include "ui/message_box.h"
#include "ui/stored_text.h"
#include "ui/translated.h"

#include <QTimer>

#include <algorithm>
#include <list>
#include <stdexcept>

namespace candlewatcher {

namespace {

// However far the next notice lies, the timer is armed for at most this long, so that a time zone
// changed without a jump of the clock costs at most this delay.
constexpr qint64 kLongestWaitMs = 60 * 60 * 1000;
// A wall clock this far apart from the time that passed counts as changed.
constexpr qint64 kClockSlackMs = 2000;

NoticeClock ClockOf(const QDateTime& now) {
    const QDate date = now.date();
    const QTime time = now.time();
    return {
        {date.day(), date.month(), date.year()}, time.hour() * 60 + time.minute(), now.toSecsSinceEpoch()};
}

Notification NotificationOf(const DueNotice& notice) {
    Notification notification;
    notification.Summary =
        QString::fromStdString(NoticeSummary(notice.Notice.DaysBefore, notice.Rows.size()));
    for (const TodayBirthday& row : notice.Rows) {
        notification.BodyLines << DisplayText(row.Text); // as the panel writes the row
    }
    // TRANSLATORS: the notification's two buttons: open the birthday windows, or give the notification again
    // an hour later.
    notification.ActionLabel = QTr("Show Birthdays");
    notification.LaterLabel = QTr("Remind Me Later");
    notification.Icon = AppIcon().pixmap(32, 32).toImage();
    return notification;
}

// How long from now until the plan's next moment; none when nothing is to come.
std::optional<qint64> WaitUntilNext(const QDateTime& now, const NoticePlan& plan) {
    std::optional<qint64> wait;
    if (plan.NextTimeOfDay) {
        const LocalMinute& next = *plan.NextTimeOfDay;
        const QDateTime at(QDate(next.Day.Year, next.Day.Month, next.Day.Day),
                           QTime(next.Minute / 60, next.Minute % 60), now.timeSpec());
        // A time of day that a change to summer time skips: the check an hour on sees the new day's hour.
        wait = at.isValid() ? now.msecsTo(at) : kLongestWaitMs;
    }
    if (plan.NextSnooze) {
        const qint64 untilSnooze = *plan.NextSnooze * 1000 - now.toMSecsSinceEpoch();
        wait = std::min(wait.value_or(untilSnooze), untilSnooze);
    }
    return wait;
}

} // namespace

struct NoticeScheduler::State {
    std::function<void()> OpenWindows;
    std::function<QDateTime()> Now = [] {
        return QDateTime::currentDateTime();
    };
    NoticeScheduler* Owner = nullptr;
    // Taken by the service this run: kept here too, so that a settings file that cannot be written costs
    // one warning, not a notice at every check.
    NoticeRecord Accepted;
    // Sent and not yet answered, one entry per notice.
    std::list<NotifiedNames> Waiting;
    // Snoozed notices sent again and not yet answered, and those the service has taken since (until the
    // settings no longer hold them).
    std::list<SnoozedNotice> SnoozesWaiting;
    std::vector<SnoozedNotice> SnoozesGiven;

    void Record(const NotifiedNames& sent);
    void Forget(const std::vector<SnoozedNotice>& given);
    void Snooze(const NotifiedNames& notice);
};

void NoticeScheduler::State::Record(const NotifiedNames& sent) {
    SettingsStore* store = Forms::Environment().Settings;
    if (!store) {
        return;
    }
    const CalendarDate today = ClockOf(Now()).Today;
    Accepted = MergedRecord(today, Accepted, {sent});
    try {
        SaveNoticeRecord(*store, MergedRecord(today, LoadNoticeRecord(*store), Accepted));
    } catch (const std::exception& error) {
        MessageBox::Warn(nullptr, QTr("Could not save the settings: %1"), error);
    }
}

void NoticeScheduler::State::Forget(const std::vector<SnoozedNotice>& given) {
    SettingsStore* store = Forms::Environment().Settings;
    if (!store) {
        return;
    }
    SnoozesGiven.insert(SnoozesGiven.end(), given.begin(), given.end());
    try {
        std::vector<SnoozedNotice> snoozed = LoadSnoozedNotices(*store);
        std::erase_if(snoozed, [&](const SnoozedNotice& notice) {
            return std::find(SnoozesGiven.begin(), SnoozesGiven.end(), notice) != SnoozesGiven.end();
        });
        SaveSnoozedNotices(*store, snoozed);
        SnoozesGiven.clear();
    } catch (const std::exception& error) {
        MessageBox::Warn(nullptr, QTr("Could not save the settings: %1"), error);
    }
}

void NoticeScheduler::State::Snooze(const NotifiedNames& notice) {
    SettingsStore* store = Forms::Environment().Settings;
    if (!store) {
        return;
    }
    try {
        const NoticeSettings settings = LoadNoticeSettings(*store);
        std::vector<SnoozedNotice> snoozed = LoadSnoozedNotices(*store);
        snoozed.push_back({Now().toSecsSinceEpoch() + settings.SnoozeMinutes * 60, notice});
        SaveSnoozedNotices(*store, snoozed);
    } catch (const std::exception& error) {
        MessageBox::Warn(nullptr, QTr("Could not save the settings: %1"), error);
        return;
    }
    Owner->Check();
}

NoticeScheduler::NoticeScheduler(std::function<void()> openWindows, QObject* parent)
    : QObject(parent)
    , m_state(std::make_shared<State>())
    , m_timer(new QTimer(this)) {
    m_state->OpenWindows = std::move(openWindows);
    m_state->Owner = this;
    m_timer->setObjectName(QStringLiteral("tmrNotices"));
    m_timer->setSingleShot(true);
    // Never early: a notice due at 09:00 must find the clock at 09:00.
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &NoticeScheduler::Check);
}

NoticeScheduler::~NoticeScheduler() = default;

void NoticeScheduler::SetClock(std::function<QDateTime()> now) {
    m_state->Now = std::move(now);
}

void NoticeScheduler::Check() {
    const FormsEnvironment& environment = Forms::Environment();
    m_timer->stop();
    if (!environment.Notifications || !environment.Settings) {
        return;
    }
    const QDateTime now = m_state->Now();
    const NoticeClock clock = ClockOf(now);
    NoticeSettings settings;
    NoticeRecord told;
    std::vector<SnoozedNotice> snoozed;
    std::optional<std::string> bytes;
    try {
        settings = LoadNoticeSettings(*environment.Settings);
        told = MergedRecord(clock.Today, LoadNoticeRecord(*environment.Settings), m_state->Accepted);
        snoozed = LoadSnoozedNotices(*environment.Settings);
        // The address books' birthdays are told of as birthday.dat's are, hidden people left out.
        bytes =
            ShownBirthdayBytes(DefaultAddressBookPaths(), environment.DataDirectory, *environment.Settings);
    } catch (const std::exception&) {
        // The panel's refresh reads the same files and says what failed; the next check tries again.
        Arm(now, kLongestWaitMs);
        return;
    }
    for (const NotifiedNames& waiting : m_state->Waiting) {
        told = MergedRecord(clock.Today, told, {waiting});
    }
    std::erase_if(snoozed, [this](const SnoozedNotice& notice) {
        const auto& waiting = m_state->SnoozesWaiting;
        const auto& given = m_state->SnoozesGiven;
        return std::find(waiting.begin(), waiting.end(), notice) != waiting.end() ||
               std::find(given.begin(), given.end(), notice) != given.end();
    });

    const NoticePlan plan =
        PlanNotices(clock, settings, bytes ? std::string_view(*bytes) : std::string_view(), told, snoozed);
    if (!plan.Spent.empty()) {
        m_state->Forget(plan.Spent);
    }
    const std::weak_ptr<State> weak = m_state;
    for (const DueNotice& notice : plan.Due) {
        std::function<void(bool)> delivered;
        if (notice.Snoozed) {
            const auto waiting =
                m_state->SnoozesWaiting.insert(m_state->SnoozesWaiting.end(), *notice.Snoozed);
            delivered = [weak, waiting](bool accepted) {
                if (const std::shared_ptr<State> state = weak.lock()) {
                    const SnoozedNotice sent = *waiting;
                    state->SnoozesWaiting.erase(waiting);
                    if (accepted) {
                        state->Forget({sent});
                    }
                }
            };
        } else {
            const auto waiting = m_state->Waiting.insert(m_state->Waiting.end(), notice.Notice);
            delivered = [weak, waiting](bool accepted) {
                if (const std::shared_ptr<State> state = weak.lock()) {
                    const NotifiedNames sent = *waiting;
                    state->Waiting.erase(waiting);
                    if (accepted) {
                        state->Record(sent);
                    }
                }
            };
        }
        NotificationActions actions;
        actions.Activated = [weak] {
            if (const std::shared_ptr<State> state = weak.lock()) {
                state->OpenWindows();
            }
        };
        actions.Later = [weak, asked = notice.Notice] {
            if (const std::shared_ptr<State> state = weak.lock()) {
                state->Snooze(asked);
            }
        };
        environment.Notifications->Notify(NotificationOf(notice), std::move(delivered), std::move(actions));
    }
    if (const std::optional<qint64> wait = WaitUntilNext(now, plan)) {
        Arm(now, *wait);
    }
}

void NoticeScheduler::Arm(const QDateTime& now, qint64 waitMs) {
    m_armedAt.start();
    m_armedWall = now;
    m_timer->start(static_cast<int>(std::clamp<qint64>(waitMs, 0, kLongestWaitMs)));
}

void NoticeScheduler::FollowClock() {
    if (!m_timer->isActive()) {
        return;
    }
    const QDateTime now = m_state->Now();
    const qint64 wallMs = m_armedWall.msecsTo(now);
    if (std::abs(wallMs - m_armedAt.elapsed()) > kClockSlackMs ||
        now.offsetFromUtc() != m_armedWall.offsetFromUtc()) {
        Check();
    }
}

} // namespace candlewatcher
