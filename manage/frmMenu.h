#pragma once

#include <QWidget>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class QDialog;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QListWidget;
class QPushButton;

namespace candlewatcher {

// The list window: every stored name, then the names the address books add, the add, edit, settings and
// delete buttons and the About frame. It keeps no records, only the names in List1; every click and every
// refill reads birthday.dat afresh. An address book's name cannot be edited; Delete hides it.
class frmMenu : public QWidget {
    Q_OBJECT
public:
    frmMenu();
    void Form_Load();

    // Clears and refills List1 from birthday.dat, then bumps the panel's refresh counter.
    void RefillList();
    void BumpRefreshCounter();

    // The stored bytes of every name of birthday.dat in List1, in list order: the add and edit dialogs
    // check new names against these. Each item keeps its record's bytes as item data.
    std::vector<std::string> ListedNames() const;

    void List1_Click();
    void List1_DblClick();
    void Command1_Click(); // Edit
    void Command2_Click(); // Delete
    void Command3_Click(); // Add
    void Command4_Click(); // Settings
    // Enter and Delete in List1; true when the key was one of them.
    bool List1_KeyDown(const QKeyEvent& key);
    // Shows a dialog modally, then follows as RefreshAfterChange does.
    static void ShowDialogThenRefill(QDialog& dialog);
    // After birthday.dat may have changed: refills the list window if there is one (which refreshes the
    // panel), else refreshes the panel.
    static void RefreshAfterChange();

    // Asks whether to stay in the tray or quit; the window closes either way.
    void Form_QueryUnload();

    QGroupBox* Frame1 = nullptr;
    QListWidget* List1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetTabOrderAndNames();

    // True while RefillList empties the list, whose selection change is no click of the user.
    bool m_refilling = false;
    // The address book's name last clicked, which Delete hides; none after a click on an own name.
    std::optional<std::string> m_toHide;
    std::filesystem::path m_dataDirectory;
};

} // namespace candlewatcher
