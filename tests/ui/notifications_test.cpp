// The desktop notices: on the real panel with a fake notifier and a fixed clock (each person once per
// occasion across restarts, the switches, a service that fails or has not answered yet, the actions, a
// notice asked for again and a clock that jumps), and the D-Bus notifier against a bus of the test's own,
// with and without a notification service on it.
#include "test_support.h"

#include "manage/frmMenu.h"
#include "desktop/dbus_notifier.h"
#include "desktop/deferred_notifier.h"
#include "tray/frmMain.h"
#include "tray/notice_scheduler.h"
#include "ui/forms.h"
#include "ui/message_box.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QtTest>

#include <memory>

using namespace candlewatcher;
using candlewatcher::test::Record;
using candlewatcher::test::WindowTestEnvironment;

namespace {

class FakeNotifier : public Notifier {
public:
    struct Call {
        Notification Sent;
        std::function<void(bool)> Delivered;
        NotificationActions Actions;
    };
    std::vector<Call> Calls;

    void Notify(const Notification& notification, std::function<void(bool)> delivered,
                NotificationActions actions) override {
        Calls.push_back({notification, std::move(delivered), std::move(actions)});
    }
};

// The notification service's side, on its own connection: answers with the capabilities it is given, or
// never (a hung service).
class FakeService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList Capabilities;
    bool Hangs = false;
    QVariantList Arguments; // of the last Notify
    QList<uint> Closed;
public slots:
    void CloseNotification(uint id) { Closed << id; }
    QStringList GetCapabilities(const QDBusMessage& message) {
        message.setDelayedReply(Hangs);
        return Capabilities;
    }
    uint Notify(const QString&, uint, const QString&, const QString&, const QString&, const QStringList&,
                const QVariantMap&, int, const QDBusMessage& message) {
        Arguments = message.arguments();
        return 7;
    }
};

} // namespace

class NotificationsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowTestEnvironment> m_env;
    FakeNotifier m_notifier;
    QDateTime m_now;

    void UseNotifier(Notifier* notifier) {
        FormsEnvironment environment = Forms::Environment();
        environment.Notifications = notifier;
        Forms::SetEnvironment(environment);
    }
    QStringList LastLines() const { return m_notifier.Calls.back().Sent.BodyLines; }
    // The panel with the notices on the test's clock.
    void StartAt(const QDateTime& now, Notifier* notifier = nullptr) {
        m_now = now;
        Forms::DestroyAll();
        // The first refresh runs while the panel is made: it finds the clock only from the second on.
        UseNotifier(nullptr);
        Forms::Main().Notices().SetClock([this] { return m_now; });
        UseNotifier(notifier ? notifier : &m_notifier);
        test::RefreshPanel();
    }
    void SetNotice(const char* key, const char* text) {
        m_env->Store().SaveSetting("Candlewatcher", "Notifications", key, text);
    }

