#include "test_support_manage.h"

#include "ui/forms.h"

#include "manage/AddB.h"
#include "manage/EditB.h"
#include "manage/frmMenu.h"
#include "manage/frmSettings.h"
#include "tray/frmMain.h"
#include "ui/message_box.h"
#include "ui/twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace candlewatcher;
using namespace candlewatcher::manage_test;

namespace {

QStringList ShownItems(const frmMenu& menu) {
    QStringList texts;
    for (int row = 0; row < menu.List1->count(); ++row) {
        texts << menu.List1->item(row)->text();
    }
    return texts;
}

// Clicks the row-th item as the user would; the window is shown first.
void ClickRow(frmMenu& menu, int row) {
    menu.show();
    QVERIFY(QTest::qWaitForWindowExposed(&menu));
    const QRect rect = menu.List1->visualItemRect(menu.List1->item(row));
    QTest::mouseClick(menu.List1->viewport(), Qt::LeftButton, {}, rect.center());
}

int Counter() {
    return Forms::Main().RefreshCounter().toInt();
}

const QString QuitQuestion = QStringLiteral("Quitting Candlewatcher will also remove the system tray icon.  "
                                            "Would you like to minimise Candlewatcher instead?");

} // namespace

class frmMenuTest : public QObject {
    Q_OBJECT
private slots:
    void aboutFrameTextsFitTheirLines();
    void listHoldsEveryNameSortedIgnoringCase_data();
    void listHoldsEveryNameSortedIgnoringCase();
    void clickLoadsTheLastRecordOfThatName();
    void arrowKeysChooseFromTheFirstItem();
    void deleteRemovesTheLastClickedNameAfterTheHighlightIsGone();
    void everyRefillRefreshesThePanelOnce_data();
    void everyRefillRefreshesThePanelOnce();
    void failingDiskChangesNothing_data();
    void failingDiskChangesNothing();
    void unreadableFileIsReportedAndTheListKept();
    void closingAsksWhetherToStayInTheTray_data();
    void closingAsksWhetherToStayInTheTray();
    void keysOnTheRealQuestion_data();
    void keysOnTheRealQuestion();
    void closedWhileADialogRunsStillRefreshes_data();
    void closedWhileADialogRunsStillRefreshes();
};

// The About labels keep their designed place and size, and each text fits on its one line there.
void frmMenuTest::aboutFrameTextsFitTheirLines() {
    ManageFixture fixture;
    frmMenu& menu = Forms::Menu();
    QCOMPARE(menu.Label2->geometry(), TwipsRect(120, 480, 1635, 255));
    QCOMPARE(menu.Label3->geometry(), TwipsRect(120, 720, 1635, 255));
    for (const QLabel* label : {menu.Label1, menu.Label2, menu.Label3}) {
        QVERIFY2(!label->wordWrap(), qPrintable(label->objectName()));
        QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
                 qPrintable(label->text()));
    }
}

void frmMenuTest::listHoldsEveryNameSortedIgnoringCase_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QList<QByteArray>>("bytes");
    QTest::newRow("empty file") << QByteArray() << QStringList() << QList<QByteArray>();
    QTest::newRow("case ignored, file order not kept")
        << Records({{"1", "1", "1990", "bob"},
                    {"2", "2", "1990", "Carl"},
                    {"3", "3", "1990", "anna"},
                    {"4", "4", "1990", "Anna"},
                    {"5", "5", "1990", "bob"}})
        << QStringList{"Anna", "anna", "bob", "bob", "Carl"}
        << QList<QByteArray>{"Anna", "anna", "bob", "bob", "Carl"};
    QTest::newRow("single-byte name legible, bytes kept")
        << Records({{"1", "1", "1990", QString::fromUtf8("Zo\u00eb")}, {"1", "1", "1990", "Adam"}})
        << QStringList{"Adam", QString::fromUtf8("Zo\u00eb")} << QList<QByteArray>{"Adam", "Zo\xeb"};
}

void frmMenuTest::listHoldsEveryNameSortedIgnoringCase() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, items);
    QFETCH(QList<QByteArray>, bytes);
    ManageFixture fixture;
    fixture.WriteData(file);
    frmMenu& menu = Forms::Menu();
    QCOMPARE(ShownItems(menu), items);
    QList<QByteArray> listed;
    for (const std::string& name : menu.ListedNames()) {
        listed << QByteArray::fromStdString(name);
    }
    QCOMPARE(listed, bytes);
    QVERIFY(!menu.Command1->isEnabled());
    QVERIFY(!menu.Command2->isEnabled());
}

