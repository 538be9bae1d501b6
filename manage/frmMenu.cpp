#include "manage/frmMenu.h"

#include "addressbook/hidden_people.h"
#include "data/birthday_file.h"
#include "data/numeric_value.h"
#include "manage/AddB.h"
#include "manage/EditB.h"
#include "manage/design_font.h"
#include "manage/frmSettings.h"
#include "tray/frmMain.h"
#include "ui/app_icon.h"
#include "ui/controls.h"
#include "ui/forms.h"
#include "ui/message_box.h"
#include "ui/stored_text.h"
#include "ui/translated.h"
#include "ui/twips.h"
#include "ui/window_role.h"

#include <QCloseEvent>
#include <QCollator>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

#include <exception>
#include <utility>

namespace candlewatcher {

namespace {

// Marks the items of names that an address book gives rather than birthday.dat.
constexpr int FromAddressBookRole = Qt::UserRole + 1;

bool FromAddressBook(const QListWidgetItem& item) {
    return item.data(FromAddressBookRole).toBool();
}

// An item of List1: shows the name legibly and keeps the record's bytes, and sorts alphabetically
// ignoring case (QListWidget's own order is case-sensitive), the user's own names before those of the
// address books. Names equal but for case stay in a fixed order.
class NameItem : public QListWidgetItem {
public:
    NameItem(const std::string& nameBytes, bool fromAddressBook)
        // TRANSLATORS: %1 is the name of a person whose birthday an address book gives.
        : QListWidgetItem(fromAddressBook ? QTr("%1 (address book)").arg(DisplayText(nameBytes))
                                          : DisplayText(nameBytes)) {
        setData(Qt::UserRole, QByteArray(nameBytes.data(), static_cast<qsizetype>(nameBytes.size())));
        setData(FromAddressBookRole, fromAddressBook);
        // A screen reader reads the bare name, as for the user's own names, and where it comes from after it.
        if (fromAddressBook) {
            setData(Qt::AccessibleTextRole, DisplayText(nameBytes));
            setData(Qt::AccessibleDescriptionRole, QTr("From an address book"));
        }
    }

    bool operator<(const QListWidgetItem& other) const override {
        if (FromAddressBook(*this) != FromAddressBook(other)) {
            return !FromAddressBook(*this);
        }
        static const QCollator collator = [] {
            QCollator ignoringCase;
            ignoringCase.setCaseSensitivity(Qt::CaseInsensitive);
            return ignoringCase;
        }();
        const QString mine = text();
        const QString theirs = other.text();
        const int order = collator.compare(mine, theirs);
        if (order != 0) {
            return order < 0;
        }
        return mine < theirs;
    }
};

void BumpPanelCounter() {
    frmMain& main = Forms::Main();
    const double counter = NumericValue(main.RefreshCounter().toStdString());
    main.SetRefreshCounter(QString::number(counter + 1, 'f', QLocale::FloatingPointShortest));
}

} // namespace

frmMenu::frmMenu() {
    setObjectName(QStringLiteral("frmMenu"));
    setWindowTitle(QStringLiteral("Candlewatcher"));
    GiveWindowRole(*this); // before anything asks for its accessible interface, which Qt then keeps
    setWindowIcon(AppIcon());
    UseDesignFont(*this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    // Closing with "stay in the tray" destroys the window; the registry then creates it afresh.
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(Twips(6060), Twips(2895));

    Frame1 = NewControl<QGroupBox>("Frame1", TwipsRect(60, 60, 3975, 2775), QTr("Birthdays"), this);
    List1 = NewControl<QListWidget>("List1", TwipsRect(120, 240, 3735, 2400), Frame1);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setSortingEnabled(true);
    List1->installEventFilter(this);

    // TRANSLATORS: the list window's four buttons, each 125 pixels wide in an 8-point font; "&" marks the
    // key that presses the button, a different letter for each.
    Command1 =
        NewControl<QPushButton>("Command1", TwipsRect(4140, 1620, 1875, 375), QTr("&Edit Birthday"), this);
    Command1->setEnabled(false);
    Command2 =
        NewControl<QPushButton>("Command2", TwipsRect(4140, 2040, 1875, 375), QTr("&Delete Birthday"), this);
    Command2->setEnabled(false);
    Command3 =
        NewControl<QPushButton>("Command3", TwipsRect(4140, 1200, 1875, 375), QTr("&Add Birthday"), this);
    Command4 = NewControl<QPushButton>("Command4", TwipsRect(4140, 2460, 1875, 375), QTr("&Settings"), this);

    Frame2 = NewControl<QGroupBox>("Frame2", TwipsRect(4140, 60, 1875, 1035), QTr("About"), this);
    Label1 =
        NewControl<QLabel>("Label1", TwipsRect(120, 240, 1275, 195), QStringLiteral("Candlewatcher"), Frame2);
    // TRANSLATORS: %1 is the program's version, such as 1.1.0.
    Label2 = NewControl<QLabel>("Label2", TwipsRect(120, 480, 1635, 255),
                                QTr("Version %1").arg(QStringLiteral(CANDLEWATCHER_VERSION)), Frame2);
    // Short enough for the one line the frame has room for.
    // TRANSLATORS: what the program is, on one line of 109 pixels in an 8-point font.
    Label3 = NewControl<QLabel>("Label3", TwipsRect(120, 720, 1635, 255), QTr("Birthday reminder"), Frame2);

    SetTabOrderAndNames();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }

    connect(List1, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_refilling && !List1->selectedItems().isEmpty()) {
            List1_Click();
        }
    });
    connect(List1, &QListWidget::itemDoubleClicked, this, &frmMenu::List1_DblClick);
    connect(Command1, &QPushButton::clicked, this, &frmMenu::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmMenu::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmMenu::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frmMenu::Command4_Click);
}