private slots:
    void init() {
        m_env = std::make_unique<WindowTestEnvironment>();
        QVERIFY(m_env->IsValid());
        m_notifier.Calls.clear();
        UseNotifier(&m_notifier);
    }
    void cleanup() { m_env.reset(); }

    void oncePerPersonAndDay() {
        // Fourteen today, more than the panel lists, and one upcoming: every today row, none other.
        std::vector<BirthdayRecord> records{Record("7", "12", "2000", "Later")};
        for (int i = 0; i < 14; ++i) {
            records.push_back(Record("6", "12", "2000", "P" + std::to_string(i)));
        }
        m_env->WriteBirthdays(records);
        StartAt(QDateTime(QDate(2026, 12, 6), QTime(10, 0)));
        QCOMPARE(m_notifier.Calls.size(), 1u);
        QCOMPARE(m_notifier.Calls[0].Sent.Summary, QStringLiteral("Birthdays today"));
        QCOMPARE(LastLines().size(), 14);
        QCOMPARE(LastLines().last(), QStringLiteral("P13 (26)"));
        test::RefreshPanel(); // no answer yet: not sent twice
        QCOMPARE(m_notifier.Calls.size(), 1u);
        m_notifier.Calls[0].Delivered(false); // the service failed: shown to no one, so due again
        test::RefreshPanel();
        QCOMPARE(m_notifier.Calls.size(), 2u);
        m_notifier.Calls[1].Delivered(true);
        QVERIFY(MessageBox::TakeShownTexts().isEmpty());

        // A restart the same day sends nothing; someone added that day is told of alone.
        StartAt(m_now);
        QCOMPARE(m_notifier.Calls.size(), 2u);
        records.push_back(Record("6", "12", "1990", "Ann & <Bo>"));
        m_env->WriteBirthdays(records);
        test::RefreshPanel();
        QCOMPARE(m_notifier.Calls.size(), 3u);
        QCOMPARE(m_notifier.Calls[2].Sent.Summary, QStringLiteral("Birthday today"));
        QCOMPARE(LastLines(), QStringList{QStringLiteral("Ann & <Bo> (36)")});
        m_notifier.Calls[2].Delivered(true);

        // The default action opens the windows as the tray does.
        m_notifier.Calls[2].Actions.Activated();
        QVERIFY(Forms::MenuExists() && Forms::Menu().isVisible());
        QCOMPARE(Forms::Main().Tag(), QStringLiteral("TR"));

        // Switched off, nobody is told; on again, the next refresh tells whoever is still due.
        SetNotice("Enabled", "0");
        records.push_back(Record("6", "12", "2001", "Cy"));
        m_env->WriteBirthdays(records);
        test::RefreshPanel();
        QCOMPARE(m_notifier.Calls.size(), 3u);
        SetNotice("Enabled", "1");
        test::RefreshPanel();
        QCOMPARE(LastLines(), QStringList{QStringLiteral("Cy (25)")});

        // The next day starts afresh, at the set time: the clock moved on alone is followed.
        m_env->WriteBirthdays({Record("7", "12", "2000", "Later"), Record("6", "12", "2000", "P0")});
        m_env->SetToday({7, 12, 2026});
        m_now = QDateTime(QDate(2026, 12, 7), QTime(8, 59));
        Forms::Main().CheckDateChange();
        QCOMPARE(m_notifier.Calls.size(), 4u);
        QVERIFY(Forms::Main().Notices().WakeTimer()->isActive());
        m_now = QDateTime(QDate(2026, 12, 7), QTime(9, 0));
        Forms::Main().CheckDateChange();
        QCOMPARE(LastLines(), QStringList{QStringLiteral("Later (26)")});
    }

    // The program connects to the session bus only after the panel has painted: the start-up's notification
    // waits for the notifier, goes out once, and later ones go straight through.
    void startUpNotificationWaitsForTheNotifier() {
        DeferredNotifier deferred;
        m_env->WriteBirthdays({Record("6", "12", "2000", "Ann"), Record("6", "12", "1990", "Bo")});
        StartAt(QDateTime(QDate(2026, 12, 6), QTime(9, 30)), &deferred);
        test::RefreshPanel(); // still waiting: not asked for twice
        QVERIFY(m_notifier.Calls.empty());

        deferred.Forward(m_notifier);
        QCOMPARE(m_notifier.Calls.size(), 1u);
        QCOMPARE(LastLines(), (QStringList{QStringLiteral("Ann (26)"), QStringLiteral("Bo (36)")}));
        m_notifier.Calls[0].Delivered(true);
        m_notifier.Calls[0].Actions.Activated();
        QCOMPARE(Forms::Main().Tag(), QStringLiteral("TR"));

        m_env->WriteBirthdays({Record("6", "12", "2000", "Ann"), Record("6", "12", "1990", "Bo"),
                               Record("6", "12", "2001", "Cy")});
        test::RefreshPanel();
        QCOMPARE(m_notifier.Calls.size(), 2u);
        QCOMPARE(LastLines(), QStringList{QStringLiteral("Cy (25)")});
    }

    // Days before, asked for again later, and the day's own notice switched off.
    void daysBeforeAndRemindMeLater() {
        SetNotice("Enabled", "0");
        SetNotice("DaysBefore", "3");
        SetNotice("SnoozeMinutes", "20");
        m_env->WriteBirthdays({Record("9", "12", "1984", "Tom Baker"), Record("9", "12", "", "Zoe"),
                               Record("6", "12", "1990", "Ann")});
        StartAt(QDateTime(QDate(2026, 12, 6), QTime(9, 30)));
        QCOMPARE(m_notifier.Calls.size(), 1u);
        const Notification& sent = m_notifier.Calls[0].Sent;
        QCOMPARE(sent.Summary, QStringLiteral("Birthdays in 3 days"));
        QCOMPARE(sent.BodyLines, (QStringList{"Tom Baker (42 - 9\\12)", "Zoe (9\\12)"}));
        m_notifier.Calls[0].Delivered(true);

        m_notifier.Calls[0].Actions.Later();
        QTimer* wake = Forms::Main().Notices().WakeTimer();
        QVERIFY(wake->isActive() && wake->remainingTime() > 19 * 60 * 1000 &&
                wake->remainingTime() <= 20 * 60 * 1000);
        m_now = m_now.addSecs(20 * 60);
        Forms::Main().CheckDateChange(); // the wall clock moved on without the timer
        QCOMPARE(m_notifier.Calls.size(), 2u);
        QCOMPARE(m_notifier.Calls[1].Sent.BodyLines, sent.BodyLines);
        m_notifier.Calls[1].Delivered(true);
        QCOMPARE(m_env->Store().GetSetting("Candlewatcher", "Notifications", "Snoozed", "-"), "");
        test::RefreshPanel();
        QCOMPARE(m_notifier.Calls.size(), 2u);
    }

    // Through D-Bus: no service, one that reads markup, one that does not, one that never answers.
    void dbus_data() {
        QTest::addColumn<QStringList>("capabilities");
        QTest::addColumn<bool>("hangs");
        QTest::addColumn<QString>("body"); // empty: not delivered
        QTest::newRow("no service") << QStringList() << false << QString();
        QTest::newRow("markup") << QStringList{"actions", "body", "body-markup"} << false
                                << "Ann &amp; &lt;Bo&gt;\nCy";
        QTest::newRow("plain text") << QStringList{"actions", "body"} << false << "Ann & <Bo>\nCy";
        QTest::newRow("no actions") << QStringList{"body"} << false << "Ann & <Bo>\nCy";
        QTest::newRow("hung") << QStringList{"actions", "body"} << true << QString();
    }
    void dbus() {
        QFETCH(QStringList, capabilities);
        QFETCH(bool, hangs);
        QFETCH(QString, body);
        QTemporaryDir busDir;
        QFile config(busDir.filePath(QStringLiteral("bus.conf")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        // No service directories: nothing on this bus is started on demand.
        config.write(
            "<busconfig><type>session</type><listen>unix:dir=" + busDir.path().toUtf8() +
            "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\" "
            "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
        config.close();
        QProcess daemon;
        daemon.start(QStringLiteral("dbus-daemon"),
                     {"--nofork", "--print-address", "--config-file", config.fileName()});
        QVERIFY2(daemon.waitForReadyRead(10000), "dbus-daemon did not start");
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        // Named after the row: a row that fails half way leaves its connections to no other row.
        const QString clientName = QStringLiteral("client ") + QTest::currentDataTag();
        const QString serverName = QStringLiteral("server ") + QTest::currentDataTag();
        QDBusConnection client = QDBusConnection::connectToBus(address, clientName);
        QDBusConnection server = QDBusConnection::connectToBus(address, serverName);
        FakeService service;
        service.Capabilities = capabilities;
        service.Hangs = hangs;
        if (!capabilities.isEmpty()) {
            QVERIFY(server.registerService(QStringLiteral("org.freedesktop.Notifications")));
            QVERIFY(server.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                          QDBusConnection::ExportAllSlots));
        }

        {
            DBusNotifier notifier(client, 500);
            int answers = 0, activations = 0, laters = 0;
            bool accepted = false;
            notifier.Notify({QStringLiteral("Birthdays today"),
                             {"Ann & <Bo>", "Cy"},
                             QStringLiteral("Show Birthdays"),
                             QStringLiteral("Remind Me Later"),
                             QImage(32, 32, QImage::Format_ARGB32)},
                            [&](bool ok) { accepted = ok, ++answers; },
                            {[&] { ++activations; },
                             [&] {
                                 ++laters;
                             }});
            const bool actions = capabilities.contains(QStringLiteral("actions"));
            QCOMPARE(answers, 0); // nothing waits for the bus
            QTRY_COMPARE_WITH_TIMEOUT(answers, 1, 10000);
            QCOMPARE(accepted, !body.isEmpty());
            if (accepted) {
                const QVariantList& arguments = service.Arguments;
                QCOMPARE(arguments.value(0).toString(), QStringLiteral("Candlewatcher"));
                QCOMPARE(arguments.value(2).toString(), QStringLiteral("candlewatcher"));
                QCOMPARE(arguments.value(3).toString(), QStringLiteral("Birthdays today"));
                QCOMPARE(arguments.value(4).toString(), body);
                QCOMPARE(arguments.value(5).toStringList(),
                         actions ? QStringList({"default", "Show Birthdays", "later", "Remind Me Later"})
                                 : QStringList());
                QVERIFY(qdbus_cast<QVariantMap>(arguments.value(6)).contains(QStringLiteral("image-data")));
                // Each action once, as the service reports it; the close that follows an action asks nothing.
                for (const char* signal : {"default", "later", "closed", "later"}) {
                    const bool closed = signal == std::string_view("closed");
                    QDBusMessage message = QDBusMessage::createSignal(
                        QStringLiteral("/org/freedesktop/Notifications"),
                        QStringLiteral("org.freedesktop.Notifications"),
                        closed ? QStringLiteral("NotificationClosed") : QStringLiteral("ActionInvoked"));
                    message << uint(7);
                    message << (closed ? QVariant(uint(2)) : QVariant(QString::fromLatin1(signal)));
                    QVERIFY(server.send(message));
                }
                // The service's next answer comes after the signals it sent before it.
                notifier.Notify({QStringLiteral("Birthday today"), {"Cy"}, {}, {}, {}},
                                [&](bool) { ++answers; }, {});
                QTRY_COMPARE_WITH_TIMEOUT(answers, 2, 10000);
                QCOMPARE(activations, actions ? 1 : 0);
                QCOMPARE(laters, actions ? 1 : 0);
                // Remind Me Later puts the notification away at once.
                QTRY_COMPARE_WITH_TIMEOUT(service.Closed, actions ? QList<uint>{7} : QList<uint>(), 10000);
            }

            // The panel goes on as before, whatever the service does, and warns of nothing.
            m_env->WriteBirthdays({Record("6", "12", "1990", "Ann")});
            StartAt(QDateTime(QDate(2026, 12, 6), QTime(10, 0)), &notifier);
            QVERIFY(Forms::Main().isVisible());
            QTRY_COMPARE_WITH_TIMEOUT(
                m_env->Store().GetSetting("Candlewatcher", "Notifications", "Notified", "") != "", accepted,
                10000);
            QVERIFY(MessageBox::TakeShownTexts().isEmpty());
            Forms::DestroyAll();
        }
        QDBusConnection::disconnectFromBus(clientName);
        QDBusConnection::disconnectFromBus(serverName);
        daemon.kill();
        daemon.waitForFinished();
    }
};

QTEST_MAIN(NotificationsTest)
#include "notifications_test.moc"
