// The reminder panel and tray owner on real windows: geometry, colours across refreshes, shown and hidden,
// the auto-hide timer, the tray toggle and its tag, the overflow row, the date change and failures.
#include "test_support.h"

#include "app/forms.h"
#include "manage/AddB.h"
#include "manage/frmMenu.h"
#include "reminder/border_line.h"
#include "reminder/frmMain.h"
#include "reminder/row_marker.h"
#include "ui/message_box.h"

#include <QDir>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace candlewatcher;
using candlewatcher::test::Record;
using candlewatcher::test::WindowTestEnvironment;

namespace {

const QColor LightBlue(192, 192, 255);
const QColor LightGrey(224, 224, 224);

QColor Background(const QWidget* widget) {
    return widget->palette().color(QPalette::Window);
}

// Records that fall on the given day of December 2026 (today is 6 December), named by their number.
std::vector<BirthdayRecord> December(int day, int count, int firstNumber = 0) {
    std::vector<BirthdayRecord> records;
    for (int i = 0; i < count; ++i) {
        records.push_back(Record(std::to_string(day), "12", "2000", "P" + std::to_string(firstNumber + i)));
    }
    return records;
}

std::vector<BirthdayRecord> operator+(std::vector<BirthdayRecord> a, const std::vector<BirthdayRecord>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

int Pixels(double twips) {
    return static_cast<int>(std::lround(twips / 15));
}

} // namespace

class ReminderPanelTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowTestEnvironment> m_env;

    static void Refresh() {
        frmMain& main = Forms::Main();
        main.SetRefreshCounter(main.RefreshCounter() + QStringLiteral("1"));
    }

private slots:
    void init() {
        m_env = std::make_unique<WindowTestEnvironment>();
        QVERIFY(m_env->IsValid());
    }
    void cleanup() { m_env.reset(); }

    void startUp() {
        m_env->WriteBirthdays(December(6, 1));
        frmMain& main = Forms::Main();
        QCOMPARE(main.RefreshCounter(), QStringLiteral("0"));
        QVERIFY(main.isVisible());
        QVERIFY(main.tmrBirthday->isActive());
        QCOMPARE(main.tmrBirthday->interval(), 5000);
        QVERIFY(main.Tag() != QStringLiteral("TR"));
        const Qt::WindowFlags flags = main.windowFlags();
        QVERIFY(flags & Qt::FramelessWindowHint);
        QVERIFY(flags & Qt::WindowStaysOnTopHint);
        QVERIFY(flags & Qt::WindowDoesNotAcceptFocus);
        QVERIFY(main.testAttribute(Qt::WA_ShowWithoutActivating));
        QVERIFY(main.TrayIcon() != nullptr);
        QCOMPARE(main.TrayIcon()->toolTip(), QStringLiteral("Candlewatcher"));
        QVERIFY(!main.TrayIcon()->icon().isNull());
        // The add dialog's date fields hold the day of the start.
        QVERIFY(Forms::AddExists());
        QCOMPARE(Forms::Add().Text1->text(), QStringLiteral("6"));
        QCOMPARE(Forms::Add().Text2->text(), QStringLiteral("12"));
        QCOMPARE(Forms::Add().Text3->text(), QStringLiteral("2026"));
        // Closing removes the icon and is never refused.
        QVERIFY(main.close());
        QVERIFY(main.TrayIcon() == nullptr);
    }

    void startUpWithoutRowsStaysHidden() {
        m_env->WriteBirthdays(December(20, 1));
        frmMain& main = Forms::Main();
        QVERIFY(!main.isVisible());
        QVERIFY(!main.tmrBirthday->isActive());
        QCOMPARE(main.Birthday[0]->text(), QStringLiteral("No birthdays"));
    }

    void rowFont() {
        const QFontInfo font(Forms::Main().Birthday[0]->font());
        QVERIFY2(font.family() == QStringLiteral("Arial") ||
                     font.family() == QStringLiteral("Liberation Sans"),
                 qPrintable(font.family()));
        QCOMPARE(Forms::Main().Birthday[0]->font().pointSizeF(), 8.25);
    }

