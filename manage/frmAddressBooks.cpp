#include "manage/frmAddressBooks.h"

#include "manage/design_font.h"

#include "addressbook/commands.h"
#include "addressbook/hidden_people.h"
#include "addressbook/stored_files.h"
#include "desktop/keyring.h"
#include "manage/design_font.h"
#include "manage/frmMenu.h"
#include "tray/address_book_network.h"
#include "tray/address_book_sync.h"
#include "ui/app_icon.h"
#include "ui/controls.h"
#include "ui/forms.h"
#include "ui/message_box.h"
#include "ui/translated.h"
#include "ui/twips.h"

#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QtConcurrent/QtConcurrentRun>

#include <chrono>
#include <ctime>
#include <exception>
#include <string>
#include <utility>
#include <vector>

namespace candlewatcher {

namespace {

constexpr std::chrono::milliseconds kTimeout{30000};

QString Text(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string Bytes(const QString& text) {
    return text.toUtf8().toStdString();
}

std::vector<std::string> Locations(const AddressBookPaths& paths) {
    std::vector<std::string> locations;
    for (const Subscription& subscription : ReadSubscriptions(paths.SubscriptionFile)) {
        locations.push_back(subscription.Location);
    }
    return locations;
}

// After a subscription came or went, or a hidden person shows again: the list and the panel show it, and
// the sync follows the folders subscribed now.
void ShowTheChange() {
    frmMenu::RefreshAfterChange();
    if (AddressBookSync* sync = AddressBookSync::Instance()) {
        sync->FollowSubscriptions();
    }
}

} // namespace

frmAddressBooks::frmAddressBooks() {
    setObjectName(QStringLiteral("frmAddressBooks"));
    setWindowTitle(QStringLiteral("Candlewatcher"));
    setWindowIcon(AppIcon());
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(Twips(9360), Twips(5820));
    // Laid out in twips for the design font, like the other windows; the desktop's may be wider.
    UseDesignFont(*this);

    fraBooks = NewControl<QGroupBox>("fraBooks", TwipsRect(60, 60, 9240, 3195), QTr("Address books"), this);
    lstBooks = NewControl<QTreeWidget>("lstBooks", TwipsRect(120, 240, 7440, 1935), fraBooks);
    lstBooks->setHeaderLabels(
        {QTr("Address book"), QTr("User"), QTr("Birthdays"), QTr("Last sync"), QTr("Last error")});
    lstBooks->setRootIsDecorated(false);
    // The URL or folder and the time in full; the error takes what is left and shows whole as a tip.
    for (const auto& [column, width] :
         {std::pair{0, 2400}, std::pair{1, 900}, std::pair{2, 1200}, std::pair{3, 1950}}) {
        lstBooks->setColumnWidth(column, Twips(width));
    }
    lstBooks->setSelectionMode(QAbstractItemView::SingleSelection);
    // TRANSLATORS: the dialog's buttons are 97 pixels wide in an 8-point font; "&" marks each control's
    // key, a different letter for each in this dialog.
    cmdRemove =
        NewControl<QPushButton>("cmdRemove", TwipsRect(7680, 240, 1455, 375), QTr("&Remove"), fraBooks);
    cmdSync = NewControl<QPushButton>("cmdSync", TwipsRect(7680, 720, 1455, 375), QTr("S&ync Now"), fraBooks);

    lblLocation =
        NewControl<QLabel>("lblLocation", TwipsRect(120, 2310, 1335, 255), QTr("URL or &folder:"), fraBooks);
    txtLocation = NewControl<QLineEdit>("txtLocation", TwipsRect(1500, 2280, 6060, 315), fraBooks);
    lblLocation->setBuddy(txtLocation);
    lblUser = NewControl<QLabel>("lblUser", TwipsRect(120, 2760, 1335, 255), QTr("&User:"), fraBooks);
    txtUser = NewControl<QLineEdit>("txtUser", TwipsRect(1500, 2730, 2415, 315), fraBooks);
    lblUser->setBuddy(txtUser);
    lblPassword =
        NewControl<QLabel>("lblPassword", TwipsRect(4080, 2760, 1035, 255), QTr("&Password:"), fraBooks);
    txtPassword = NewControl<QLineEdit>("txtPassword", TwipsRect(5145, 2730, 2415, 315), fraBooks);
    txtPassword->setEchoMode(QLineEdit::Password);
    lblPassword->setBuddy(txtPassword);
    cmdAdd = NewControl<QPushButton>("cmdAdd", TwipsRect(7680, 2700, 1455, 375), QTr("&Add"), fraBooks);

    fraHidden =
        NewControl<QGroupBox>("fraHidden", TwipsRect(60, 3330, 9240, 1875), QTr("Hidden people"), this);
    lstHidden = NewControl<QListWidget>("lstHidden", TwipsRect(120, 240, 7440, 1455), fraHidden);
    cmdShowAgain = NewControl<QPushButton>("cmdShowAgain", TwipsRect(7680, 240, 1455, 375),
                                           QTr("S&how Again"), fraHidden);
    cmdClose = NewControl<QPushButton>("cmdClose", TwipsRect(7845, 5325, 1455, 375), QTr("&Close"), this);

    NameLists();

    connect(cmdAdd, &QPushButton::clicked, this, &frmAddressBooks::cmdAdd_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &frmAddressBooks::cmdRemove_Click);
    connect(cmdSync, &QPushButton::clicked, this, &frmAddressBooks::cmdSync_Click);
    connect(cmdShowAgain, &QPushButton::clicked, this, &frmAddressBooks::cmdShowAgain_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(lstBooks, &QTreeWidget::itemSelectionChanged, this, &frmAddressBooks::EnableButtons);
    connect(lstHidden, &QListWidget::itemSelectionChanged, this, &frmAddressBooks::EnableButtons);
    connect(&m_adding, &QFutureWatcher<AddOutcome>::finished, this, &frmAddressBooks::AddFinished);
}

// The lists are named after their frames, as a sighted user reads them; the fields after their buddies.
void frmAddressBooks::NameLists() {
    lstBooks->setAccessibleName(fraBooks->title());
    lstHidden->setAccessibleName(fraHidden->title());
}

void frmAddressBooks::Form_Load() {
    RefillBooks();
}

void frmAddressBooks::showEvent(QShowEvent* event) {
    // The sync of the running program may be made after this dialog: connected at each show.
    if (AddressBookSync* sync = AddressBookSync::Instance()) {
        connect(sync, &AddressBookSync::Finished, this, &frmAddressBooks::RefillBooks, Qt::UniqueConnection);
    }
    RefillBooks();
    QDialog::showEvent(event);
}

void frmAddressBooks::RefillBooks() {
    lstBooks->clear();
    try {
        for (const std::string& line : ListAddressBooks(DefaultAddressBookPaths())) {
            // Number, location, user, birthdays, last good sync, last error: the number is the row's place.
            QStringList fields = Text(line).split(QLatin1Char('\t'));
            fields.removeFirst();
            auto* item = new QTreeWidgetItem(fields);
            for (int column = 0; column < fields.size(); ++column) {
                item->setToolTip(column, fields[column]);
            }
            lstBooks->addTopLevelItem(item);
        }
    } catch (const std::exception& error) {
        MessageBox::Warn(this, QTr("Could not read the address books: %1"), error);
    }
    lstHidden->clear();
    for (const std::string& name : LoadHiddenPeople(*Forms::Environment().Settings)) {
        auto* item = new QListWidgetItem(Text(name), lstHidden);
        item->setData(Qt::UserRole, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    }
    EnableButtons();
}

void frmAddressBooks::EnableButtons() {
    const bool adding = m_addPending;
    cmdAdd->setEnabled(!adding);
    cmdRemove->setEnabled(!adding && !lstBooks->selectedItems().isEmpty());
    AddressBookSync* sync = AddressBookSync::Instance();
    cmdSync->setEnabled(sync != nullptr && !sync->Syncing() && lstBooks->topLevelItemCount() > 0);
    cmdShowAgain->setEnabled(!lstHidden->selectedItems().isEmpty());
}

void frmAddressBooks::cmdAdd_Click() {
    const QString location = txtLocation->text().trimmed();
    if (location.isEmpty() || m_addPending) {
        return;
    }
    m_addingUser = txtUser->text();
    m_addingPassword = txtPassword->text();
    AddOptions options{Bytes(m_addingUser), {}};
    if (!m_addingPassword.isEmpty()) {
        if (Forms::Environment().Passwords == nullptr) {
            // TRANSLATORS: %1 is the address book's URL or folder.
            MessageBox::Warn(this,
                             QTr("Could not add %1: no keyring is there to keep the password").arg(location));
            return;
        }
        options.Password = Bytes(m_addingPassword);
    }
    // A folder's path is as the file system spells it, not as UTF-8 may.
    const std::string where = location.contains(QStringLiteral("://"))
                                  ? Bytes(location)
                                  : QFile::encodeName(location).toStdString();
    const AddressBookPaths paths = DefaultAddressBookPaths();
    m_addPending = true;
    m_adding.setFuture(QtConcurrent::run([paths, where, options] {
        AddOutcome outcome;
        try {
            const std::vector<std::string> before = Locations(paths);
            for (const std::string& line :
                 LoadedAddressBookNetwork().Add(paths, where, options, kTimeout, std::time(nullptr))) {
                outcome.Lines << Text(line);
            }
            for (const std::string& added : Locations(paths)) {
                if (std::find(before.begin(), before.end(), added) == before.end()) {
                    outcome.AddedLocations << Text(added);
                }
            }
        } catch (const std::exception& error) {
            outcome.Error = Reason(error);
        }
        return outcome;
    }));
    EnableButtons();
}

void frmAddressBooks::AddFinished() {
    m_addPending = false;
    const AddOutcome outcome = m_adding.result();
    const QString password = std::exchange(m_addingPassword, QString());
    if (!outcome.Error.isEmpty()) {
        MessageBox::Warn(this, QTr("Could not add the address book: %1").arg(outcome.Error));
        RefillBooks();
        return;
    }
    if (!password.isEmpty()) {
        try {
            for (const QString& location : outcome.AddedLocations) {
                Forms::Environment().Passwords->Store(KeyringKey(location, m_addingUser), password);
            }
        } catch (const KeyringError& error) {
            // A subscription whose password is nowhere would fail at every sync: nothing is kept.
            for (const QString& location : outcome.AddedLocations) {
                RemoveAddressBook(DefaultAddressBookPaths(), Bytes(location));
            }
            MessageBox::Warn(this, QTr("Could not keep the password: %1"), error);
            RefillBooks();
            return;
        }
    }
    txtLocation->clear();
    txtPassword->clear();
    MessageBox::Ask(this, QMessageBox::Information, outcome.Lines.join(QLatin1Char('\n')), QMessageBox::Ok,
                    QMessageBox::Ok);
    RefillBooks();
    ShowTheChange();
}

void frmAddressBooks::cmdRemove_Click() {
    const QList<QTreeWidgetItem*> selected = lstBooks->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    const QString location = selected.first()->text(0);
    const QString user = selected.first()->text(1);
    try {
        RemoveAddressBook(DefaultAddressBookPaths(), Bytes(location));
    } catch (const std::exception& error) {
        MessageBox::Warn(this, QTr("Could not remove the address book: %1"), error);
        RefillBooks();
        return;
    }
    if (Keyring* keyring = Forms::Environment().Passwords; keyring != nullptr && !user.isEmpty()) {
        try {
            keyring->Forget(KeyringKey(location, user));
        } catch (const KeyringError&) {
            // The book is gone; a password that stays behind in a keyring that does not answer names it only.
        }
    }
    RefillBooks();
    ShowTheChange();
}

void frmAddressBooks::cmdSync_Click() {
    if (AddressBookSync* sync = AddressBookSync::Instance()) {
        sync->SyncNow();
    }
    EnableButtons();
}

void frmAddressBooks::cmdShowAgain_Click() {
    const QList<QListWidgetItem*> selected = lstHidden->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    const QByteArray name = selected.first()->data(Qt::UserRole).toByteArray();
    try {
        ShowPersonAgain(*Forms::Environment().Settings, name.toStdString());
    } catch (const std::exception& error) {
        MessageBox::Warn(this, QTr("Could not show the birthday again: %1"), error);
        return;
    }
    RefillBooks();
    ShowTheChange();
}

} // namespace candlewatcher
