#pragma once

#include "manage/birthday_dialog.h"

namespace candlewatcher {

// The add dialog: OK appends the four boxes as a new record unless the list window already shows the name.
// The main window presets the date boxes with today's date at start-up.
class AddB : public BirthdayDialog {
    Q_OBJECT
public:
    AddB();
    void Form_Load();

    void Command1_Click(); // OK
};

} // namespace candlewatcher
