#pragma once

#include <QDialog>

#include <filesystem>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace candlewatcher {

// The add dialog. It is hidden, never cleared, so its boxes keep what they held between openings.
class AddB : public QDialog {
    Q_OBJECT
public:
    AddB();
    void Form_Load();

    void Command1_Click(); // OK
    void Command2_Click(); // Cancel

    QGroupBox* Frame1 = nullptr;
    QLineEdit* Text1 = nullptr; // day
    QLineEdit* Text2 = nullptr; // month
    QLineEdit* Text3 = nullptr; // year
    QLineEdit* Text4 = nullptr; // name
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;

private:
    std::filesystem::path m_dataDirectory;
};

} // namespace candlewatcher
