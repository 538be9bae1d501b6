// The reminder panel and tray owner on real windows: geometry, colours across refreshes, shown and hidden,
// the auto-hide timer, the tray toggle and its tag, the overflow row, the date change and failures.
#include "test_support.h"

#include "manage/AddB.h"
#include "manage/frmMenu.h"
#include "manage/frmSettings.h"
#include "tray/border_line.h"
#include "tray/frmMain.h"
#include "tray/row_marker.h"
#include "ui/after_first_paint.h"
#include "ui/app_icon.h"
#include "ui/forms.h"
#include "ui/message_box.h"
#include "ui/twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include <algorithm>
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

// Birthdays on the given day of December (today is 6 December 2026), named P<first>, P<first + 1>, ...
std::vector<BirthdayRecord> December(int day, int count, int first = 0) {
    std::vector<BirthdayRecord> records;
    for (int i = 0; i < count; ++i) {
        records.push_back(Record(std::to_string(day), "12", "2000", "P" + std::to_string(first + i)));
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

// Counts the events of one type that reach a widget.
class EventCounter : public QObject {
public:
    EventCounter(QWidget& widget, QEvent::Type type, int& count)
        : m_type(type)
        , m_count(count) {
        widget.installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        m_count += event->type() == m_type ? 1 : 0;
        return false;
    }

private:
    QEvent::Type m_type;
    int& m_count;
};

} // namespace

class ReminderPanelTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowTestEnvironment> m_env;

private slots:
    void init() {
        m_env = std::make_unique<WindowTestEnvironment>();
        QVERIFY(m_env->IsValid());
    }
    void cleanup() { m_env.reset(); }

    void startUpAndClose() {
        m_env->WriteBirthdays(December(6, 1));
        frmMain& main = Forms::Main();
        QCOMPARE(main.RefreshCounter(), QStringLiteral("0"));
        QVERIFY(main.isVisible());
        QVERIFY(main.tmrBirthday->isActive());
        QVERIFY(main.Tag() != QStringLiteral("TR"));
        QVERIFY(main.windowFlags().testFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                             Qt::WindowDoesNotAcceptFocus));
        QCOMPARE(main.TrayIcon()->toolTip(), QStringLiteral("Candlewatcher"));
        QVERIFY(!main.TrayIcon()->icon().isNull());
        // The add dialog's date fields hold the day of the start.
        QCOMPARE(Forms::Add().Text1->text() + Forms::Add().Text2->text() + Forms::Add().Text3->text(),
                 QStringLiteral("6122026"));
        QCOMPARE(m_env->QuitRequests(), 0);
        QVERIFY(main.close());
        QVERIFY(main.TrayIcon() == nullptr);
        // Closed from outside too (a window manager's close): no icon left, so the program ends.
        QCOMPARE(m_env->QuitRequests(), 1);
    }

    // Height n * 240 + 110 twips, 100 twips from the right and 500 from the bottom of the whole screen,
    // the two lower border lines moved along; pixels only at the very end.
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
        m_env->WriteBirthdays(December(6, rows));
        frmMain& main = Forms::Main();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QTEST(main.height(), "heightPixels");
        QCOMPARE(main.width(), 197);
        QCOMPARE(main.x(), Pixels(screen.width() * 15 - 3055));
        QCOMPARE(main.y(), Pixels(screen.height() * 15 - (heightTwips + 500)));
        QCOMPARE(main.Line[2]->geometry(), QRect(0, Pixels(heightTwips - 20), 197, 1));
        QCOMPARE(main.Line[4]->geometry(), QRect(0, Pixels(heightTwips - 30), 197, 1));
        QVERIFY(main.Birthday[rows - 1]->geometry().bottom() < main.height());
    }

    void drawnPanel() {
        m_env->WriteBirthdays(December(6, 1));
        frmMain& main = Forms::Main();
        const QFontInfo font(main.Birthday[0]->font());
        QVERIFY2(font.family() == QStringLiteral("Arial") ||
                     font.family() == QStringLiteral("Liberation Sans"),
                 qPrintable(font.family()));
        const QImage image = main.grab().toImage();
        QCOMPARE(image.size(), QSize(197, 23));
        const QColor white(Qt::white), black(Qt::black), darkGrey(128, 128, 128);
        const std::pair<QPoint, QColor> pixels[] = {
            {{0, 10}, white},      {{100, 0}, white},     {{100, 22}, black},  {{196, 10}, black},
            {{100, 21}, darkGrey}, {{195, 10}, darkGrey}, {{2, 10}, LightBlue}};
        for (const auto& [point, color] : pixels) {
            QCOMPARE(QColor(image.pixel(point)), color);
        }
    }

    // The icon is painted in code; ui/candle.svg, rendered by Qt's SVG image plugin, is what it must look
    // like.
    void iconIsTheCandleOfTheSvg() {
        QImageReader reader(QFINDTESTDATA("../../ui/candle.svg"));
        reader.setScaledSize(QSize(32, 32));
        const QImage drawn = reader.read().convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(!drawn.isNull(), qPrintable(reader.errorString()));
        const QImage painted = AppIcon().pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(painted.size(), QSize(32, 32));
        long total = 0;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const QRgb a = drawn.pixel(x, y), b = painted.pixel(x, y);
                const int difference =
                    std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
                QVERIFY2(difference <= 48, qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
                total += difference;
            }
        }
        QVERIFY(total / 1024.0 < 2); // differences of anti-aliasing only
    }

    // Colours that one refresh leaves for the next.
    void coloursAcrossRefreshes() {
        m_env->WriteBirthdays(December(6, 1) + December(7, 1, 1));
        frmMain& main = Forms::Main();
        QCOMPARE(main.BShape[0]->FillColor(), LightBlue);
        QCOMPARE(Background(main.Birthday[1]), LightGrey);
        QCOMPARE(main.BShape[1]->FillColor(), LightGrey);
        QCOMPARE(Background(&main), LightBlue);

        // Upcoming rows only: row 0's marker, light blue before, turns light grey, and so does the panel.
        m_env->WriteBirthdays(December(8, 2));
        test::RefreshPanel();
        QVERIFY(main.isVisible());
        QCOMPARE(main.Birthday[0]->text(), QStringLiteral("P0 (26 - 8\\12)"));
        QCOMPARE(Background(main.Birthday[0]), LightGrey);
        QCOMPARE(main.BShape[0]->FillColor(), LightGrey);
        QCOMPARE(Background(&main), LightGrey);

        // A birthday today again: its row is light blue, the panel stays light grey.
        m_env->WriteBirthdays(December(6, 1));
        test::RefreshPanel();
        QCOMPARE(Background(main.Birthday[0]), LightBlue);
        QCOMPARE(main.BShape[0]->FillColor(), LightBlue);
        QCOMPARE(Background(&main), LightGrey);
    }

    // Under a dark colour scheme (light text on dark windows) the panel keeps its light rows, and their text
    // is drawn dark; the list window follows the scheme.
    void darkPaletteKeepsThePanelLegible() {
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(40, 40, 40));
        dark.setColor(QPalette::WindowText, QColor(235, 235, 235));
        dark.setColor(QPalette::Base, QColor(30, 30, 30));
        dark.setColor(QPalette::Text, QColor(235, 235, 235));
        const QPalette before = QApplication::palette();
        QApplication::setPalette(dark);
        m_env->WriteBirthdays(December(6, 1) + December(8, 1, 1));
        frmMain& main = Forms::Main();
        for (int k : {0, 1}) {
            QLabel* row = main.Birthday[k];
            QVERIFY(QColor(row->palette().color(QPalette::Window)).lightness() > 180);
            const QImage drawn = row->grab().toImage();
            int darkest = 255;
            for (int y = 0; y < drawn.height(); ++y) {
                for (int x = 0; x < drawn.width(); ++x) {
                    darkest = std::min(darkest, qGray(drawn.pixel(x, y)));
                }
            }
            QVERIFY2(darkest < 80,
                     qPrintable(QStringLiteral("row %1's darkest pixel: %2").arg(k).arg(darkest)));
        }
        QCOMPARE(Forms::Menu().palette().color(QPalette::Window), QColor(40, 40, 40));
        QApplication::setPalette(before);
    }

    void noBirthdays_data() {
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<QColor>("panel");
        QTest::newRow("file missing") << false << LightBlue;
        QTest::newRow("nothing due") << true << LightGrey;
    }
    void noBirthdays() {
        QFETCH(bool, fileExists);
        if (fileExists) {
            m_env->WriteBirthdays(December(30, 1));
        }
        frmMain& main = Forms::Main();
        QCOMPARE(main.Birthday[0]->text(), QStringLiteral("No birthdays"));
        QCOMPARE(Background(main.Birthday[0]), LightGrey);
        QCOMPARE(main.BShape[0]->FillColor(), LightGrey);
        QTEST(Background(&main), "panel");
        QCOMPARE(main.height(), 23);
        QVERIFY(!main.isVisible()); // also right after start-up
        QVERIFY(!main.tmrBirthday->isActive());
    }

    void fewerRowsLeaveTheOldOnesBelowAndTooManyEndInACount() {
        m_env->WriteBirthdays(December(6, 5));
        frmMain& main = Forms::Main();
        m_env->WriteBirthdays(December(6, 2, 10));
        test::RefreshPanel();
        QCOMPARE(main.height(), 39);
        QCOMPARE(main.Birthday[1]->text(), QStringLiteral("P11 (26)"));
        QCOMPARE(main.Birthday[4]->text(), QStringLiteral("P4 (26)"));

        m_env->WriteBirthdays(December(6, 10) + December(9, 5, 10));
        test::RefreshPanel();
        QCOMPARE(main.height(), 215);
        QCOMPARE(main.Birthday[11]->text(), QStringLiteral("P11 (26 - 9\\12)"));
        QCOMPARE(main.Birthday[12]->text(), QStringLiteral("and 3 more"));
        QCOMPARE(Background(main.Birthday[12]), LightGrey);
        QCOMPARE(main.BShape[12]->FillColor(), LightGrey);
    }

    void autoHideTimer() {
        m_env->WriteBirthdays(December(6, 1));
        frmMain& main = Forms::Main();
        main.tmrBirthday_Timer();
        QVERIFY(!main.isVisible());
        QVERIFY(!main.tmrBirthday->isActive());
        // Opened from the tray, the ticks leave it alone until it is put away.
        test::RefreshPanel();
        main.SetTag(QStringLiteral("TR"));
        main.tmrBirthday_Timer();
        QVERIFY(main.isVisible());
        QVERIFY(main.tmrBirthday->isActive());
        main.SetTag(QStringLiteral("RT"));
        main.tmrBirthday_Timer();
        QVERIFY(!main.isVisible());
        QVERIFY(!main.tmrBirthday->isActive());
        // A refresh while the count runs starts it again: once well over a second of the count has gone,
        // a refresh gives it back (only a refresh that took that long itself could fail this).
        test::RefreshPanel();
        QTRY_VERIFY_WITH_TIMEOUT(main.tmrBirthday->remainingTime() < 3500, 10000);
        test::RefreshPanel();
        QVERIFY(main.tmrBirthday->remainingTime() >= 3500);
    }

    // The tag table without a birthday file, driven through the tray handler.
    void trayToggle() {
        frmMain& main = Forms::Main();
        main.SetSingleActivationToggles(false);
        main.TrayIcon_Activated(QSystemTrayIcon::DoubleClick);
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
        QCOMPARE(main.Tag(), QStringLiteral("TR"));
    }

    void otherActivations_data() {
        QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
        QTest::addColumn<bool>("notifierHost");
        QTest::addColumn<bool>("toggles");
        QTest::newRow("click, embedded tray") << QSystemTrayIcon::Trigger << false << false;
        QTest::newRow("right button") << QSystemTrayIcon::Context << false << false;
        QTest::newRow("middle button") << QSystemTrayIcon::MiddleClick << false << false;
        QTest::newRow("activation, notifier host") << QSystemTrayIcon::Trigger << true << true;
        QTest::newRow("right button, notifier host") << QSystemTrayIcon::Context << true << false;
    }
    void otherActivations() {
        QFETCH(QSystemTrayIcon::ActivationReason, reason);
        QFETCH(bool, notifierHost);
        m_env->WriteBirthdays(December(6, 1));
        frmMain& main = Forms::Main();
        main.SetSingleActivationToggles(notifierHost);
        main.TrayIcon_Activated(reason);
        QTEST(Forms::MenuExists(), "toggles");
        QTEST(main.Tag() == QStringLiteral("TR"), "toggles");
        // A second activation within the double click time (a double click on such a host) keeps them open;
        // a later one puts them away. The interval is set so that neither depends on the machine's speed.
        const int interval = QApplication::doubleClickInterval();
        QApplication::setDoubleClickInterval(60 * 1000);
        main.TrayIcon_Activated(reason);
        QTEST(main.Tag() == QStringLiteral("TR"), "toggles");
        if (notifierHost) {
            QApplication::setDoubleClickInterval(1);
            QTest::qWait(5);
            main.TrayIcon_Activated(reason);
            QVERIFY(main.Tag() != QStringLiteral("TR"));
        }
        QApplication::setDoubleClickInterval(interval);
    }

    void dateChangeRefreshes() {
        m_env->WriteBirthdays(December(7, 1));
        m_env->StoreSetting(QStringLiteral("Warn"), QStringLiteral("0"));
        frmMain& main = Forms::Main();
        m_env->WriteBirthdays(December(6, 1) + December(7, 1, 1));
        main.CheckDateChange(); // the same day: no refresh
        QVERIFY(!main.isVisible());
        m_env->SetToday({7, 12, 2026});
        main.CheckDateChange();
        QVERIFY(main.isVisible());
        QCOMPARE(main.Birthday[0]->text(), QStringLiteral("P1 (26)"));
    }

    // The add and settings dialogs are made when first used, after the panel has painted. They show what
    // the start-up and the last refresh saw, not what the clock and the store say by the time they are made.
    void dialogsMadeLaterShowWhatTheStartSaw() {
        m_env->StoreSetting(QStringLiteral("Warn"), QStringLiteral("0"));
        m_env->StoreSetting(QStringLiteral("Warn Days"), QStringLiteral("3"));
        Forms::Main();
        QVERIFY(!Forms::AddExists() && !Forms::SettingsExists());
        m_env->SetToday({7, 12, 2026});
        m_env->StoreSetting(QStringLiteral("Warn"), QStringLiteral("1"));
        m_env->StoreSetting(QStringLiteral("Warn Days"), QStringLiteral("20"));

        const AddB& add = Forms::Add();
        QCOMPARE(add.Text1->text() + add.Text2->text() + add.Text3->text(), QStringLiteral("6122026"));
        const frmSettings& settings = Forms::Settings();
        QCOMPARE(settings.Check1->checkState(), Qt::Unchecked);
        QCOMPARE(settings.Text1->text(), QStringLiteral("3"));
    }

    // What waits for the panel's first paint (the session bus, the watch) runs once, never before that
    // paint; with nothing shown, from the event loop all the same.
    void workWaitsForTheFirstPaint_data() {
        QTest::addColumn<bool>("shown");
        QTest::newRow("shown") << true;
        QTest::newRow("hidden") << false;
    }
    void workWaitsForTheFirstPaint() {
        QFETCH(bool, shown);
        QWidget window;
        int paints = 0;
        EventCounter counter(window, QEvent::Paint, paints);
        window.setVisible(shown);
        int runs = 0;
        int paintsBefore = -1;
        RunAfterFirstPaint(window, [&] {
            ++runs;
            paintsBefore = paints;
        });
        QCOMPARE(runs, 0);
        QTRY_COMPARE(runs, 1);
        QCOMPARE(paintsBefore > 0, shown);
    }

    // The midnight refresh may come while the user types in the settings dialog: what is typed stays.
    void dateChangeLeavesAnOpenSettingsDialogAlone() {
        frmMain& main = Forms::Main();
        frmSettings& dialog = Forms::Settings();
        QTimer::singleShot(0, &dialog, [&] {
            dialog.Check1->setChecked(false);
            dialog.Text1->setText(QStringLiteral("3"));
            m_env->SetToday({7, 12, 2026});
            main.CheckDateChange();
            dialog.hide();
        });
        dialog.exec();
        QCOMPARE(dialog.Check1->checkState(), Qt::Unchecked);
        QCOMPARE(dialog.Text1->text(), QStringLiteral("3"));
        test::RefreshPanel(); // the refresh after the dialog shows what is stored
        QCOMPARE(dialog.Text1->text(), QStringLiteral("10"));
    }

    // A file or settings failure is reported, naming the file, and the panel keeps what it showed.
    void failureKeepsTheDisplay_data() {
        QTest::addColumn<bool>("birthdays");
        QTest::addColumn<QString>("named");
        QTest::newRow("birthday file") << true << "birthday.dat";
        QTest::newRow("settings file") << false << "Candlewatcher.ini";
    }
    void failureKeepsTheDisplay() {
        QFETCH(bool, birthdays);
        m_env->WriteBirthdays(December(6, 1));
        frmMain& main = Forms::Main();
        MessageBox::TakeShownTexts();
        const QString blocked =
            birthdays ? QString::fromStdString(m_env->BirthdayPath()) : m_env->SettingsPath();
        QDir().remove(blocked);
        QVERIFY(QDir().mkpath(blocked)); // a folder in the file's place
        test::RefreshPanel();
        const QStringList shown = MessageBox::TakeShownTexts();
        QCOMPARE(shown.size(), 1);
        QFETCH(QString, named);
        QVERIFY2(shown[0].contains(named), qPrintable(shown[0]));
        QCOMPARE(main.Birthday[0]->text(), QStringLiteral("P0 (26)"));
        QVERIFY(main.isVisible());
    }

    // A start whose first refresh fails still has its panel in the corner, at its design size, for the
    // tray to show; and the tray brings back a list window the user had minimised.
    void firstRefreshFailsAndTheTrayStillShowsTheWindows() {
        QVERIFY(QDir().mkpath(QString::fromStdString(m_env->BirthdayPath())));
        frmMain& main = Forms::Main();
        QCOMPARE(MessageBox::TakeShownTexts().size(), 1);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(main.geometry(), QRect(screen.right() + 1 - Twips(3055), screen.bottom() + 1 - Twips(3695),
                                        Twips(2955), Twips(3195)));
        main.ToggleWindows();
        QVERIFY(main.isVisible());
        main.ToggleWindows();
        Forms::Menu().setWindowState(Qt::WindowMinimized);
        main.ToggleWindows();
        QVERIFY(!Forms::Menu().isMinimized());
        QVERIFY(Forms::Menu().isVisible());
    }
};

QTEST_MAIN(ReminderPanelTest)
#include "frmMain_test.moc"
