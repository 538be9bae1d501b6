// The settings dialog on a real settings file: what it shows after a refresh, what OK stores, Enter, Esc,
// the close box, the two-character field, and a save that fails.
#include "test_support.h"

#include "app/forms.h"
#include "manage/frmSettings.h"
#include "reminder/frmMain.h"
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

    // The program's start and a later refresh, as the list window causes after a dialog.
    static frmSettings& StartAndOpen() {
        Forms::Main();
        frmSettings& dialog = Forms::Settings();
        dialog.show();
        return dialog;
    }
    static void Refresh() {
        frmMain& main = Forms::Main();
        main.SetRefreshCounter(main.RefreshCounter() + QStringLiteral("1"));
    }
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

private slots:
    void init() {
        QLocale::setDefault(QLocale::c());
        m_env = std::make_unique<WindowTestEnvironment>();
        QVERIFY(m_env->IsValid());
    }
    void cleanup() { m_env.reset(); }

    void layoutAndFirstOpening() {
        frmSettings& dialog = StartAndOpen();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Settings"));
        QCOMPARE(dialog.size(), QSize(311, 110));
        QVERIFY(!(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);
        QCOMPARE(dialog.Label1->text(), QStringLiteral("Warn "));
        QCOMPARE(dialog.Check1->checkState(), Qt::Checked);
        QCOMPARE(dialog.Text1->text(), QStringLiteral("10"));
        QCOMPARE(dialog.Text1->geometry(), QRect(88, 36, 21, 21));
        QCOMPARE(NextTabStop(dialog.Text1), static_cast<QWidget*>(dialog.Check1));
        QCOMPARE(NextTabStop(dialog.Check1), static_cast<QWidget*>(dialog.Command1));
        QCOMPARE(NextTabStop(dialog.Command1), static_cast<QWidget*>(dialog.Text1));
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTRY_COMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.Text1));
        QVERIFY(!QFile::exists(m_env->SettingsPath())); // showing stored nothing
    }

    // What OK stores, and what the next refresh shows from it.
    void okStoresAndRefreshShows_data() {
        QTest::addColumn<bool>("uncheck");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("storedWarn");
        QTest::addColumn<QString>("storedDays");
        QTest::addColumn<QString>("shownDays");
        QTest::newRow("unchanged") << false << QStringLiteral("10") << "1"
                                   << "10"
                                   << "10";
        QTest::newRow("unchecked") << true << QStringLiteral("10") << "0"
                                   << "10"
                                   << "10";
        QTest::newRow("emptied") << false << QString() << "1"
                                 << ""
                                 << "0";
        QTest::newRow("letter after digit") << false << QStringLiteral("7x") << "1"
                                            << "7x"
                                            << "7";
        QTest::newRow("leading zero") << false << QStringLiteral("07") << "1"
                                      << "07"
                                      << "7";
        QTest::newRow("negative") << true << QStringLiteral("-3") << "0"
                                  << "-3"
                                  << "-3";
        QTest::newRow("fraction") << false << QStringLiteral(".5") << "1"
                                  << ".5"
                                  << "0.5";
    }
    void okStoresAndRefreshShows() {
        QFETCH(bool, uncheck);
        QFETCH(QString, typed);
        QFETCH(QString, storedWarn);
        QFETCH(QString, storedDays);
        QFETCH(QString, shownDays);
        frmSettings& dialog = StartAndOpen();
        if (uncheck) {
            QTest::mouseClick(dialog.Check1, Qt::LeftButton, {}, QPoint(5, dialog.Check1->height() / 2));
        }
        ReplaceDays(dialog.Text1, typed);
        QTest::keyClick(dialog.Text1, Qt::Key_Return); // Enter in the day field is OK
        QVERIFY(!dialog.isVisible());
        QCOMPARE(m_env->StoredSetting(QStringLiteral("Warn")), storedWarn);
        QCOMPARE(m_env->StoredSetting(QStringLiteral("Warn Days")), storedDays);
        Refresh();
        QCOMPARE(dialog.Check1->checkState(), uncheck ? Qt::Unchecked : Qt::Checked);
        QCOMPARE(dialog.Text1->text(), shownDays);
    }

    void enterOnCheckBoxAndOkButtonSave() {
        frmSettings& dialog = StartAndOpen();
        QTest::keyClick(dialog.Check1, Qt::Key_Enter);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(m_env->StoredSetting(QStringLiteral("Warn")), QStringLiteral("1"));
        dialog.show();
        ReplaceDays(dialog.Text1, QStringLiteral("3"));
        QTest::mouseClick(dialog.Command1, Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(m_env->StoredSetting(QStringLiteral("Warn Days")), QStringLiteral("3"));
    }

    void escDoesNothing() {
        frmSettings& dialog = StartAndOpen();
        ReplaceDays(dialog.Text1, QStringLiteral("5"));
        QTest::keyClick(dialog.Text1, Qt::Key_Escape);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.Text1->text(), QStringLiteral("5"));
        QVERIFY(!QFile::exists(m_env->SettingsPath()));
    }

    void closeBoxDiscards() {
        m_env->StoreSetting(QStringLiteral("Warn Days"), QStringLiteral("4"));
        frmSettings& dialog = StartAndOpen();
        QTest::mouseClick(dialog.Check1, Qt::LeftButton, {}, QPoint(5, dialog.Check1->height() / 2));
        ReplaceDays(dialog.Text1, QStringLiteral("9"));
        QVERIFY(dialog.close());
        QVERIFY(!dialog.isVisible());
        QVERIFY(m_env->StoredSetting(QStringLiteral("Warn")).isNull());
        QCOMPARE(m_env->StoredSetting(QStringLiteral("Warn Days")), QStringLiteral("4"));
        // Reopened without a refresh in between, it still shows what is stored.
        dialog.show();
        QCOMPARE(dialog.Check1->checkState(), Qt::Checked);
        QCOMPARE(dialog.Text1->text(), QStringLiteral("4"));
    }

    void typingStopsAtTwoCharactersButRefreshedTextStays() {
        frmSettings& dialog = StartAndOpen();
        ReplaceDays(dialog.Text1, QStringLiteral("123"));
        QCOMPARE(dialog.Text1->text(), QStringLiteral("12"));

        m_env->StoreSetting(QStringLiteral("Warn Days"), QStringLiteral("100"));
        Refresh();
        QCOMPARE(dialog.Text1->text(), QStringLiteral("100"));
        dialog.Text1->end(false);
        QTest::keyClick(dialog.Text1, Qt::Key_5);
        QCOMPARE(dialog.Text1->text(), QStringLiteral("100"));
        QTest::keyClick(dialog.Text1, Qt::Key_Backspace);
        QTest::keyClick(dialog.Text1, Qt::Key_5);
        QCOMPARE(dialog.Text1->text(), QStringLiteral("10"));
    }

    // Stored "Warn" texts, some edited by hand, and the check box state each gives.
    void storedWarnShowsAs_data() {
        QTest::addColumn<QString>("warn");
        QTest::addColumn<Qt::CheckState>("state");
        QTest::newRow("on") << "1" << Qt::Checked;
        QTest::newRow("on, written 1.0") << "1.0" << Qt::Checked;
        QTest::newRow("off") << "0" << Qt::Unchecked;
        QTest::newRow("greyed") << "2" << Qt::PartiallyChecked;
        QTest::newRow("half to even 0") << "0.5" << Qt::Unchecked;
        QTest::newRow("half to even 2") << "1.5" << Qt::PartiallyChecked;
        QTest::newRow("half to even 2 from above") << "2.5" << Qt::PartiallyChecked;
        QTest::newRow("no state for 3") << "3" << Qt::Unchecked;
        QTest::newRow("no state for -1") << "-1" << Qt::Unchecked;
        QTest::newRow("not a number") << "yes" << Qt::Unchecked;
    }
    void storedWarnShowsAs() {
        QFETCH(QString, warn);
        QFETCH(Qt::CheckState, state);
        m_env->StoreSetting(QStringLiteral("Warn"), warn);
        frmSettings& dialog = StartAndOpen();
        QCOMPARE(dialog.Check1->checkState(), state);
        // OK on the shown state stores its number.
        dialog.Command1->click();
        const char* const stored = state == Qt::Checked ? "1" : state == Qt::PartiallyChecked ? "2" : "0";
        QCOMPARE(m_env->StoredSetting(QStringLiteral("Warn")), QString::fromLatin1(stored));
    }

    void greyedBecomesTwoStateOnceClicked() {
        m_env->StoreSetting(QStringLiteral("Warn"), QStringLiteral("2"));
        frmSettings& dialog = StartAndOpen();
        QTest::mouseClick(dialog.Check1, Qt::LeftButton, {}, QPoint(5, dialog.Check1->height() / 2));
        QCOMPARE(dialog.Check1->checkState(), Qt::Checked);
        QTest::mouseClick(dialog.Check1, Qt::LeftButton, {}, QPoint(5, dialog.Check1->height() / 2));
        QTest::mouseClick(dialog.Check1, Qt::LeftButton, {}, QPoint(5, dialog.Check1->height() / 2));
        QCOMPARE(dialog.Check1->checkState(), Qt::Checked);
    }

    void daysTextUsesTheLocaleDecimalSeparator() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(WarnDaysText(0.5), QStringLiteral("0,5"));
        QCOMPARE(WarnDaysText(1500), QStringLiteral("1500"));
        QCOMPARE(WarnDaysText(-0.0), QStringLiteral("0"));
    }

    void failedSaveWarnsAndStaysOpen() {
        // A directory where the file belongs cannot be written, even by root.
        QVERIFY(QDir().mkpath(m_env->SettingsPath()));
        frmSettings& dialog = StartAndOpen();
        MessageBox::TakeShownTexts();
        ReplaceDays(dialog.Text1, QStringLiteral("5"));
        QTest::keyClick(dialog.Text1, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.Text1->text(), QStringLiteral("5"));
        const QStringList shown = MessageBox::TakeShownTexts();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains(QStringLiteral("Candlewatcher.ini")), qPrintable(shown[0]));
    }

    // The store keeps every text exactly, also those an INI file or QVariant would read as something else.
    void storeKeepsTextsExactly_data() {
        QTest::addColumn<QString>("text");
        for (const char* text : {"", "1", " 7 ", "1, 2", "@Invalid()", "@ByteArray(x)", "a=b", "x;y", "#c",
                                 "\"q\"", "back\\slash", "\xc3\xa4\xe2\x82\xac", "[Settings]"}) {
            QTest::newRow(text) << QString::fromUtf8(text);
        }
    }
    void storeKeepsTextsExactly() {
        QFETCH(QString, text);
        const std::string bytes = text.toStdString();
        m_env->Store().SaveSetting("Candlewatcher", "Settings", "Warn Days", bytes);
        QCOMPARE(m_env->Store().GetSetting("Candlewatcher", "Settings", "Warn Days", "10"), bytes);
        QCOMPARE(QSettingsStore().GetSetting("Candlewatcher", "Settings", "Warn Days", "10"), bytes);
    }

    void storeReadsAHandWrittenFile() {
        QVERIFY(QDir().mkpath(m_env->ConfigHome() + QStringLiteral("/Candlewatcher")));
        QFile file(m_env->SettingsPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Settings]\nWarn=1.0\nWarn Days=7\n");
        file.close();
        QCOMPARE(m_env->Store().GetSetting("Candlewatcher", "Settings", "Warn", "1"), std::string("1.0"));
        QCOMPARE(m_env->Store().GetSetting("Candlewatcher", "Settings", "Warn Days", "10"), std::string("7"));
        m_env->Store().SaveSetting("Candlewatcher", "Settings", "Warn Days", "8");
        QCOMPARE(m_env->Store().GetSetting("Candlewatcher", "Settings", "Warn Days", "10"), std::string("8"));
    }

    void storeReadingCreatesNothing() {
        QCOMPARE(m_env->Store().GetSetting("Candlewatcher", "Settings", "Warn", "1"), std::string("1"));
        QVERIFY(QDir(m_env->ConfigHome()).isEmpty());
        m_env->StoreSetting(QStringLiteral("Warn"), QStringLiteral("0"));
        QCOMPARE(m_env->Store().GetSetting("Candlewatcher", "Settings", "Warn Days", "10"),
                 std::string("10"));
    }
};

QTEST_MAIN(SettingsDialogTest)
#include "frmSettings_test.moc"