    // Height n * 240 + 110 twips, 100 twips from the right and 500 from the bottom of the whole screen,
    // with the two lower border lines moved along; pixels only at the very end.
    void geometry_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("heightTwips");
        QTest::addColumn<int>("heightPixels");
        QTest::newRow("one") << 1 << 350 << 23;
        QTest::newRow("two") << 2 << 590 << 39;
        QTest::newRow("thirteen") << 13 << 3230 << 215;
    }
    void geometry() {
        QFETCH(int, rows);
        QFETCH(int, heightTwips);
        QFETCH(int, heightPixels);
        m_env->WriteBirthdays(December(6, rows));
        frmMain& main = Forms::Main();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(main.geometry().height(), heightPixels);
        QCOMPARE(main.geometry().width(), 197);
        QCOMPARE(main.geometry().left(), Pixels(screen.width() * 15 - 3055));
        QCOMPARE(main.geometry().top(), Pixels(screen.height() * 15 - (heightTwips + 500)));
        QCOMPARE(main.Line[2]->Y1(), heightTwips - 20);
        QCOMPARE(main.Line[2]->geometry(), QRect(0, Pixels(heightTwips - 20), 197, 1));
        QCOMPARE(main.Line[4]->Y1(), heightTwips - 30);
        QCOMPARE(main.Line[4]->geometry(), QRect(0, Pixels(heightTwips - 30), 197, 1));
        for (int k = 0; k < rows; ++k) {
            QVERIFY2(main.Birthday[k]->geometry().top() < heightPixels, "every row lies inside the panel");
        }
    }

    void drawnPanel() {
        m_env->WriteBirthdays(December(6, 1));
        frmMain& main = Forms::Main();
        const QImage image = main.grab().toImage();
        QCOMPARE(image.size(), QSize(197, 23));
        QCOMPARE(QColor(image.pixel(0, 10)), QColor(Qt::white));       // Line1
        QCOMPARE(QColor(image.pixel(100, 0)), QColor(Qt::white));      // Line2
        QCOMPARE(QColor(image.pixel(100, 22)), QColor(Qt::black));     // Line3
        QCOMPARE(QColor(image.pixel(196, 10)), QColor(Qt::black));     // Line4
        QCOMPARE(QColor(image.pixel(100, 21)), QColor(128, 128, 128)); // Line5
        QCOMPARE(QColor(image.pixel(195, 10)), QColor(128, 128, 128)); // Line6
        QCOMPARE(QColor(image.pixel(2, 10)), LightBlue);               // the marker in the left margin
    }

    // Colours that one refresh leaves for the next.
    void coloursAcrossRefreshes() {
        m_env->WriteBirthdays(December(6, 1) + December(7, 1, 1));
        frmMain& main = Forms::Main();
        QCOMPARE(Background(main.Birthday[0]), LightBlue);
        QCOMPARE(main.BShape[0]->FillColor(), LightBlue);
        QCOMPARE(Background(main.Birthday[1]), LightGrey);
        QCOMPARE(main.BShape[1]->FillColor(), LightGrey);
        QCOMPARE(Background(&main), LightBlue);

        // Upcoming rows only: the marker that was light blue at row 0 turns light grey, and so does the
        // panel.
        m_env->WriteBirthdays(December(8, 2));
        Refresh();
        QVERIFY(main.isVisible());
        QCOMPARE(main.height(), 39);
        QCOMPARE(main.Birthday[0]->text(), QStringLiteral("P0 (26 - 8\\12)"));
        QCOMPARE(Background(main.Birthday[0]), LightGrey);
        QCOMPARE(main.BShape[0]->FillColor(), LightGrey);
        QCOMPARE(Background(&main), LightGrey);

        // A birthday today again: its row is light blue, the panel stays light grey.
        m_env->WriteBirthdays(December(6, 1));
        Refresh();
        QCOMPARE(Background(main.Birthday[0]), LightBlue);
        QCOMPARE(main.BShape[0]->FillColor(), LightBlue);
        QCOMPARE(Background(&main), LightGrey);
    }

    void noBirthdays_data() {
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<QColor>("panel");
        QTest::newRow("file missing") << false << LightBlue;
        QTest::newRow("nothing due") << true << LightGrey;
    }
    void noBirthdays() {
        QFETCH(bool, fileExists);
        QFETCH(QColor, panel);
        if (fileExists) {
            m_env->WriteBirthdays(December(30, 1));
        }
        m_env->StoreSetting(QStringLiteral("Warn Days"), QStringLiteral("3"));
        frmMain& main = Forms::Main();
        QCOMPARE(main.Birthday[0]->text(), QStringLiteral("No birthdays"));
        QCOMPARE(Background(main.Birthday[0]), LightGrey);
        QCOMPARE(main.BShape[0]->FillColor(), LightGrey);
        QCOMPARE(Background(&main), panel);
        QCOMPARE(main.height(), 23);
        QVERIFY(!main.isVisible());
    }

    void fewerRowsLeaveTheOldOnesBelow() {
        m_env->WriteBirthdays(December(6, 5));
        frmMain& main = Forms::Main();
        QCOMPARE(main.height(), Pixels(5 * 240 + 110));
        m_env->WriteBirthdays(December(6, 2, 10));
        Refresh();
        QCOMPARE(main.height(), 39);
        QCOMPARE(main.Birthday[1]->text(), QStringLiteral("P11 (26)"));
        QCOMPARE(main.Birthday[2]->text(), QStringLiteral("P2 (26)"));
        QCOMPARE(main.Birthday[4]->text(), QStringLiteral("P4 (26)"));
    }

    void moreRowsThanFit() {
        m_env->WriteBirthdays(December(6, 10) + December(9, 5, 10));
        frmMain& main = Forms::Main();
        QCOMPARE(main.height(), 215);
        QCOMPARE(main.Birthday[11]->text(), QStringLiteral("P11 (26 - 9\\12)"));
        QCOMPARE(main.Birthday[12]->text(), QStringLiteral("and 3 more"));
        QCOMPARE(Background(main.Birthday[12]), LightGrey);
        QCOMPARE(main.BShape[12]->FillColor(), LightGrey);
        QCOMPARE(Background(&main), LightBlue);
    }

    void autoHideTimer() {
        m_env->WriteBirthdays(December(6, 1));
        frmMain& main = Forms::Main();
        main.tmrBirthday_Timer();
        QVERIFY(!main.isVisible());
        QVERIFY(!main.tmrBirthday->isActive());

        // Opened from the tray, the ticks leave it alone until it is put away.
        Refresh();
        main.SetTag(QStringLiteral("TR"));
        main.tmrBirthday_Timer();
        QVERIFY(main.isVisible());
        QVERIFY(main.tmrBirthday->isActive());
        main.SetTag(QStringLiteral("RT"));
        main.tmrBirthday_Timer();
        QVERIFY(!main.isVisible());
        QVERIFY(!main.tmrBirthday->isActive());
    }

    void refreshRestartsTheCount() {
        m_env->WriteBirthdays(December(6, 1));
        frmMain& main = Forms::Main();
        QTest::qWait(200);
        QVERIFY(main.tmrBirthday->remainingTime() <= 4850);
        Refresh();
        QVERIFY(main.tmrBirthday->remainingTime() > 4900);
    }

    // The tray toggle with no birthday file, as the tag table runs it.
    void trayToggle() {
        frmMain& main = Forms::Main();
        main.SetSingleActivationToggles(false);
        QVERIFY(!main.isVisible());

        main.TrayIcon_Activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(Forms::MenuExists());
        QVERIFY(Forms::Menu().isVisible());
        QVERIFY(!main.isVisible()); // the new list window's refresh found nothing and hid the panel
        QCOMPARE(main.Tag(), QStringLiteral("TR"));

        main.TrayIcon_Activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(!Forms::Menu().isVisible());
        QVERIFY(!main.isVisible());
        QCOMPARE(main.Tag(), QStringLiteral("RT"));

        main.TrayIcon_Activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(Forms::Menu().isVisible());
        QVERIFY(main.isVisible()); // no refresh this time: the last display stands
        QCOMPARE(main.Birthday[0]->text(), QStringLiteral("No birthdays"));
        QCOMPARE(main.Tag(), QStringLiteral("TR"));
    }

    void otherActivations_data() {
        QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
        QTest::addColumn<bool>("singleActivationHost");
        QTest::addColumn<bool>("toggles");
        QTest::newRow("click, embedded tray") << QSystemTrayIcon::Trigger << false << false;
        QTest::newRow("right button") << QSystemTrayIcon::Context << false << false;
        QTest::newRow("middle button") << QSystemTrayIcon::MiddleClick << false << false;
        QTest::newRow("unknown") << QSystemTrayIcon::Unknown << false << false;
        QTest::newRow("activation, notifier host") << QSystemTrayIcon::Trigger << true << true;
        QTest::newRow("right button, notifier host") << QSystemTrayIcon::Context << true << false;
        QTest::newRow("middle button, notifier host") << QSystemTrayIcon::MiddleClick << true << false;
    }
    void otherActivations() {
        QFETCH(QSystemTrayIcon::ActivationReason, reason);
        QFETCH(bool, singleActivationHost);
        QFETCH(bool, toggles);
        m_env->WriteBirthdays(December(6, 1));
        frmMain& main = Forms::Main();
        main.SetSingleActivationToggles(singleActivationHost);
        main.TrayIcon_Activated(reason);
        QCOMPARE(Forms::MenuExists(), toggles);
        QCOMPARE(main.Tag() == QStringLiteral("TR"), toggles);
        QVERIFY(main.isVisible());
    }

    void openWindowsFromAnyState() {
        frmMain& main = Forms::Main();
        main.SetTag(QStringLiteral("TR"));
        main.OpenWindows();
        QVERIFY(Forms::Menu().isVisible());
        QCOMPARE(main.Tag(), QStringLiteral("TR"));
    }

    void dateChangeRefreshes() {
        m_env->WriteBirthdays(December(7, 1));
        m_env->StoreSetting(QStringLiteral("Warn"), QStringLiteral("0"));
        frmMain& main = Forms::Main();
        QVERIFY(!main.isVisible());
        m_env->WriteBirthdays(December(6, 1) + December(7, 1, 1));
        main.CheckDateChange(); // same day: nothing runs
        QVERIFY(!main.isVisible());
        m_env->SetToday({7, 12, 2026});
        main.CheckDateChange();
        QVERIFY(main.isVisible());
        QCOMPARE(main.Birthday[0]->text(), QStringLiteral("P1 (26)"));
    }

    void unreadableFileKeepsTheDisplay() {
        m_env->WriteBirthdays(December(6, 1));
        frmMain& main = Forms::Main();
        MessageBox::TakeShownTexts();
        QVERIFY(QDir().remove(QString::fromStdString(m_env->BirthdayPath().string())));
        QVERIFY(QDir().mkdir(QString::fromStdString(m_env->BirthdayPath().string())));
        Refresh();
        const QStringList shown = MessageBox::TakeShownTexts();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains(QStringLiteral("birthday.dat")), qPrintable(shown[0]));
        QCOMPARE(main.Birthday[0]->text(), QStringLiteral("P0 (26)"));
        QVERIFY(main.isVisible());
    }

    void unreadableSettingsKeepTheDisplay() {
        m_env->WriteBirthdays(December(6, 1));
        frmMain& main = Forms::Main();
        MessageBox::TakeShownTexts();
        QVERIFY(QDir().mkpath(m_env->SettingsPath()));
        Refresh();
        const QStringList shown = MessageBox::TakeShownTexts();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains(QStringLiteral("Candlewatcher.ini")), qPrintable(shown[0]));
        QCOMPARE(main.Birthday[0]->text(), QStringLiteral("P0 (26)"));
        QVERIFY(main.isVisible());
    }
};

QTEST_MAIN(ReminderPanelTest)
#include "frmMain_test.moc"
