#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

namespace candlewatcher {

// One desktop notification, in plain text.
struct Notification {
    QString Summary;
    QStringList BodyLines;
    QString ActionLabel; // the default action's label; empty for none
    QString LaterLabel;  // the second action's label ("Remind Me Later"); empty for none
    QImage Icon;         // the program's icon, for a program not installed where the icon theme finds it
};

// What the user's actions on a notification do; either may be empty.
struct NotificationActions {
    std::function<void()> Activated; // the default action
    std::function<void()> Later;     // the second action
};

// Sends desktop notifications. The windows and their tests know only this, not the notification service.
class Notifier {
public:
    virtual ~Notifier() = default;
    // Returns at once. Later, from the event loop, `delivered` learns whether the notification service took
    // the notification (false: no service, an error, or no answer in time), and the actions run whenever
    // the user invokes them. None runs once the notifier is gone. A service that offers no actions gets
    // the notification without them.
    virtual void Notify(const Notification& notification, std::function<void(bool accepted)> delivered,
                        NotificationActions actions) = 0;
};

} // namespace candlewatcher
