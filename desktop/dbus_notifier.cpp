#include "desktop/dbus_notifier.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace candlewatcher {

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
// The names under which the program's icon and menu entry are installed.
const QString IconName = QStringLiteral("candlewatcher");
const QString DesktopEntry = QStringLiteral("candlewatcher");
const QString DefaultAction = QStringLiteral("default");
const QString LaterAction = QStringLiteral("later");
const QString AppName = QStringLiteral("Candlewatcher");

} // namespace

// The service's "image-data" hint: raw RGBA rows, signature (iiibiiay).
struct NotificationImageData {
    int Width = 0;
    int Height = 0;
    int RowStride = 0;
    bool HasAlpha = true;
    int BitsPerSample = 8;
    int Channels = 4;
    QByteArray Bytes;
};

QDBusArgument& operator<<(QDBusArgument& argument, const NotificationImageData& image) {
    argument.beginStructure();
    argument << image.Width << image.Height << image.RowStride << image.HasAlpha << image.BitsPerSample
             << image.Channels << image.Bytes;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, NotificationImageData& image) {
    argument.beginStructure();
    argument >> image.Width >> image.Height >> image.RowStride >> image.HasAlpha >> image.BitsPerSample >>
        image.Channels >> image.Bytes;
    argument.endStructure();
    return argument;
}

} // namespace candlewatcher

Q_DECLARE_METATYPE(candlewatcher::NotificationImageData)

namespace candlewatcher {

namespace {

NotificationImageData ImageDataOf(const QImage& icon) {
    const QImage rgba = icon.convertToFormat(QImage::Format_RGBA8888);
    NotificationImageData image;
    image.Width = rgba.width();
    image.Height = rgba.height();
    image.RowStride = static_cast<int>(rgba.bytesPerLine());
    image.Bytes = QByteArray(reinterpret_cast<const char*>(rgba.constBits()),
                             static_cast<qsizetype>(rgba.sizeInBytes()));
    return image;
}

// A service that reads markup in the body would take "&" and "<" in a name for markup and drop the name or
// the whole body; one that does not shows the text as it is, so only the former gets entities.
QString MarkupEscaped(const QString& text) {
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('&')) {
            escaped += QLatin1String("&amp;");
        } else if (c == QLatin1Char('<')) {
            escaped += QLatin1String("&lt;");
        } else if (c == QLatin1Char('>')) {
            escaped += QLatin1String("&gt;");
        } else {
            escaped += c;
        }
    }
    return escaped;
}

} // namespace

DBusNotifier::DBusNotifier(QDBusConnection bus, int timeLimitMs, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_timeLimitMs(timeLimitMs) {
    qDBusRegisterMetaType<NotificationImageData>();
}

void DBusNotifier::Notify(const Notification& notification, std::function<void(bool)> delivered,
                          NotificationActions actions) {
    ListenForActions();
    // The capabilities first: whether the body may carry markup decides how it is written, and whether
    // the service shows actions whether it gets any.
    const QDBusMessage question =
        QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(question, m_timeLimitMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, notification, delivered = std::move(delivered),
             actions = std::move(actions)](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                const QDBusPendingReply<QStringList> reply = *call;
                if (reply.isError()) {
                    delivered(false);
                    return;
                }
                Send(notification, reply.value(), delivered, actions);
            });
}

void DBusNotifier::Send(const Notification& notification, const QStringList& capabilities,
                        std::function<void(bool)> delivered, NotificationActions actions) {
    const bool bodyMarkup = capabilities.contains(QStringLiteral("body-markup"));
    const QString body = notification.BodyLines.join(QLatin1Char('\n'));
    QStringList actionList;
    if (capabilities.contains(QStringLiteral("actions"))) {
        if (!notification.ActionLabel.isEmpty()) {
            actionList << DefaultAction << notification.ActionLabel;
        }
        if (!notification.LaterLabel.isEmpty()) {
            actionList << LaterAction << notification.LaterLabel;
        }
    }
    QVariantMap hints{{QStringLiteral("desktop-entry"), DesktopEntry}};
    if (!notification.Icon.isNull()) {
        hints.insert(QStringLiteral("image-data"), QVariant::fromValue(ImageDataOf(notification.Icon)));
    }
    QDBusMessage message = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    message << AppName << uint(0) << IconName << notification.Summary
            << (bodyMarkup ? MarkupEscaped(body) : body) << actionList << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, m_timeLimitMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, delivered = std::move(delivered), actions = std::move(actions),
             offered = !actionList.isEmpty()](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                const QDBusPendingReply<uint> reply = *call;
                if (reply.isError()) {
                    delivered(false);
                    return;
                }
                if (offered) {
                    m_actions[reply.value()] = actions;
                }
                delivered(true);
            });
}

// Subscribed before the first notification goes out, so that no answer to it can come unheard; not at
// start-up, which a day without birthdays spares the subscription.
void DBusNotifier::ListenForActions() {
    if (m_listening || !m_bus.isConnected()) {
        return;
    }
    m_listening = true;
    m_bus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(ActionInvoked(uint, QString)));
    m_bus.connect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(NotificationClosed(uint, uint)));
}

void DBusNotifier::ActionInvoked(uint id, const QString& actionKey) {
    const auto found = m_actions.find(id);
    if (found == m_actions.end()) {
        return;
    }
    // A copy: the action may send the next notification, and the service may reuse the id.
    const std::function<void()> action = actionKey == DefaultAction ? found->second.Activated
                                         : actionKey == LaterAction ? found->second.Later
                                                                    : std::function<void()>();
    if (actionKey == LaterAction) {
        // Asked for again later: this one is done. A service that keeps it on screen after an action is
        // asked to close it, so that it does not stand beside the one to come.
        m_actions.erase(found);
        QDBusMessage close =
            QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("CloseNotification"));
        close << id;
        m_bus.asyncCall(close, m_timeLimitMs);
    }
    if (action) {
        action();
    }
}

// A service closes a notification after an action too; the action has run by then, and closing asks
// for nothing more.
void DBusNotifier::NotificationClosed(uint id, uint) {
    m_actions.erase(id);
}

} // namespace candlewatcher
