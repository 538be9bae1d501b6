// The tray icon's menu on the real windows: its entries in order, and what each does.
#include "test_support_manage.h"

#include "manage/AddB.h"
#include "manage/frmAddressBooks.h"
#include "manage/frmMenu.h"
#include "manage/frmSettings.h"
#include "tray/frmMain.h"
#include "tray/tray_menu.h"
#include "ui/file_dialogs.h"
#include "ui/forms.h"
#include "ui/message_box.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QSettings>
#include <QLabel>
#include <QTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace candlewatcher;
using namespace candlewatcher::manage_test;

namespace {

// The menu opens its dialogs once it has closed (queued): runs inside as soon as the dialog shows, inside
// the dialog's own loop, and cancels it if inside left it open. Returns whether inside ran.
bool TriggerWithDialog(QAction* action, QDialog& dialog, const std::function<void()>& inside) {
    bool ran = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
        if (ran || !dialog.isVisible()) {
            return;
        }
        ran = true;
        inside();
        if (dialog.isVisible()) {
            dialog.reject();
        }
    });
    poll.start(10);
    action->trigger();
    return QTest::qWaitFor([&] { return ran && !dialog.isVisible(); }, 20000);
}

} // namespace

class TrayMenuTest : public QObject {
    Q_OBJECT

private slots:
    // The entries, their mnemonics and separators, in order; the icon carries this menu.
    void entriesInOrder() {
        ManageFixture fixture;
        frmMain& main = Forms::Main();
        QCOMPARE(main.TrayIcon()->contextMenu(), main.TrayIconMenu());
        QStringList texts;
        for (const QAction* action : main.TrayIconMenu()->actions()) {
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        }
        QCOMPARE(texts, QStringList({"&Show Birthdays", "&Add Birthday...", "S&ettings...", "-",
                                     "&Notifications...", "Address &Books...", "&Import Contacts...",
                                     "E&xport Calendar...", "-", "&Quit Candlewatcher"}));
    }

    void addressBooksOpensItsDialogOnceTheMenuHasClosed() {
        ManageFixture fixture;
        frmAddressBooks& dialog = Forms::AddressBooks();
        QVERIFY(TriggerWithDialog(Forms::Main().TrayIconMenu()->AddressBooks, dialog, [&] {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Candlewatcher"));
            dialog.cmdClose->click();
        }));
    }

    void showBirthdaysOpensBothWindows() {
        ManageFixture fixture;
        fixture.WriteData(Records({{"6", "12", "1990", "Ann Lee"}}));
        frmMain& main = Forms::Main();
        main.hide();
        main.TrayIconMenu()->ShowBirthdays->trigger();
        QVERIFY(main.isVisible());
        QVERIFY(Forms::Menu().isVisible());
        QCOMPARE(main.Tag(), QStringLiteral("TR"));
    }

    // Added from the tray with no list window: the panel follows; with one open, the list does too.
    void addBirthdayFollowsInThePanelAndTheList_data() {
        QTest::addColumn<bool>("listOpen");
        QTest::newRow("no list window") << false;
        QTest::newRow("list window open") << true;
    }
    void addBirthdayFollowsInThePanelAndTheList() {
        QFETCH(bool, listOpen);
        ManageFixture fixture;
        frmMain& main = Forms::Main();
        if (listOpen) {
            Forms::Menu().show();
        }
        const QString counter = main.RefreshCounter();
        AddB& add = Forms::Add();
        QVERIFY(TriggerWithDialog(main.TrayIconMenu()->AddBirthday, add, [&] {
            Type(add.Text4, QStringLiteral("Ann Lee"));
            add.Command1->click();
        }));
        QCOMPARE(fixture.ReadData(), Records({{"6", "12", "2026", "Ann Lee"}}));
        QVERIFY(main.RefreshCounter() != counter);
        QVERIFY(main.isVisible());
        QCOMPARE(main.Birthday[0]->text(), QStringLiteral("Ann Lee (0)"));
        // The name check reads the list, so the list window exists now, but it opens only if it was open.
        QCOMPARE(Forms::Menu().isVisible(), listOpen);
        QCOMPARE(Forms::Menu().List1->count(), 1);
    }

