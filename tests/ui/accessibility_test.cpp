#include "test_support_manage.h"

#include "manage/AddB.h"
#include "manage/EditB.h"
#include "manage/frmAddressBooks.h"
#include "manage/frmMenu.h"
#include "manage/frmNotifications.h"
#include "manage/frmSettings.h"
#include "tray/frmMain.h"
#include "ui/forms.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>

#include <utility>

using namespace candlewatcher;
using namespace candlewatcher::manage_test;

namespace {

template <auto Reference> QWidget& Made() {
    return Reference();
}

// The window of that design name, made as the program makes it.
QWidget& Window(const QString& name) {
    static const std::pair<const char*, QWidget& (*)()> windows[] = {
        {"frmMenu", &Made<&Forms::Menu>},
        {"AddB", &Made<&Forms::Add>},
        {"EditB", &Made<&Forms::Edit>},
        {"frmSettings", &Made<&Forms::Settings>},
        {"frmNotifications", &Made<&Forms::Notifications>},
        {"frmAddressBooks", &Made<&Forms::AddressBooks>},
    };
    for (const auto& [designName, make] : windows) {
        if (name == QLatin1String(designName)) {
            return make();
        }
    }
    return Forms::Main();
}

// The control a tab stop belongs to: a spin box's inner line edit stands for the spin box.
QString DesignName(QWidget* stop) {
    while (stop->objectName().startsWith(QLatin1String("qt_"))) {
        stop = stop->parentWidget();
    }
    return stop->objectName();
}

// The tab stops in the order Tab visits them, enabled or not, from the window's first one round to it.
QStringList TabStops(QWidget& window) {
    QStringList stops;
    QWidget* widget = &window;
    while ((widget = widget->nextInFocusChain()) != &window) {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->focusProxy() == nullptr &&
            widget->isVisibleTo(&window)) {
            stops << DesignName(widget);
        }
    }
    return stops;
}

QString AccessibleText(QObject* object, QAccessible::Text text) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
    return accessible != nullptr ? accessible->text(text) : QStringLiteral("<no interface>");
}

const QByteArray AnnAndTom = Records({{"6", "12", "1990", "Ann Lee"}, {"10", "12", "1984", "Tom Baker"}});

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT
private slots:
    void controlsAreNamed_data();
    void controlsAreNamed();
    void tabOrderIsTheDesignedOne_data();
    void tabOrderIsTheDesignedOne();
    void everyButtonHasAMnemonic();
    void panelDescribesItsRows_data();
    void panelDescribesItsRows();
    void listKeysActAsTheButtons_data();
    void listKeysActAsTheButtons();
};

void AccessibilityTest::controlsAreNamed_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control"); // empty: the window itself
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description"); // null: not checked
    QTest::addColumn<int>("mnemonic");        // the Alt key that focuses the control, 0: none
    const struct {
        const char* window;
        const char* control;
        const char* name;
        const char* description;
        int mnemonic;
    } rows[] = {
        // The list window's buttons and list and the add dialog's fields and buttons are read over AT-SPI, in
        // English and German, by the end-to-end test (tests/e2e/a11y_tree.py).
        {"AddB", "Text1", "Day", nullptr, Qt::Key_D},
        {"AddB", "Text4", "Person : ", nullptr, Qt::Key_P},
        {"EditB", "Text1", "Day", nullptr, Qt::Key_D},
        {"EditB", "Text4", "Person : ", nullptr, Qt::Key_P},
        {"frmSettings", "Text1", "Warn ", "days in advance", Qt::Key_W},
        {"frmSettings", "Check1", "Warn about birthdays in advance", nullptr, 0},
        {"frmSettings", "Command1", "OK", nullptr, 0},
        {"frmNotifications", "Check1", "Notify on the day of a birthday", nullptr, 0},
        {"frmNotifications", "Check2", "Also notify", nullptr, 0},
        {"frmNotifications", "Text1", "days before", nullptr, 0},
        {"frmNotifications", "Time1", "Not before", nullptr, Qt::Key_N},
        {"frmAddressBooks", "lstBooks", "Address books", nullptr, 0},
        {"frmAddressBooks", "txtLocation", "URL or folder:", nullptr, Qt::Key_F},
        {"frmAddressBooks", "txtUser", "User:", nullptr, Qt::Key_U},
        {"frmAddressBooks", "txtPassword", "Password:", nullptr, Qt::Key_P},
        {"frmAddressBooks", "cmdSync", "Sync Now", nullptr, 0},
        {"frmAddressBooks", "lstHidden", "Hidden people", nullptr, 0},
        {"frmAddressBooks", "cmdClose", "Close", nullptr, 0},
        {"frmMain", "", "Candlewatcher", nullptr, 0},
        {"frmMain", "Birthday0", "Ann Lee (36)", nullptr, 0},
    };
    for (const auto& row : rows) {
        QTest::addRow("%s %s", row.window, row.control)
            << row.window << row.control << row.name << QString::fromLatin1(row.description) << row.mnemonic;
    }
}

