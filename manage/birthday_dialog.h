#pragma once

#include "data/birthday_file.h"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace candlewatcher {

// What the add and edit dialogs share: the frame with the date and name boxes, OK and Cancel, select-all on
// focus, and the road by which a new record reaches the file. Both are hidden, never cleared, so their boxes
// keep what they held between openings. The close box acts as Cancel.
class BirthdayDialog : public QDialog {
    Q_OBJECT
public:
    void Command2_Click(); // Cancel

    // When a box gets the focus, by mouse or keyboard, its whole text is selected so typing replaces it.
    void Text1_GotFocus();
    void Text2_GotFocus();
    void Text3_GotFocus();
    void Text4_GotFocus();

    // Puts a stored text into a box whole: the box's length limit applies to typing only.
    static void SetBoxText(QLineEdit* box, const QString& text);

    QGroupBox* Frame1 = nullptr;
    QLineEdit* Text1 = nullptr;      // day
    QLineEdit* Text2 = nullptr;      // month
    QLineEdit* Text3 = nullptr;      // year
    QLineEdit* Text4 = nullptr;      // name
    QPushButton* Command1 = nullptr; // OK
    QPushButton* Command2 = nullptr; // Cancel
    QLabel* b = nullptr;             // "Date :"
    QLabel* Label1 = nullptr;        // "Person : "
    QLabel* Label2 = nullptr;        // "/" between day and month
    QLabel* Label3 = nullptr;        // "/" between month and year
    QLabel* Label5 = nullptr;        // "DD"
    QLabel* Label6 = nullptr;        // "MM"
    QLabel* Label7 = nullptr;        // "YYYY"
    QLabel* Label8 = nullptr;        // "-" between "MM" and "YYYY"
    QLabel* Label9 = nullptr;        // "-" between "DD" and "MM"

protected:
    BirthdayDialog(const QString& frameCaption, const QString& dateCaption, int dateCaptionWidthTwips);

    // Determines the data directory; nothing is read from the file.
    void LoadDataDirectory();

    // Whether the list window shows an item that reads exactly as these stored bytes do.
    static bool NameIsListed(const std::string& nameBytes);
    // The duplicate-name message; the dialog stays open as it was.
    void ShowDuplicateName();
    // Runs one change of birthday.dat. On failure the user is told what failed and why, and false comes back:
    // the file is as it was and the dialog stays open with the user's input.
    bool ChangeFile(const std::function<void(const BirthdayFile&)>& change);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetTabOrderAndNames();
    QLineEdit* NewBox(const QString& name, const QString& text, int maxLength, const QRect& geometry);
    static void SelectAllSoon(QLineEdit* box);
    static void BoxEdited(QLineEdit* box);

    std::filesystem::path m_dataDirectory;
};

} // namespace candlewatcher
