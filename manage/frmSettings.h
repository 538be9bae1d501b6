#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace candlewatcher {

// The settings dialog: advance warning on or off and how many days ahead. It never reads the store: every
// refresh of the reminder panel writes the stored values into Check1 and Text1.
class frmSettings : public QDialog {
    Q_OBJECT
public:
    // Typing stops at this many characters in Text1; a longer text written by the refresh stays whole.
    static constexpr int TypedDaysLength = 2;

    frmSettings();
    void Form_Load();
    // Written by the panel's refresh: warn rounded half to even, warnDays as its shortest decimal text.
    void ShowStoredSettings(double warn, double warnDays);

    QGroupBox* Frame1 = nullptr;
    QLabel* Image1 = nullptr;
    QCheckBox* Check1 = nullptr;
    QLabel* Label1 = nullptr; // "Warn "
    QLineEdit* Text1 = nullptr;
    QLabel* Label2 = nullptr;        // "days in advance"
    QPushButton* Command1 = nullptr; // OK

    void Command1_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void SetTabOrderAndNames();
    void Text1_Edited();

    // What the last refresh wrote, so that the close box can put back what is stored.
    double m_shownWarn = 1;
    double m_shownWarnDays = 10;
    bool m_shownOnce = false;
};

// The text the day field shows for a stored number: shortest decimal, the user's decimal separator.
QString WarnDaysText(double warnDays);
// The check box state for a stored "Warn" number: rounded half to even; only 0, 1 and 2 have a state.
Qt::CheckState WarnCheckState(double warn);

} // namespace candlewatcher
