#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimeEdit;

namespace candlewatcher {

// The notification settings: the notice on the day, one some days before, and the time of day before
// which none comes. It shows what is stored each time it opens; OK stores and takes effect at once.
class frmNotifications : public QDialog {
    Q_OBJECT
public:
    frmNotifications();
    void Form_Load();
    // Opens it modal with the stored settings, or raises it when it is open already.
    void ShowStored();

    QCheckBox* Check1 = nullptr; // on the day
    QCheckBox* Check2 = nullptr; // also days before
    QSpinBox* Text1 = nullptr;   // how many days before
    QLabel* Label1 = nullptr;    // "days before"
    QLabel* Label2 = nullptr;    // "Not before"
    QTimeEdit* Time1 = nullptr;
    QPushButton* Command1 = nullptr; // OK
    QPushButton* Command2 = nullptr; // Cancel

    void Command1_Click();

private:
    void LoadStored();
    // Kept from the stored settings: the dialog has no control for it.
    int m_snoozeMinutes = 60;
};

} // namespace candlewatcher