    void settingsOpensTheDialogAndThePanelFollows() {
        ManageFixture fixture;
        fixture.WriteData(Records({{"8", "12", "1990", "Ann Lee"}}));
        frmMain& main = Forms::Main();
        QVERIFY(main.isVisible());
        frmSettings& settings = Forms::Settings();
        QVERIFY(TriggerWithDialog(main.TrayIconMenu()->Settings, settings, [&] {
            settings.Check1->setChecked(false);
            settings.Command1->click();
        }));
        QCOMPARE(fixture.Environment.StoredSetting(QStringLiteral("Warn")), QStringLiteral("0"));
        QVERIFY(!main.isVisible()); // no birthday today, and no look-ahead any more
    }

    // Contacts from a vCard file: the new birthday goes in, the one already listed does not, the user is
    // told both, and the panel shows today's newcomer. A file that cannot be read changes nothing.
    void importContactsAddsSaysAndFollows() {
        ManageFixture fixture;
        fixture.WriteData(Records({{"1", "1", "1980", "Tom Baker"}}));
        frmMain& main = Forms::Main();
        const QString cards = fixture.Environment.DataDirectory().c_str() + QStringLiteral("/cards.vcf");
        QFile file(cards);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann Lee\r\nBDAY:1990-12-06\r\nEND:VCARD\r\n"
                   "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Tom Baker\r\nBDAY:1980-01-01\r\nEND:VCARD\r\n");
        file.close();
        MessageBox::TakeShownTexts();
        FileDialogs::SetNextAnswer({cards});
        main.TrayIconMenu()->ImportContacts->trigger();
        QTRY_VERIFY(fixture.ReadData().contains("Ann Lee"));
        QCOMPARE(fixture.ReadData(),
                 Records({{"1", "1", "1980", "Tom Baker"}, {"6", "12", "1990", "Ann Lee"}}));
        const QStringList told = MessageBox::TakeShownTexts();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told[0].contains("Added: Ann Lee") && told[0].contains("Skipped: Tom Baker") &&
                     told[0].endsWith("1 added, 1 skipped"),
                 qPrintable(told[0]));
        QVERIFY(main.isVisible());
        QCOMPARE(main.Birthday[0]->text(), QStringLiteral("Ann Lee (36)"));

        const QByteArray before = fixture.ReadData();
        FileDialogs::SetNextAnswer({cards + QStringLiteral(".missing")});
        main.TrayIconMenu()->ImportContacts->trigger();
        QStringList warned;
        QTRY_VERIFY((warned += MessageBox::TakeShownTexts(), !warned.isEmpty()));
        QVERIFY2(warned.size() == 1 && warned[0].startsWith("Could not import the contacts: ") &&
                     warned[0].contains("cards.vcf.missing"),
                 qPrintable(warned.join('|')));
        QCOMPARE(fixture.ReadData(), before);
    }

    // Every birthday to the chosen file as yearly events; a folder that is not there is reported.
    void exportCalendarWritesTheChosenFile() {
        ManageFixture fixture;
        fixture.WriteData(Records({{"6", "12", "1990", "Ann Lee"}, {"31", "4", "0", "Nobody"}}));
        TrayMenu& menu = *Forms::Main().TrayIconMenu();
        const QString target = fixture.Environment.DataDirectory().c_str() + QStringLiteral("/birthdays.ics");
        MessageBox::TakeShownTexts();
        FileDialogs::SetNextAnswer({target});
        menu.ExportCalendar->trigger();
        QTRY_VERIFY(QFile::exists(target));
        QFile written(target);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray text = written.readAll();
        QVERIFY2(text.startsWith("BEGIN:VCALENDAR") && text.contains("Ann Lee") && !text.contains("Nobody"),
                 text.constData());
        QStringList told;
        QTRY_VERIFY((told += MessageBox::TakeShownTexts(), !told.isEmpty()));
        QCOMPARE(told,
                 QStringList{"1 birthday was left out of the calendar: its day and month are no date."});

        FileDialogs::SetNextAnswer({target + QStringLiteral("/../none/birthdays.ics")});
        menu.ExportCalendar->trigger();
        told.clear();
        QTRY_VERIFY((told += MessageBox::TakeShownTexts(), !told.isEmpty()));
        QVERIFY2(told.size() == 1 && told[0].startsWith("Could not export the calendar: "),
                 qPrintable(told.join('|')));
    }

    void quitRemovesTheIconAndEndsTheProgram() {
        ManageFixture fixture;
        frmMain& main = Forms::Main();
        main.TrayIconMenu()->Quit->trigger();
        QVERIFY(main.TrayIcon() == nullptr);
        QVERIFY(fixture.QuitRequested);
    }
};

QTEST_MAIN(TrayMenuTest)
#include "tray_menu_test.moc"
