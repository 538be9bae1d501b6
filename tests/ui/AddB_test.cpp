#include "test_support_manage.h"

#include "ui/forms.h"

#include "manage/AddB.h"
#include "manage/frmMenu.h"
#include "ui/message_box.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace candlewatcher;
using namespace candlewatcher::manage_test;

class AddBTest : public QObject {
    Q_OBJECT
private slots:
    void typingFocusAndKeys();
    void nameIsCheckedAgainstTheList_data();
    void nameIsCheckedAgainstTheList();
    void addedNameIsRefusedTheSecondTime();
    void pastedLineBreaksBecomeBlanks();
};

// Limits apply to typing, every box selects its whole text when it gets the focus by mouse or keyboard, and
// Enter and Esc are OK and Cancel.
void AddBTest::typingFocusAndKeys() {
    ManageFixture fixture;
    frmMenu& menu = Forms::Menu();
    AddB& add = Forms::Add();
    WhileModal(
        add, [&] { menu.Command3->click(); },
        [&] {
            QTRY_COMPARE(QApplication::focusWidget(), add.Text1);
            QCOMPARE(add.Text1->selectedText(), QStringLiteral("6")); // preset with today, 6 December 2026
            const QList<QLineEdit*> boxes{add.Text1, add.Text2, add.Text3, add.Text4};
            Type(add.Text4, "Ann Lee");
            for (QLineEdit* box : boxes) { // by mouse, at the box's far end where the press puts the cursor
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 3, box->height() / 2));
                QTRY_COMPARE(box->selectedText(), box->text());
            }
            add.Text1->setFocus();
            for (QWidget* next : {static_cast<QWidget*>(add.Text2), static_cast<QWidget*>(add.Text3),
                                  static_cast<QWidget*>(add.Text4), static_cast<QWidget*>(add.Command1),
                                  static_cast<QWidget*>(add.Command2)}) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                QCOMPARE(QApplication::focusWidget(), next);
                if (auto* box = qobject_cast<QLineEdit*>(next)) {
                    QTRY_COMPARE(box->selectedText(), box->text());
                }
            }
            Type(add.Text1, "123");
            Type(add.Text2, "456");
            Type(add.Text3, "19876");
            QCOMPARE(QStringList({add.Text1->text(), add.Text2->text(), add.Text3->text()}),
                     QStringList({"12", "45", "1987"}));
            QTest::keyClick(add.Text3, Qt::Key_Escape);
            QVERIFY(!add.isVisible());
        });
    QCOMPARE(fixture.ReadData(), QByteArray("<missing>")); // Esc wrote nothing
    QCOMPARE(add.Text1->text(), QStringLiteral("12"));     // and cleared nothing

    WhileModal(
        add, [&] { menu.Command3->click(); },
        [&] {
            // Esc was pressed with the focus on Cancel, where Enter would press Cancel.
            QTRY_VERIFY(add.isActiveWindow());
            add.Text2->setFocus();
            QVERIFY(add.Command1->isDefault());
            QTest::keyClick(add.Text2, Qt::Key_Return);
        });
    QCOMPARE(fixture.ReadData(), Records({{"12", "45", "1987", "Ann Lee"}}));
    QCOMPARE(menu.List1->count(), 1);
}

void AddBTest::nameIsCheckedAgainstTheList_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("refused");
    QTest::newRow("same name") << "Ann Lee" << true;
    QTest::newRow("empty name, one stored") << "" << true;
    QTest::newRow("other case") << "ann Lee" << false;
    QTest::newRow("trailing blank") << "Ann Lee " << false;
    QTest::newRow("leading blank") << " Ann Lee" << false;
    QTest::newRow("new name") << "Bob" << false;
    // The file stores it in a single-byte code page; typed, it is UTF-8. It is the name the list shows.
    QTest::newRow("a single-byte name as shown") << QString::fromUtf8("Zo\u00eb") << true;
}

void AddBTest::nameIsCheckedAgainstTheList() {
    QFETCH(QString, name);
    QFETCH(bool, refused);
    ManageFixture fixture;
    const QByteArray file = Records({{"1", "1", "1990", "Ann Lee"},
                                     {"2", "2", "1991", ""},
                                     {"3", "3", "1992", QString::fromUtf8("Zo\u00eb")}});
    fixture.WriteData(file);
    frmMenu& menu = Forms::Menu();
    AddB& add = Forms::Add();
    const bool stayed = WhileModal(
        add, [&] { menu.Command3->click(); },
        [&] {
            Type(add.Text1, "8");
            Type(add.Text4, name);
            add.Command1->click();
        });
    QCOMPARE(stayed, refused);
    QCOMPARE(MessageBox::TakeShownTexts(), refused ? QStringList{Duplicate} : QStringList{});
    QCOMPARE(fixture.ReadData(), refused ? file : file + Records({{"8", "12", "2026", name}}));
    QCOMPARE(add.Text4->text(), name);
}

void AddBTest::addedNameIsRefusedTheSecondTime() {
    ManageFixture fixture;
    frmMenu& menu = Forms::Menu();
    AddB& add = Forms::Add();
    WhileModal(
        add, [&] { menu.Command3->click(); },
        [&] {
            Type(add.Text4, "Ann");
            add.Command1->click();
        });
    QCOMPARE(fixture.ReadData(), Records({{"6", "12", "2026", "Ann"}})); // exactly four lines
    const bool stayed = WhileModal(
        add, [&] { menu.Command3->click(); }, [&] { add.Command1->click(); });
    QVERIFY(stayed);
    QCOMPARE(MessageBox::TakeShownTexts(), QStringList{Duplicate});
    QCOMPARE(fixture.ReadData(), Records({{"6", "12", "2026", "Ann"}}));
}

void AddBTest::pastedLineBreaksBecomeBlanks() {
    ManageFixture fixture;
    frmMenu& menu = Forms::Menu();
    AddB& add = Forms::Add();
    WhileModal(
        add, [&] { menu.Command3->click(); },
        [&] {
            add.Text4->clear();
            QApplication::clipboard()->setText(QStringLiteral("Ann\r\nLee\nJr\r"));
            add.Text4->paste();
            QCOMPARE(add.Text4->text(), QStringLiteral("Ann Lee Jr "));
            QCOMPARE(add.Text4->cursorPosition(), add.Text4->text().size());
            add.Command1->click();
        });
    QCOMPARE(fixture.ReadData(), Records({{"6", "12", "2026", "Ann Lee Jr "}}));
}

QTEST_MAIN(AddBTest)
#include "AddB_test.moc"
