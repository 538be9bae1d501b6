#pragma once

#include "manage/birthday_dialog.h"

namespace candlewatcher {

struct CalendarDate;

// The add dialog: OK appends the four boxes as a new record unless the list window already shows the name.
// The date boxes start with the date of the main window's start-up.
class AddB : public BirthdayDialog {
    Q_OBJECT
public:
    AddB();
    void Form_Load();
    void PresetDate(const CalendarDate& date);

    void Command1_Click(); // OK
};

} // namespace candlewatcher
