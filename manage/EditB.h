#pragma once

#include "data/birthday_file.h"

#include <QDialog>

#include <filesystem>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace candlewatcher {

// The edit dialog. The list window fills it with the chosen record; Label4 keeps the old name, which is
// also the name the list window's Delete removes.
class EditB : public QDialog {
    Q_OBJECT
public:
    EditB();
    void Form_Load();

    // Fills the four boxes and Label4 from a stored record (the list window's item click).
    void ShowRecord(const BirthdayRecord& record);
    // The stored bytes of the name in Label4.
    const std::string& OldName() const { return m_chosen.Name; }

    void Command1_Click(); // OK
    void Command2_Click(); // Cancel

    QGroupBox* Frame1 = nullptr;
    QLineEdit* Text1 = nullptr; // day
    QLineEdit* Text2 = nullptr; // month
    QLineEdit* Text3 = nullptr; // year
    QLineEdit* Text4 = nullptr; // name
    QLabel* Label4 = nullptr;   // the old name, never shown
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;

private:
    std::filesystem::path m_dataDirectory;
    // The record as the list window last filled it, as stored: unchanged boxes write these bytes back.
    BirthdayRecord m_chosen{"", "", "", "Label4"};
};

} // namespace candlewatcher