void frmMenuTest::clickLoadsTheLastRecordOfThatName() {
    ManageFixture fixture;
    fixture.WriteData(Records({{"1", "2", "1980", "Ann"},
                               {"3", "4", "1985", "Bob"},
                               {"5", "6", "1990", "Ann"},
                               {"7", "8", "1995", "ann"}}));
    frmMenu& menu = Forms::Menu();
    for (int row : {0, 1}) { // both "Ann" items
        Forms::Edit().ShowRecord({"", "", "", "none"});
        ClickRow(menu, row);
        const EditB& edit = Forms::Edit();
        QCOMPARE(
            QStringList({edit.Text1->text(), edit.Text2->text(), edit.Text3->text(), edit.Text4->text()}),
            QStringList({"5", "6", "1990", "Ann"}));
        QCOMPARE(edit.OldName(), std::string("Ann"));
    }
    QVERIFY(menu.Command1->isEnabled());
    QVERIFY(menu.Command2->isEnabled());
    ClickRow(menu, 2);
    QCOMPARE(Forms::Edit().Text1->text(), QStringLiteral("7")); // differs from "Ann" only in case
}

void frmMenuTest::arrowKeysChooseFromTheFirstItem() {
    ManageFixture fixture;
    fixture.WriteData(Records({{"1", "2", "1980", "Bob"}, {"3", "4", "1985", "Ann"}}));
    frmMenu& menu = Forms::Menu();
    menu.show();
    QVERIFY(QTest::qWaitForWindowActive(&menu));
    menu.List1->setFocus(Qt::TabFocusReason);
    for (const QString name : {"Ann", "Bob"}) {
        QTest::keyClick(menu.List1, Qt::Key_Down);
        QCOMPARE(Forms::Edit().Text4->text(), name);
        QVERIFY(menu.Command2->isEnabled());
    }
}

void frmMenuTest::deleteRemovesTheLastClickedNameAfterTheHighlightIsGone() {
    ManageFixture fixture;
    const QByteArray bob = Records({{"3", "4", "1985", "Bob"}});
    const QByteArray last = QByteArray("9\r\n9\r\n1999\r\nZed"); // no line end after the last line
    fixture.WriteData(Records({{"1", "2", "1980", "Ann"}}) + bob + Records({{"5", "6", "1990", "Ann"}}) +
                      last);
    frmMenu& menu = Forms::Menu();
    ClickRow(menu, 0);
    // The add dialog's refill clears the highlight; Delete still acts on the name last clicked.
    WhileModal(
        Forms::Add(), [&] { menu.Command3->click(); }, [] { Forms::Add().Command2->click(); });
    QVERIFY(menu.List1->selectedItems().isEmpty());
    menu.Command2->click();
    QCOMPARE(fixture.ReadData(), bob + last + "\r\n");
    QCOMPARE(ShownItems(menu), QStringList({"Bob", "Zed"}));
    menu.Command2->click(); // a second delete finds nothing more to remove
    QCOMPARE(fixture.ReadData(), bob + last + "\r\n");
    QVERIFY(MessageBox::TakeShownTexts().isEmpty());
}

void frmMenuTest::everyRefillRefreshesThePanelOnce_data() {
    QTest::addColumn<QString>("button"); // the button pressed, or "" for a double click on the item
    QTest::newRow("Edit") << "Command1";
    QTest::newRow("double click") << "";
    QTest::newRow("Delete") << "Command2";
    QTest::newRow("Add") << "Command3";
    QTest::newRow("Settings") << "Command4";
}

// Today is 6 December 2026: Bob's birthday. Whatever closes, the list is read again and the panel
// refreshed once, showing what the file now holds.
void frmMenuTest::everyRefillRefreshesThePanelOnce() {
    QFETCH(QString, button);
    ManageFixture fixture;
    fixture.WriteData(Records({{"1", "3", "1990", "Ann"}, {"6", "12", "1991", "Bob"}}));
    const int atStart = Counter();
    frmMenu& menu = Forms::Menu();
    QCOMPARE(Counter(), atStart + 1); // the refill at creation
    QCOMPARE(Forms::Main().Birthday[0]->text(), QStringLiteral("Bob (35)"));
    ClickRow(menu, 1);
    QCOMPARE(Counter(), atStart + 1); // a click reads the file but refreshes nothing

    QDialog* dialog = &Forms::Edit();
    if (button == "Command3") {
        dialog = &Forms::Add();
    } else if (button == "Command4") {
        dialog = &Forms::Settings();
    }
    auto* pressed = menu.findChild<QPushButton*>(button);
    if (button == "Command2") {
        pressed->click();
        QCOMPARE(ShownItems(menu), QStringList({"Ann"}));
        QVERIFY(!Forms::Main().isVisible());
    } else {
        // While a dialog is open the file changes behind the list's back, as the dialog's OK would.
        const auto open = [&] {
            if (pressed != nullptr) {
                pressed->click();
            } else {
                const QRect item = menu.List1->visualItemRect(menu.List1->item(1));
                QTest::mouseDClick(menu.List1->viewport(), Qt::LeftButton, {}, item.center());
            }
        };
        WhileModal(*dialog, open, [&] {
            fixture.WriteData(Records({{"1", "3", "1990", "Ann"}, {"6", "12", "1991", "Cy"}}));
        });
        QCOMPARE(ShownItems(menu), QStringList({"Ann", "Cy"}));
        QCOMPARE(Forms::Main().Birthday[0]->text(), QStringLiteral("Cy (35)"));
    }
    QCOMPARE(Counter(), atStart + 2);
    QVERIFY(menu.List1->selectedItems().isEmpty());
}

