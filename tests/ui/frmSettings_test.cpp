// The settings dialog on a real settings file: what it shows after a refresh, what OK stores, Enter, Esc,
// the close box, the two-character field, a save that fails, and the store keeping texts exactly.
#include "test_support.h"

#include "manage/frmSettings.h"
#include "tray/frmMain.h"
#include "ui/forms.h"
#include "ui/message_box.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace candlewatcher;
using candlewatcher::test::WindowTestEnvironment;

class SettingsDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowTestEnvironment> m_env;

    // The program's start, then the dialog opened from the list window.
    static frmSettings& StartAndOpen() {
        Forms::Main();
        Forms::Settings().show();
        return Forms::Settings();
    }
    // The refresh that follows every dialog the list window opens.
    static QWidget* NextTabStop(QWidget* widget) {
        do {
            widget = widget->nextInFocusChain();
        } while (!(widget->focusPolicy() & Qt::TabFocus));
        return widget;
    }
    static void ReplaceDays(QLineEdit* field, const QString& typed) {
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, typed);
    }
    static void ClickCheckBox(QCheckBox* box) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    }
    QString Stored(const char* key) const { return m_env->StoredSetting(QString::fromLatin1(key)); }

private slots:
    void init() {
        QLocale::setDefault(QLocale::c());
        m_env = std::make_unique<WindowTestEnvironment>();
        QVERIFY(m_env->IsValid());
    }
    void cleanup() { m_env.reset(); }

    void layoutAndFirstOpening() {
        frmSettings& dialog = StartAndOpen();
        QCOMPARE(dialog.size(), QSize(311, 110));
        QVERIFY(!(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(dialog.Label1->text(), QStringLiteral("&Warn "));
        QCOMPARE(dialog.Text1->geometry(), QRect(88, 36, 21, 21));
        QCOMPARE(NextTabStop(dialog.Text1), static_cast<QWidget*>(dialog.Check1));
        QCOMPARE(NextTabStop(dialog.Check1), static_cast<QWidget*>(dialog.Command1));
        QCOMPARE(NextTabStop(dialog.Command1), static_cast<QWidget*>(dialog.Text1));
        // Nothing stored: checked and "10", focus in the day field, and showing stored nothing.
        QCOMPARE(dialog.Check1->checkState(), Qt::Checked);
        QCOMPARE(dialog.Text1->text(), QStringLiteral("10"));
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTRY_COMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.Text1));
        QVERIFY(!QFile::exists(m_env->SettingsPath()));
    }

    // What OK (Enter in a field, or the button) stores, and what the next refresh shows from it.
    void okStoresAndRefreshShows_data() {
        QTest::addColumn<bool>("uncheck");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pressedOn");
        QTest::addColumn<QString>("storedWarn");
        QTest::addColumn<QString>("storedDays");
        QTest::addColumn<QString>("shownDays");
        QTest::newRow("unchanged") << false << "10"
                                   << "Text1"
                                   << "1"
                                   << "10"
                                   << "10";
        QTest::newRow("unchecked") << true << "10"
                                   << "Check1"
                                   << "0"
                                   << "10"
                                   << "10";
        QTest::newRow("emptied") << false << ""
                                 << "Text1"
                                 << "1"
                                 << ""
                                 << "0";
        QTest::newRow("letter after digit") << false << "7x"
                                            << "Command1"
                                            << "1"
                                            << "7x"
                                            << "7";
        QTest::newRow("leading zero") << false << "07"
                                      << "Text1"
                                      << "1"
                                      << "07"
                                      << "7";
        QTest::newRow("negative") << true << "-3"
                                  << "Text1"
                                  << "0"
                                  << "-3"
                                  << "-3";
        QTest::newRow("fraction") << false << ".5"
                                  << "Text1"
                                  << "1"
                                  << ".5"
                                  << "0.5";
    }
    void okStoresAndRefreshShows() {
        QFETCH(bool, uncheck);
        QFETCH(QString, typed);
        QFETCH(QString, pressedOn);
        frmSettings& dialog = StartAndOpen();
        if (uncheck) {
            ClickCheckBox(dialog.Check1);
        }
        ReplaceDays(dialog.Text1, typed);
        if (pressedOn == QStringLiteral("Command1")) {
            QTest::mouseClick(dialog.Command1, Qt::LeftButton);
        } else {
            QTest::keyClick(dialog.findChild<QWidget*>(pressedOn), Qt::Key_Return);
        }
        QVERIFY(!dialog.isVisible());
        QTEST(Stored("Warn"), "storedWarn");
        QTEST(Stored("Warn Days"), "storedDays");
        test::RefreshPanel();
        QCOMPARE(dialog.Check1->checkState(), uncheck ? Qt::Unchecked : Qt::Checked);
        QTEST(dialog.Text1->text(), "shownDays");
    }

    // The layout is drawn for the classic 8.25-point dialog font; a desktop's larger font must not clip the
    // captions of the two rows.
    void captionsFitUnderALargeDesktopFont() {
        const QFont desktopFont = QApplication::font();
        QFont large = desktopFont;
        large.setPointSizeF(11);
        QApplication::setFont(large);
        frmSettings& dialog = StartAndOpen();
        QApplication::setFont(desktopFont);
        const int indicator = dialog.Check1->sizeHint().width() -
                              dialog.Check1->fontMetrics().horizontalAdvance(dialog.Check1->text());
        const QList<std::pair<QWidget*, QString>> captions{{dialog.Check1, dialog.Check1->text()},
                                                           {dialog.Label1, dialog.Label1->text()},
                                                           {dialog.Label2, dialog.Label2->text()}};
        for (const auto& [control, text] : captions) {
            const QFontMetrics metrics = control->fontMetrics();
            const int needed = metrics.horizontalAdvance(text) + (control == dialog.Check1 ? indicator : 0);
            QVERIFY2(needed <= control->width() && metrics.height() <= control->height(),
                     qPrintable(QStringLiteral("%1 needs %2 x %3, has %4 x %5")
                                    .arg(text)
                                    .arg(needed)
                                    .arg(metrics.height())
                                    .arg(control->width())
                                    .arg(control->height())));
        }
    }

    void escAndCloseBoxStoreNothing() {
        m_env->StoreSetting(QStringLiteral("Warn Days"), QStringLiteral("4"));
        frmSettings& dialog = StartAndOpen();
        ClickCheckBox(dialog.Check1);
        ReplaceDays(dialog.Text1, QStringLiteral("9"));
        QTest::keyClick(dialog.Text1, Qt::Key_Escape);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.Text1->text(), QStringLiteral("9"));
        QVERIFY(dialog.close());
        QVERIFY(Stored("Warn").isNull());
        QCOMPARE(Stored("Warn Days"), QStringLiteral("4"));
        // Reopened even before the next refresh, it shows what is stored.
        dialog.show();
        QCOMPARE(dialog.Check1->checkState(), Qt::Checked);
        QCOMPARE(dialog.Text1->text(), QStringLiteral("4"));
    }

    void typingStopsAtTwoCharactersButRefreshedTextStays() {
        frmSettings& dialog = StartAndOpen();
        ReplaceDays(dialog.Text1, QStringLiteral("123"));
        QCOMPARE(dialog.Text1->text(), QStringLiteral("12"));
        m_env->StoreSetting(QStringLiteral("Warn Days"), QStringLiteral("100"));
        test::RefreshPanel();
        QCOMPARE(dialog.Text1->text(), QStringLiteral("100"));
        dialog.Text1->end(false);
        QTest::keyClick(dialog.Text1, Qt::Key_5);
        QCOMPARE(dialog.Text1->text(), QStringLiteral("100"));
        QTest::keyClick(dialog.Text1, Qt::Key_Backspace);
        QTest::keyClick(dialog.Text1, Qt::Key_5);
        QCOMPARE(dialog.Text1->text(), QStringLiteral("10"));
    }

    // Stored "Warn" texts, some edited by hand: the state each shows, and what OK then stores.
    void storedWarnShowsAs_data() {
        QTest::addColumn<QString>("warn");
        QTest::addColumn<Qt::CheckState>("state");
        QTest::addColumn<QString>("saved");
        QTest::newRow("on") << "1" << Qt::Checked << "1";
        QTest::newRow("on, written 1.0") << "1.0" << Qt::Checked << "1";
        QTest::newRow("off") << "0" << Qt::Unchecked << "0";
        QTest::newRow("greyed") << "2" << Qt::PartiallyChecked << "2";
        QTest::newRow("half to even 0") << "0.5" << Qt::Unchecked << "0";
        QTest::newRow("half to even 2") << "1.5" << Qt::PartiallyChecked << "2";
        QTest::newRow("half to even 2 from above") << "2.5" << Qt::PartiallyChecked << "2";
        QTest::newRow("no state for 3") << "3" << Qt::Unchecked << "0";
        QTest::newRow("no state for -1") << "-1" << Qt::Unchecked << "0";
    }
    void storedWarnShowsAs() {
        QFETCH(QString, warn);
        m_env->StoreSetting(QStringLiteral("Warn"), warn);
        frmSettings& dialog = StartAndOpen();
        QTEST(dialog.Check1->checkState(), "state");
        dialog.Command1->click();
        QTEST(Stored("Warn"), "saved");
    }

    void daysTextUsesTheLocaleDecimalSeparator() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(WarnDaysText(0.5), QStringLiteral("0,5"));
        QCOMPARE(WarnDaysText(1500), QStringLiteral("1500"));
        QCOMPARE(WarnDaysText(-0.0), QStringLiteral("0"));
    }

    void failedSaveWarnsAndStaysOpen() {
        QVERIFY(QDir().mkpath(m_env->SettingsPath())); // a folder where the file belongs: even root fails
        frmSettings& dialog = StartAndOpen();
        MessageBox::TakeShownTexts();
        ReplaceDays(dialog.Text1, QStringLiteral("5"));
        QTest::keyClick(dialog.Text1, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.Text1->text(), QStringLiteral("5"));
        const QStringList shown = MessageBox::TakeShownTexts();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains(m_env->SettingsPath()) && shown[0].contains(QStringLiteral("folder")),
                 qPrintable(shown[0]));
    }

    // Every text comes back as saved, also those that INI files or QVariant would read as something else.
    void storeKeepsTextsExactly_data() {
        QTest::addColumn<QString>("text");
        for (const char* text : {"", " 7 ", "1, 2", "@Invalid()", "@ByteArray(x)", "a=b", "x;y", "#c",
                                 "\"q\"", "back\\slash", "\xc3\xa4\xe2\x82\xac", "[Settings]"}) {
            QTest::newRow(text) << QString::fromUtf8(text);
        }
    }
    void storeKeepsTextsExactly() {
        QFETCH(QString, text);
        m_env->Store().SaveSetting("Candlewatcher", "Settings", "Warn Days", text.toStdString());
        QCOMPARE(QSettingsStore().GetSetting("Candlewatcher", "Settings", "Warn Days", "10"),
                 text.toStdString());
    }

    void storeReadsWithoutCreatingAndTakesHandWrittenKeys() {
        QCOMPARE(m_env->Store().GetSetting("Candlewatcher", "Settings", "Warn", "1"), std::string("1"));
        QVERIFY(QDir(m_env->ConfigHome()).isEmpty());
        QVERIFY(QDir().mkpath(m_env->ConfigHome() + QStringLiteral("/Candlewatcher")));
        QFile file(m_env->SettingsPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Settings]\nWarn Days=7\n");
        file.close();
        QCOMPARE(m_env->Store().GetSetting("Candlewatcher", "Settings", "Warn Days", "10"), std::string("7"));
        QCOMPARE(m_env->Store().GetSetting("Candlewatcher", "Settings", "Warn", "1"), std::string("1"));
    }
};

QTEST_MAIN(SettingsDialogTest)
#include "frmSettings_test.moc"
