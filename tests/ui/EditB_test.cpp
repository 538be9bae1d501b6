#include "test_support_manage.h"

#include "ui/forms.h"

#include "manage/EditB.h"
#include "manage/frmMenu.h"
#include "ui/message_box.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace candlewatcher;
using namespace candlewatcher::manage_test;

namespace {

// Clicks the item showing this text, then opens the edit dialog with the Edit button and runs inside.
bool EditItem(const QString& item, const std::function<void(EditB&)>& inside) {
    frmMenu& menu = Forms::Menu();
    const QList<QListWidgetItem*> found = menu.List1->findItems(item, Qt::MatchExactly);
    if (found.isEmpty()) {
        qWarning("no item %s", qPrintable(item));
        return false;
    }
    menu.List1->setCurrentItem(found.first());
    EditB& edit = Forms::Edit();
    return WhileModal(
        edit, [&] { menu.Command1->click(); }, [&] { inside(edit); });
}

} // namespace

class EditBTest : public QObject {
    Q_OBJECT
private slots:
    void newNameIsCheckedAgainstOtherRecords_data();
    void newNameIsCheckedAgainstOtherRecords();
    void staleOldNameAfterARenameRefusesTheNewName();
    void bothRecordsOfOneNameAreReplaced();
    void unchangedSingleByteFieldsGoBackByteForByte();
};

void EditBTest::newNameIsCheckedAgainstOtherRecords_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("refused");
    QTest::newRow("unchanged") << "Ann" << false;
    QTest::newRow("another record's name") << "Bob" << true;
    QTest::newRow("case only") << "ANN" << false;
    QTest::newRow("trailing blank") << "Ann " << false;
    QTest::newRow("new name") << "Anna" << false;
}

void EditBTest::newNameIsCheckedAgainstOtherRecords() {
    QFETCH(QString, name);
    QFETCH(bool, refused);
    ManageFixture fixture;
    const QByteArray file =
        Records({{"1", "2", "1980", "Zed"}, {"3", "4", "1985", "Ann"}, {"5", "6", "1990", "Bob"}});
    fixture.WriteData(file);
    const bool stayed = EditItem("Ann", [&](EditB& edit) {
        QCOMPARE(edit.Label4->text(), QStringLiteral("Ann"));
        QVERIFY(!edit.Label4->isVisible());
        Type(edit.Text1, "30");
        Type(edit.Text4, name);
        edit.Command1->click();
    });
    QCOMPARE(stayed, refused);
    QCOMPARE(MessageBox::TakeShownTexts(), refused ? QStringList{Duplicate} : QStringList{});
    // The record keeps its place in the file.
    QCOMPARE(
        fixture.ReadData(),
        refused ? file
                : Records({{"1", "2", "1980", "Zed"}, {"30", "4", "1985", name}, {"5", "6", "1990", "Bob"}}));
}

void EditBTest::staleOldNameAfterARenameRefusesTheNewName() {
    ManageFixture fixture;
    fixture.WriteData(Records({{"3", "4", "1985", "Ann"}}));
    EditItem("Ann", [](EditB& edit) {
        Type(edit.Text4, "Anna");
        edit.Command1->click();
    });
    QCOMPARE(fixture.ReadData(), Records({{"3", "4", "1985", "Anna"}}));
    // Opened again without a new click: Label4 still holds "Ann", the list now "Anna".
    frmMenu& menu = Forms::Menu();
    EditB& edit = Forms::Edit();
    const bool stayed = WhileModal(
        edit, [&] { menu.Command1->click(); },
        [&] {
            QCOMPARE(edit.Text4->text(), QStringLiteral("Anna"));
            QCOMPARE(edit.Label4->text(), QStringLiteral("Ann"));
            edit.Command1->click();
        });
    QVERIFY(stayed);
    QCOMPARE(MessageBox::TakeShownTexts(), QStringList{Duplicate});
    QCOMPARE(fixture.ReadData(), Records({{"3", "4", "1985", "Anna"}}));
}

void EditBTest::bothRecordsOfOneNameAreReplaced() {
    ManageFixture fixture;
    fixture.WriteData(
        Records({{"1", "2", "1980", "Ann"}, {"3", "4", "1985", "Bob"}, {"5", "6", "1990", "Ann"}}));
    EditItem("Ann", [](EditB& edit) {
        Type(edit.Text4, "Cy");
        edit.Command1->click();
    });
    const QByteArray cy = Records({{"5", "6", "1990", "Cy"}});
    QCOMPARE(fixture.ReadData(), cy + Records({{"3", "4", "1985", "Bob"}}) + cy);
    QCOMPARE(Forms::Menu().List1->count(), 3);
}

// A file from a single-byte code page: the name shows legibly, a changed date is written as typed and the
// untouched fields keep their bytes. A stored text longer than a box's limit is shown whole.
void EditBTest::unchangedSingleByteFieldsGoBackByteForByte() {
    ManageFixture fixture;
    fixture.WriteData(QByteArray("1\r\n2\r\n1980x\r\nZo\xeb M\xfcller\r\n"));
    EditItem(QString::fromUtf8("Zo\u00eb M\u00fcller"), [](EditB& edit) {
        QCOMPARE(edit.Text3->text(), QStringLiteral("1980x"));
        QTest::keyClicks(edit.Text3, "5"); // the limit still holds for typing
        QCOMPARE(edit.Text3->text(), QStringLiteral("1980x"));
        Type(edit.Text1, "14");
        edit.Command1->click();
    });
    QCOMPARE(fixture.ReadData(), QByteArray("14\r\n2\r\n1980x\r\nZo\xeb M\xfcller\r\n"));
    QCOMPARE(MessageBox::TakeShownTexts(), QStringList{});
}

QTEST_MAIN(EditBTest)
#include "EditB_test.moc"