void AccessibilityTest::controlsAreNamed() {
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(QString, description);
    QFETCH(int, mnemonic);
    ManageFixture fixture;
    fixture.WriteData(AnnAndTom);
    QWidget& shown = Window(window);
    QWidget* widget = control.isEmpty() ? &shown : shown.findChild<QWidget*>(control);
    QVERIFY2(widget != nullptr, qPrintable(control));
    QCOMPARE(AccessibleText(widget, QAccessible::Name), name);
    if (!description.isNull()) {
        QCOMPARE(AccessibleText(widget, QAccessible::Description), description);
    }
    if (mnemonic != 0) {
        shown.show();
        QVERIFY(QTest::qWaitForWindowActive(&shown));
        // From elsewhere: a dialog opens with the focus in its first field.
        shown.findChildren<QAbstractButton*>().constLast()->setFocus();
        QTest::keyClick(&shown, static_cast<Qt::Key>(mnemonic), Qt::AltModifier);
        const auto focused = [] {
            QWidget* focus = QApplication::focusWidget();
            return focus != nullptr ? DesignName(focus) : QString();
        };
        QTRY_COMPARE(focused(), control);
        shown.hide();
    }
}

void AccessibilityTest::tabOrderIsTheDesignedOne_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("list window") << "frmMenu"
                                 << QStringList{"List1", "Command1", "Command2", "Command3", "Command4"};
    const QStringList birthday{"Text1", "Text2", "Text3", "Text4", "Command1", "Command2"};
    QTest::newRow("add") << "AddB" << birthday;
    QTest::newRow("edit") << "EditB" << birthday;
    QTest::newRow("settings") << "frmSettings" << QStringList{"Text1", "Check1", "Command1"};
    QTest::newRow("notifications") << "frmNotifications" << QStringList{"Check1", "Check2",   "Text1",
                                                                        "Time1",  "Command1", "Command2"};
    QTest::newRow("address books") << "frmAddressBooks"
                                   << QStringList{"lstBooks",     "cmdRemove",   "cmdSync", "txtLocation",
                                                  "txtUser",      "txtPassword", "cmdAdd",  "lstHidden",
                                                  "cmdShowAgain", "cmdClose"};
}

void AccessibilityTest::tabOrderIsTheDesignedOne() {
    QFETCH(QString, window);
    QFETCH(QStringList, order);
    ManageFixture fixture;
    QCOMPARE(TabStops(Window(window)), order);
}

void AccessibilityTest::everyButtonHasAMnemonic() {
    ManageFixture fixture;
    for (const char* window :
         {"frmMenu", "AddB", "EditB", "frmSettings", "frmNotifications", "frmAddressBooks"}) {
        for (const QAbstractButton* button : Window(window).findChildren<QAbstractButton*>()) {
            QVERIFY2(QKeySequence::mnemonic(button->text()) != QKeySequence(),
                     qPrintable(QStringLiteral("%1 of %2").arg(button->text(), window)));
        }
    }
}

