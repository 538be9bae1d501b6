// The notification of the day: on the real panel with a fake notifier (each person once a day across
// restarts, the switch, a service that fails or has not answered yet, the default action), and the D-Bus
// notifier against a bus of the test's own, with and without a notification service on it.
#include "test_support.h"

#include "manage/frmMenu.h"
#include "desktop/dbus_notifier.h"
#include "desktop/deferred_notifier.h"
#include "tray/frmMain.h"
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
        std::function<void()> Activated;
    };
    std::vector<Call> Calls;

    void Notify(const Notification& notification, std::function<void(bool)> delivered,
                std::function<void()> activated) override {
        Calls.push_back({notification, std::move(delivered), std::move(activated)});
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
public slots:
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

    void UseNotifier(Notifier* notifier) {
        FormsEnvironment environment = Forms::Environment();
        environment.Notifications = notifier;
        Forms::SetEnvironment(environment);
    }
    QStringList LastLines() const { return m_notifier.Calls.back().Sent.BodyLines; }

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
        Forms::Main();
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
        Forms::DestroyAll();
        Forms::Main();
        QCOMPARE(m_notifier.Calls.size(), 2u);
        records.push_back(Record("6", "12", "1990", "Ann & <Bo>"));
        m_env->WriteBirthdays(records);
        test::RefreshPanel();
        QCOMPARE(m_notifier.Calls.size(), 3u);
        QCOMPARE(m_notifier.Calls[2].Sent.Summary, QStringLiteral("Birthday today"));
        QCOMPARE(LastLines(), QStringList{QStringLiteral("Ann & <Bo> (36)")});
        m_notifier.Calls[2].Delivered(true);

        // The default action opens the windows as the tray does.
        m_notifier.Calls[2].Activated();
        QVERIFY(Forms::MenuExists() && Forms::Menu().isVisible());
        QCOMPARE(Forms::Main().Tag(), QStringLiteral("TR"));

        // Switched off, nobody is told; on again, the next refresh tells whoever is still due.
        Forms::Main().SetNotificationsEnabled(false);
        QVERIFY(!Forms::Main().NotificationsEnabled());
        QCOMPARE(m_env->Store().GetSetting("Candlewatcher", "Notifications", "Enabled", ""), "0");
        records.push_back(Record("6", "12", "2001", "Cy"));
        m_env->WriteBirthdays(records);
        test::RefreshPanel();
        QCOMPARE(m_notifier.Calls.size(), 3u);
        Forms::Main().SetNotificationsEnabled(true);
        test::RefreshPanel();
        QCOMPARE(LastLines(), QStringList{QStringLiteral("Cy (25)")});

        // The next day starts afresh.
        m_env->WriteBirthdays({Record("7", "12", "2000", "Later"), Record("6", "12", "2000", "P0")});
        m_env->SetToday({7, 12, 2026});
        Forms::Main().CheckDateChange();
        QCOMPARE(LastLines(), QStringList{QStringLiteral("Later (26)")});
    }

    // The program connects to the session bus only after the panel has painted: the start-up's notification
    // waits for the notifier, goes out once, and later ones go straight through.
    void startUpNotificationWaitsForTheNotifier() {
        DeferredNotifier deferred;
        UseNotifier(&deferred);
        m_env->WriteBirthdays({Record("6", "12", "2000", "Ann"), Record("6", "12", "1990", "Bo")});
        Forms::Main();
        test::RefreshPanel(); // still waiting: not asked for twice
        QVERIFY(m_notifier.Calls.empty());

        deferred.Forward(m_notifier);
        QCOMPARE(m_notifier.Calls.size(), 1u);
        QCOMPARE(LastLines(), (QStringList{QStringLiteral("Ann (26)"), QStringLiteral("Bo (36)")}));
        m_notifier.Calls[0].Delivered(true);
        m_notifier.Calls[0].Activated();
        QCOMPARE(Forms::Main().Tag(), QStringLiteral("TR"));

        m_env->WriteBirthdays({Record("6", "12", "2000", "Ann"), Record("6", "12", "1990", "Bo"),
                               Record("6", "12", "2001", "Cy")});
        test::RefreshPanel();
        QCOMPARE(m_notifier.Calls.size(), 2u);
        QCOMPARE(LastLines(), QStringList{QStringLiteral("Cy (25)")});
    }

    // Through D-Bus: no service, one that reads markup, one that does not, one that never answers.
    void dbus_data() {
        QTest::addColumn<QStringList>("capabilities");
        QTest::addColumn<bool>("hangs");
        QTest::addColumn<QString>("body"); // empty: not delivered
        QTest::newRow("no service") << QStringList() << false << QString();
        QTest::newRow("markup") << QStringList{"body", "body-markup"} << false << "Ann &amp; &lt;Bo&gt;\nCy";
        QTest::newRow("plain text") << QStringList{"body"} << false << "Ann & <Bo>\nCy";
        QTest::newRow("hung") << QStringList{"body"} << true << QString();
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
            int answers = 0, activations = 0;
            bool accepted = false;
            notifier.Notify(
                {QStringLiteral("Birthdays today"),
                 {"Ann & <Bo>", "Cy"},
                 QStringLiteral("Show Birthdays"),
                 QImage(32, 32, QImage::Format_ARGB32)},
                [&](bool ok) { accepted = ok, ++answers; }, [&] { ++activations; });
            QCOMPARE(answers, 0); // nothing waits for the bus
            QTRY_COMPARE_WITH_TIMEOUT(answers, 1, 10000);
            QCOMPARE(accepted, !body.isEmpty());
            if (accepted) {
                const QVariantList& arguments = service.Arguments;
                QCOMPARE(arguments.value(0).toString(), QStringLiteral("Candlewatcher"));
                QCOMPARE(arguments.value(2).toString(), QStringLiteral("candlewatcher"));
                QCOMPARE(arguments.value(3).toString(), QStringLiteral("Birthdays today"));
                QCOMPARE(arguments.value(4).toString(), body);
                QCOMPARE(arguments.value(5).toStringList(), (QStringList{"default", "Show Birthdays"}));
                QVERIFY(qdbus_cast<QVariantMap>(arguments.value(6)).contains(QStringLiteral("image-data")));
                QDBusMessage invoked = QDBusMessage::createSignal(
                    QStringLiteral("/org/freedesktop/Notifications"),
                    QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
                invoked << uint(7) << QStringLiteral("default");
                QVERIFY(server.send(invoked));
                QTRY_COMPARE_WITH_TIMEOUT(activations, 1, 10000);
            }

            // The panel goes on as before, whatever the service does, and warns of nothing.
            UseNotifier(&notifier);
            m_env->WriteBirthdays({Record("6", "12", "1990", "Ann")});
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
