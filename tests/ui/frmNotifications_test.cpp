// The notification settings dialog, opened from the tray menu and driven from the keyboard: what it shows
// of the stored settings, what OK stores, what it refuses, and that Esc stores nothing.
#include "test_support.h"

#include "manage/frmNotifications.h"
#include "tray/frmMain.h"
#include "tray/tray_menu.h"
#include "ui/forms.h"
#include "ui/message_box.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace candlewatcher;
using candlewatcher::test::WindowTestEnvironment;

class NotificationsDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowTestEnvironment> m_env;
    const QStringList m_keys{"Enabled", "DaysBefore", "NotBefore", "SnoozeMinutes"};

    // The four values in that order, "-" for one not stored.
    QString Stored() const {
        QStringList values;
        for (const QString& key : m_keys) {
            values << QString::fromStdString(
                m_env->Store().GetSetting("Candlewatcher", "Notifications", key.toStdString(), "-"));
        }
        return values.join(QLatin1Char(' '));
    }

private slots:
    void init() {
        m_env = std::make_unique<WindowTestEnvironment>();
        QVERIFY(m_env->IsValid());
    }
    void cleanup() { m_env.reset(); }

    // Steps: a key sequence ("Alt+A", "Return"), or "type:" and the text typed where the focus is.
    void keyboard_data() {
        QTest::addColumn<QString>("before"); // as Stored() writes them; "-" stores nothing
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("shown"); // day, days before (0: off), time, as the dialog opens
        QTest::addColumn<QString>("after");
        QTest::newRow("defaults") << "- - - -" << QStringList{"Return"} << "1 0 09:00"
                                  << "1 0 09:00 60";
        QTest::newRow("three days before, at half past seven, not on the day")
            << "- - - -" << QStringList{"Alt+D", "Alt+A", "Alt+B", "type:3", "Alt+N", "type:0730", "Return"}
            << "1 0 09:00"
            << "0 3 07:30 60";
        QTest::newRow("more than 30 days refused")
            << "- - - -" << QStringList{"Alt+A", "Alt+B", "type:45", "Alt+O"} << "1 0 09:00"
            << "1 4 09:00 60";
        QTest::newRow("stored values shown, switched off, snooze kept")
            << "- 12 7:05 5" << QStringList{"Alt+A", "Return"} << "1 12 07:05"
            << "1 0 07:05 5";
        QTest::newRow("stored values out of range shown as their defaults")
            << "- 31 24:00 0" << QStringList{"Return"} << "1 0 09:00"
            << "1 0 09:00 60";
        QTest::newRow("Esc stores nothing")
            << "- - - -" << QStringList{"Alt+D", "Alt+A", "Escape"} << "1 0 09:00"
            << "- - - -";
        QTest::newRow("Cancel stores nothing") << "- - - -" << QStringList{"Alt+D", "Alt+C"} << "1 0 09:00"
                                               << "- - - -";
    }
    void keyboard() {
        QFETCH(QString, before);
        QFETCH(QStringList, steps);
        QFETCH(QString, shown);
        QFETCH(QString, after);
        const QStringList values = before.split(QLatin1Char(' '));
        for (int i = 0; i < m_keys.size(); ++i) {
            if (values[i] != QLatin1String("-")) {
                m_env->Store().SaveSetting("Candlewatcher", "Notifications", m_keys[i].toStdString(),
                                           values[i].toStdString());
            }
        }
        frmNotifications& dialog = Forms::Notifications();
        bool ran = false;
        // The tray menu opens the dialog once the menu has closed: the steps run inside the dialog's modal
        // loop as soon as it shows.
        QTimer poll;
        connect(&poll, &QTimer::timeout, &dialog, [&] {
            if (ran || !dialog.isVisible()) {
                return;
            }
            ran = true;
            // Mnemonics reach the active window only.
            dialog.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Candlewatcher"));
            QCOMPARE(QStringLiteral("%1 %2 %3")
                         .arg(int(dialog.Check1->isChecked()))
                         .arg(dialog.Check2->isChecked() ? dialog.Text1->value() : 0)
                         .arg(dialog.Time1->time().toString(QStringLiteral("HH:mm"))),
                     shown);
            QCOMPARE(dialog.Text1->isEnabled(), dialog.Check2->isChecked());
            for (const QString& step : steps) {
                QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : &dialog;
                if (step.startsWith(QLatin1String("type:"))) {
                    QTest::keyClicks(focus, step.mid(5));
                } else {
                    QTest::keySequence(focus, QKeySequence(step));
                }
                // A mnemonic clicks its button as a mouse would, released a moment later.
                const QList<QAbstractButton*> buttons = dialog.findChildren<QAbstractButton*>();
                QTRY_VERIFY(
                    std::none_of(buttons.begin(), buttons.end(), [](auto* b) { return b->isDown(); }));
            }
            if (dialog.isVisible()) {
                dialog.reject();
                QFAIL("the dialog stayed open");
            }
        });
        poll.start(10);
        Forms::Main().TrayIconMenu()->Notifications->trigger();
        QTRY_VERIFY(ran && !dialog.isVisible());
        QCOMPARE(Stored(), after);
        QVERIFY(MessageBox::TakeShownTexts().isEmpty());
    }
};

QTEST_MAIN(NotificationsDialogTest)
#include "frmNotifications_test.moc"