void frmMenuTest::failingDiskChangesNothing_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("message");
    QTest::newRow("add") << "Command3"
                         << "Could not save the birthday: ";
    QTest::newRow("edit") << "Command1"
                          << "Could not save the birthday: ";
    QTest::newRow("delete") << "Command2"
                            << "Could not delete the birthday: ";
}

// A disk that refuses every write: the user is told what failed and why, the file, the list and what the
// user typed stay as they were.
void frmMenuTest::failingDiskChangesNothing() {
    QFETCH(QString, button);
    QFETCH(QString, message);
    ManageFixture fixture;
    const QByteArray file = Records({{"1", "2", "1980", "Ann"}, {"3", "4", "1985", "Bob"}});
    fixture.WriteData(file);
    frmMenu& menu = Forms::Menu();
    ClickRow(menu, 0);
    auto* pressed = menu.findChild<QPushButton*>(button);
    if (button == "Command2") {
        FailingWrites full;
        pressed->click();
    } else {
        BirthdayDialog& dialog = button == "Command1" ? static_cast<BirthdayDialog&>(Forms::Edit())
                                                      : static_cast<BirthdayDialog&>(Forms::Add());
        const bool stayed = WhileModal(
            dialog, [&] { pressed->click(); },
            [&] {
                Type(dialog.Text4, "Cy");
                FailingWrites full;
                dialog.Command1->click();
            });
        QVERIFY(stayed);
        QCOMPARE(dialog.Text4->text(), QStringLiteral("Cy"));
        QCOMPARE(Forms::Edit().OldName(), std::string("Ann"));
    }
    const QStringList shown = MessageBox::TakeShownTexts();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().startsWith(message) && shown.first().contains("birthday"),
             qPrintable(shown.first()));
    QCOMPARE(fixture.ReadData(), file);
    QCOMPARE(ShownItems(menu), QStringList({"Ann", "Bob"}));
    QVERIFY(!QFile::exists(QFileInfo(fixture.DataPath()).dir().filePath("birthday.tmp")));
}

// birthday.dat turned into a directory behind the window's back: a click and a refill say so and keep what
// the window and the edit dialog showed.
void frmMenuTest::unreadableFileIsReportedAndTheListKept() {
    ManageFixture fixture;
    fixture.WriteData(Records({{"1", "2", "1980", "Ann"}, {"3", "4", "1985", "Bob"}}));
    frmMenu& menu = Forms::Menu();
    ClickRow(menu, 0);
    QVERIFY(QFile::remove(fixture.DataPath()));
    QVERIFY(QDir().mkdir(fixture.DataPath()));
    MessageBox::TakeShownTexts();
    ClickRow(menu, 1);
    QCOMPARE(Forms::Edit().Text4->text(), QStringLiteral("Ann"));
    WhileModal(
        Forms::Add(), [&] { menu.Command3->click(); }, [] { Forms::Add().Command2->click(); });
    QCOMPARE(ShownItems(menu), QStringList({"Ann", "Bob"}));
    const QStringList shown = MessageBox::TakeShownTexts();
    // One box for the click, one for the refill (the list and the panel meet the same file).
    QVERIFY2(shown.size() == 2, qPrintable(shown.join('|')));
    QVERIFY2(shown[0].startsWith("Could not read the birthdays: ") && shown[0].contains("birthday.dat"),
             qPrintable(shown[0]));
    QVERIFY2(shown[1].startsWith("Could not read the birthdays: "), qPrintable(shown[1]));
}

void frmMenuTest::closingAsksWhetherToStayInTheTray_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("Yes stays in the tray") << int(QMessageBox::Yes);
    QTest::newRow("No quits") << int(QMessageBox::No);
}

