#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace candlewatcher {

// The program's file dialogs, in one place so that a test can answer them in advance, as it answers
// message boxes: no test ever waits on a modal file dialog.
class FileDialogs {
public:
    // vCard files to import; empty when the user cancels.
    static QStringList OpenContacts(QWidget* parent);
    // Where to write the calendar, "birthdays.ics" proposed; empty when the user cancels.
    static QString SaveCalendar(QWidget* parent);

    // Test seam: the next dialog is not shown and answers with these files (none: cancelled).
    static void SetNextAnswer(const QStringList& files);
};

} // namespace candlewatcher
