#pragma once

#include "desktop/notifier.h"

#include <QDBusConnection>
#include <QObject>

#include <map>

namespace candlewatcher {

// Desktop notifications through the freedesktop notification service (org.freedesktop.Notifications) on a
// D-Bus connection. Every call is asynchronous with a time limit, so a missing, failing or hung service
// never holds up the program.
class DBusNotifier : public QObject, public Notifier {
    Q_OBJECT
public:
    explicit DBusNotifier(QDBusConnection bus, int timeLimitMs = 5000, QObject* parent = nullptr);

    void Notify(const Notification& notification, std::function<void(bool accepted)> delivered,
                NotificationActions actions) override;

private slots:
    void ActionInvoked(uint id, const QString& actionKey);
    void NotificationClosed(uint id, uint reason);

private:
    void ListenForActions();
    void Send(const Notification& notification, const QStringList& capabilities,
              std::function<void(bool)> delivered, NotificationActions actions);

    QDBusConnection m_bus;
    int m_timeLimitMs;
    bool m_listening = false;
    // The actions of the notifications the service may still show, by notification id.
    std::map<uint, NotificationActions> m_actions;
};

} // namespace candlewatcher
