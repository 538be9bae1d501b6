#pragma once

#include <QDialog>
#include <QFutureWatcher>
#include <QString>
#include <QStringList>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace candlewatcher {

// The address books: the subscriptions with their state (last good sync, birthdays, last error), adding
// one (a CardDAV URL or a folder of vCards, with a user and a password kept in the keyring), removing one,
// syncing now, and the people hidden from the list with a way to show them again. Errors say what the
// command line says.
class frmAddressBooks : public QDialog {
    Q_OBJECT
public:
    frmAddressBooks();
    void Form_Load();

    // Reads the subscriptions, their state and the hidden people afresh.
    void RefillBooks();
    // Whether an Add is checking an address book now, or its outcome is still to be shown.
    bool Adding() const { return m_addPending; }

    void cmdAdd_Click();
    void cmdRemove_Click();
    void cmdSync_Click();
    void cmdShowAgain_Click();

    QGroupBox* fraBooks = nullptr;
    QTreeWidget* lstBooks = nullptr; // one row a subscription
    QPushButton* cmdRemove = nullptr;
    QPushButton* cmdSync = nullptr;
    QLabel* lblLocation = nullptr;
    QLineEdit* txtLocation = nullptr; // URL or folder
    QLabel* lblUser = nullptr;
    QLineEdit* txtUser = nullptr;
    QLabel* lblPassword = nullptr;
    QLineEdit* txtPassword = nullptr;
    QPushButton* cmdAdd = nullptr;
    QGroupBox* fraHidden = nullptr;
    QListWidget* lstHidden = nullptr;
    QPushButton* cmdShowAgain = nullptr;
    QPushButton* cmdClose = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void NameLists();

    // What a finished check of a new address book brought: the lines, or the error that stopped it.
    struct AddOutcome {
        QStringList Lines;
        QString Error;
        QStringList AddedLocations; // the subscriptions it added, for the keyring
    };
    void AddFinished();
    void EnableButtons();

    QFutureWatcher<AddOutcome> m_adding;
    // From the click on Add until its outcome is shown, which comes after the check itself ends.
    bool m_addPending = false;
    QString m_addingUser;
    QString m_addingPassword; // only until the keyring has it
};

} // namespace candlewatcher