// The keyboard goes through the controls in the order they were designed in; the list is named after its
// frame, as a sighted user reads it.
void frmMenu::SetTabOrderAndNames() {
    setTabOrder(List1, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);
    setTabOrder(Command3, Command4);
    List1->setAccessibleName(Frame1->title());
}

void frmMenu::Form_Load() {
    m_dataDirectory = Forms::Environment().DataDirectory;
    RefillList();
}

void frmMenu::RefillList() {
    try {
        const AllBirthdays all =
            ReadShownBirthdays(DefaultAddressBookPaths(), m_dataDirectory, *Forms::Environment().Settings);
        m_refilling = true;
        List1->clear();
        for (const BirthdayRecord& record : all.Own) {
            List1->addItem(new NameItem(record.Name, false));
        }
        for (const BirthdayRecord& record : all.Subscribed) {
            List1->addItem(new NameItem(record.Name, true));
        }
        m_refilling = false;
    } catch (const std::exception&) {
        // The list keeps the names it showed. The panel's refresh below reads the same file and tells the
        // user, once for both windows.
        m_refilling = false;
    }
    BumpRefreshCounter();
}

void frmMenu::BumpRefreshCounter() {
    BumpPanelCounter();
}

std::vector<std::string> frmMenu::ListedNames() const {
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(List1->count()));
    for (int row = 0; row < List1->count(); ++row) {
        if (FromAddressBook(*List1->item(row))) {
            continue; // a name of the user's own may stand beside it: it then wins
        }
        const QByteArray bytes = List1->item(row)->data(Qt::UserRole).toByteArray();
        names.emplace_back(bytes.constData(), static_cast<size_t>(bytes.size()));
    }
    return names;
}

void frmMenu::List1_Click() {
    Command1->setEnabled(true);
    Command2->setEnabled(true);
    const QList<QListWidgetItem*> selected = List1->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    const QByteArray nameBytes = selected.first()->data(Qt::UserRole).toByteArray();
    const std::string name(nameBytes.constData(), static_cast<size_t>(nameBytes.size()));
    // An address book's birthday is edited in the address book; here it can only be hidden.
    m_toHide.reset();
    if (FromAddressBook(*selected.first())) {
        Command1->setEnabled(false);
        m_toHide = name;
        return;
    }
    std::vector<BirthdayRecord> records;
    try {
        records = BirthdayFile(m_dataDirectory).ReadBirthdays();
    } catch (const std::exception& error) {
        MessageBox::Warn(this, QTr("Could not read the birthdays: %1"), error);
        return;
    }
    // Every record is gone through: of several with one name, the last in the file is the one chosen.
    const BirthdayRecord* chosen = nullptr;
    for (const BirthdayRecord& record : records) {
        if (record.Name == name) {
            chosen = &record;
        }
    }
    if (chosen != nullptr) {
        Forms::Edit().ShowRecord(*chosen);
    }
}

