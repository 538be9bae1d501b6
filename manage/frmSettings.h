#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace candlewatcher {

// The settings dialog: advance warning on or off and how many days ahead. It never reads the store: every
// refresh of the reminder panel writes the stored values into Check1 and Text1.
class frmSettings : public QDialog {
    Q_OBJECT
public:
    frmSettings();
    void Form_Load();
    // Written by the panel's refresh: warn rounded half to even, warnDays as its shortest decimal text.
    void ShowStoredSettings(double warn, double warnDays);

    QCheckBox* Check1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr; // OK

    void Command1_Click();
};

} // namespace candlewatcher
