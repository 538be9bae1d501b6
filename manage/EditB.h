#pragma once

#include "manage/birthday_dialog.h"

#include <string>

namespace candlewatcher {

// The edit dialog. The list window fills it with the chosen record; Label4 keeps the old name, which is
// also the name the list window's Delete removes. The record is found by that name, never by its place.
class EditB : public BirthdayDialog {
    Q_OBJECT
public:
    EditB();
    void Form_Load();

    // Fills the four boxes and Label4 from a stored record (the list window's item click).
    void ShowRecord(const BirthdayRecord& record);
    // The stored bytes of the name in Label4.
    const std::string& OldName() const { return m_chosen.Name; }

    void Command1_Click(); // OK

    QLabel* Label4 = nullptr; // the old name, never shown

private:
    // The record as the list window last filled it, as stored: boxes left as shown write these bytes back.
    // Until the first fill it names the design caption of Label4.
    BirthdayRecord m_chosen{"", "", "", "Label4"};
};

} // namespace candlewatcher