void frmMenu::List1_DblClick() {
    Command1_Click();
}

void frmMenu::Command1_Click() {
    if (m_toHide) {
        return; // the double click on an address book's name
    }
    ShowDialogThenRefill(Forms::Edit());
}

// The list window that opened the dialog may be gone by its end (closing every window, as a session end
// may, deletes it), and the tray menu opens dialogs with no list window at all: the list window there is
// now, if any, is refilled, or else the panel is refreshed, so the dialog's change shows either way.
void frmMenu::ShowDialogThenRefill(QDialog& dialog) {
    // Asked for again from the tray while it is open: the open one is the one to use.
    if (dialog.isVisible()) {
        dialog.raise();
        dialog.activateWindow();
        return;
    }
    dialog.exec();
    RefreshAfterChange();
}

void frmMenu::RefreshAfterChange() {
    if (Forms::MenuExists()) {
        Forms::Menu().RefillList();
    } else {
        BumpPanelCounter();
    }
}

// Removes every record named as Label4 of the edit dialog says: the birthday last clicked, whatever the
// list highlights now.
void frmMenu::Command2_Click() {
    if (m_toHide) {
        try {
            HidePerson(*Forms::Environment().Settings, *m_toHide);
        } catch (const std::exception& error) {
            MessageBox::Warn(this, QTr("Could not hide the birthday: %1"), error);
            return;
        }
        m_toHide.reset();
        Command2->setEnabled(false);
        RefillList();
        return;
    }
    const std::string name = Forms::Edit().OldName();
    try {
        BirthdayFile(m_dataDirectory).DeleteBirthday(name);
        Forms::MarkBirthdayFileSeen(); // the refill below shows it
    } catch (const std::exception& error) {
        MessageBox::Warn(this, QTr("Could not delete the birthday: %1"), error);
        return;
    }
    RefillList();
}

void frmMenu::Command3_Click() {
    ShowDialogThenRefill(Forms::Add());
}

void frmMenu::Command4_Click() {
    ShowDialogThenRefill(Forms::Settings());
}

void frmMenu::Form_QueryUnload() {
    const QMessageBox::StandardButton answer = MessageBox::Ask(
        this, QMessageBox::Question,
        QTr("Quitting Candlewatcher will also remove the system tray icon.  Would you like to minimise "
            "Candlewatcher instead?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    frmMain& main = Forms::Main();
    if (answer == QMessageBox::No) {
        // The main window's close removes the tray icon and ends the program.
        main.close();
    } else {
        main.SetTag(QStringLiteral("RT"));
        main.hide();
    }
}

// Enter and Delete go to List1_KeyDown. Tabbing into the list makes its first item current without
// choosing it. The first arrow key then chooses that item rather than skipping past it to the next.
bool frmMenu::eventFilter(QObject* watched, QEvent* event) {
    if (watched == List1 && event->type() == QEvent::KeyPress &&
        List1_KeyDown(*static_cast<QKeyEvent*>(event))) {
        return true;
    }
    if (watched == List1 && event->type() == QEvent::KeyPress && List1->selectedItems().isEmpty()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Down || key == Qt::Key_Up) && List1->currentItem() != nullptr) {
            List1->currentItem()->setSelected(true);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// Enter edits and Delete deletes the chosen birthday, as the buttons do; a button that is off for the
// chosen item (or for none) leaves the key without effect.
bool frmMenu::List1_KeyDown(const QKeyEvent& key) {
    QPushButton* button = nullptr;
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        button = Command1;
        break;
    case Qt::Key_Delete:
        button = Command2;
        break;
    default:
        return false;
    }
    if (key.modifiers() & ~Qt::KeypadModifier) {
        return false;
    }
    button->click();
    return true;
}

void frmMenu::closeEvent(QCloseEvent* event) {
    Form_QueryUnload();
    event->accept();
}

} // namespace candlewatcher