void frmMenuTest::closingAsksWhetherToStayInTheTray() {
    QFETCH(int, answer);
    ManageFixture fixture;
    frmMain& main = Forms::Main();
    main.show();
    main.SetTag("TR");
    frmMenu& menu = Forms::Menu();
    menu.show();
    MessageBox::TakeShownTexts();
    MessageBox::SetNextAnswer(static_cast<QMessageBox::StandardButton>(answer));
    QVERIFY(menu.close());
    QCOMPARE(MessageBox::TakeShownTexts(), QStringList{QuitQuestion});
    QTRY_VERIFY(!Forms::MenuExists()); // closed and destroyed either way
    QVERIFY(!main.isVisible());
    if (answer == QMessageBox::Yes) {
        QCOMPARE(main.Tag(), QStringLiteral("RT"));
        QVERIFY(main.TrayIcon() != nullptr);
        QVERIFY(!fixture.QuitRequested);
        frmMenu& again = Forms::Menu(); // created afresh
        QVERIFY(!again.Command1->isEnabled());
    } else {
        QVERIFY(main.TrayIcon() == nullptr);
        QVERIFY(fixture.QuitRequested);
    }
}

void frmMenuTest::keysOnTheRealQuestion_data() {
    QTest::addColumn<int>("key"); // 0: the No button is clicked
    QTest::addColumn<bool>("quits");
    QTest::newRow("Enter takes the default, Yes") << int(Qt::Key_Return) << false;
    QTest::newRow("Esc stays in the tray too") << int(Qt::Key_Escape) << false;
    QTest::newRow("the No button quits") << 0 << true;
}

// The question as the user meets it, not answered in advance: only a deliberate No ends the program.
void frmMenuTest::keysOnTheRealQuestion() {
    QFETCH(int, key);
    QFETCH(bool, quits);
    ManageFixture fixture;
    frmMenu& menu = Forms::Menu();
    menu.show();
    MessageBox::FakeAnswers(false);
    bool answered = false;
    QTimer::singleShot(0, [key, &answered] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr); // no box up: nothing waits on it
        if (!QTest::qWaitForWindowActive(box)) {
            box->done(QMessageBox::Yes); // the test must not wait; the check below fails
            return;
        }
        answered = true;
        if (key == 0) {
            box->button(QMessageBox::No)->click();
        } else {
            QTest::keyClick(box, Qt::Key(key));
        }
        if (QApplication::activeModalWidget() == box) {
            box->close(); // the key did nothing; the test must not wait
        }
    });
    menu.close();
    MessageBox::FakeAnswers(true);
    QVERIFY(answered);
    QCOMPARE(fixture.QuitRequested, quits);
    QCOMPARE(Forms::Main().TrayIcon() == nullptr, quits);
}

void frmMenuTest::closedWhileADialogRunsStillRefreshes_data() {
    QTest::addColumn<QString>("button");
    QTest::newRow("Add") << "Command3";
    QTest::newRow("Edit") << "Command1";
    QTest::newRow("Settings") << "Command4";
}

// Logging out closes every window, the list window too while one of its dialogs is open; answered Yes, it
// is deleted. The dialog's OK still lands, and the change reaches the panel and the list window there is.
void frmMenuTest::closedWhileADialogRunsStillRefreshes() {
    QFETCH(QString, button);
    ManageFixture fixture;
    fixture.WriteData(Records({{"6", "12", "1991", "Bob"}}));
    frmMenu* menu = &Forms::Menu();
    ClickRow(*menu, 0);
    QDialog* dialog = button == "Command3"   ? static_cast<QDialog*>(&Forms::Add())
                      : button == "Command1" ? static_cast<QDialog*>(&Forms::Edit())
                                             : static_cast<QDialog*>(&Forms::Settings());
    const int before = Counter();
    WhileModal(
        *dialog, [&] { menu->findChild<QPushButton*>(button)->click(); },
        [&] {
            MessageBox::SetNextAnswer(QMessageBox::Yes);
            menu->close();
            QTRY_VERIFY(!Forms::MenuExists());
            if (auto* birthday = qobject_cast<BirthdayDialog*>(dialog)) {
                Type(birthday->Text4, "Cy");
                birthday->Command1->click();
            } else {
                Forms::Settings().Command1->click();
            }
        });
    QVERIFY(Counter() > before);
    if (button != "Command4") {
        const frmMain& main = Forms::Main();
        QVERIFY(main.Birthday[0]->text().startsWith("Cy") || main.Birthday[1]->text().startsWith("Cy"));
        QCOMPARE(ShownItems(Forms::Menu()),
                 button == "Command3" ? QStringList({"Bob", "Cy"}) : QStringList({"Cy"}));
    }
}

QTEST_MAIN(frmMenuTest)
#include "frmMenu_test.moc"