void AccessibilityTest::panelDescribesItsRows_data() {
    QTest::addColumn<QByteArray>("earlier");
    QTest::addColumn<QByteArray>("now");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QStringList>("labels"); // the names of the rows shown, from the top
    QTest::newRow("two rows") << QByteArray() << AnnAndTom
                              << "Birthdays: Ann Lee (36), Tom Baker (42 - 10\\12)"
                              << QStringList{"Ann Lee (36)", "Tom Baker (42 - 10\\12)"};
    QTest::newRow("none") << AnnAndTom << QByteArray() << "No birthdays" << QStringList{"No birthdays"};
    QTest::newRow("fewer than before") << AnnAndTom << Records({{"6", "12", "1990", "Ann Lee"}})
                                       << "Birthdays: Ann Lee (36)" << QStringList{"Ann Lee (36)"};
    QList<QStringList> many;
    QStringList rows;
    for (int k = 10; k < 24; ++k) {
        many << QStringList{"6", "12", "2000", QStringLiteral("P%1").arg(k)};
        rows << QStringLiteral("P%1 (26)").arg(k);
    }
    rows = rows.mid(0, 12) << QStringLiteral("and 2 more");
    QTest::newRow("more than fit") << QByteArray() << Records(many) << "Birthdays: " + rows.join(", ")
                                   << rows;
}

// The description follows every refresh.
void AccessibilityTest::panelDescribesItsRows() {
    QFETCH(QByteArray, earlier);
    QFETCH(QByteArray, now);
    QFETCH(QString, description);
    QFETCH(QStringList, labels);
    ManageFixture fixture;
    fixture.WriteData(earlier);
    frmMain& panel = Forms::Main();
    fixture.WriteData(now);
    test::RefreshPanel();
    QCOMPARE(AccessibleText(&panel, QAccessible::Description), description);
    for (int k = 0; k < labels.size(); ++k) {
        QCOMPARE(AccessibleText(panel.Birthday[k], QAccessible::Name), labels[k]);
    }
}

void AccessibilityTest::listKeysActAsTheButtons_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("choose");
    QTest::addColumn<bool>("editOpens");
    QTest::addColumn<QByteArray>("fileAfter");
    const QByteArray tomOnly = Records({{"10", "12", "1984", "Tom Baker"}});
    QTest::newRow("Return edits") << int(Qt::Key_Return) << 0 << true << true << AnnAndTom;
    QTest::newRow("keypad Enter edits")
        << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true << true << AnnAndTom;
    QTest::newRow("Return, nothing chosen") << int(Qt::Key_Return) << 0 << false << false << AnnAndTom;
    QTest::newRow("Delete deletes") << int(Qt::Key_Delete) << 0 << true << false << tomOnly;
    QTest::newRow("Delete, nothing chosen") << int(Qt::Key_Delete) << 0 << false << false << AnnAndTom;
    QTest::newRow("Shift+Delete is no Delete")
        << int(Qt::Key_Delete) << int(Qt::ShiftModifier) << true << false << AnnAndTom;
}

void AccessibilityTest::listKeysActAsTheButtons() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, choose);
    QFETCH(bool, editOpens);
    QFETCH(QByteArray, fileAfter);
    ManageFixture fixture;
    fixture.WriteData(AnnAndTom);
    frmMenu& menu = Forms::Menu();
    if (choose) {
        menu.List1->setCurrentRow(0);
    }
    // Looks for the edit dialog once the key is handled: inside its modal loop, or after the key when it
    // opened none.
    bool opened = false;
    QString editedName;
    QTimer closer;
    closer.setSingleShot(true);
    connect(&closer, &QTimer::timeout, this, [&] {
        opened = Forms::Edit().isVisible();
        editedName = Forms::Edit().Text4->text();
        Forms::Edit().reject();
    });
    closer.start(0);
    QTest::keyClick(menu.List1, static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));
    QTRY_VERIFY(!closer.isActive());
    QCOMPARE(opened, editOpens);
    if (editOpens) {
        QCOMPARE(editedName, QStringLiteral("Ann Lee"));
    }
    QCOMPARE(fixture.ReadData(), fileAfter);
}

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
