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
    QImage Icon;         // the program's icon, for a program not installed where the icon theme finds it
};

// Sends desktop notifications. The windows and their tests know only this, not the notification service.
class Notifier {
public:
    virtual ~Notifier() = default;
    // Returns at once. Later, from the event loop, `delivered` learns whether the notification service took
    // the notification (false: no service, an error, or no answer in time), and `activated` runs whenever
    // the user invokes its default action. Neither runs once the notifier is gone.
    virtual void Notify(const Notification& notification, std::function<void(bool accepted)> delivered,
                        std::function<void()> activated) = 0;
};

} // namespace candlewatcher
