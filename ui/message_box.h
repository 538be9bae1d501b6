#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

namespace candlewatcher {

// Every message box of the program goes through here: the title is always "Candlewatcher", and a test can
// queue the answers in advance so that no test ever waits on a modal box.
class MessageBox {
public:
    static QMessageBox::StandardButton Ask(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton);
    // A failure the user meets: warning icon, OK, the text saying what failed and why.
    static void Warn(QWidget* parent, const QString& text);

    // Test seam: the next box is not shown; it answers with the queued button (or its default when none
    // is queued while answers are being faked).
    static void SetNextAnswer(QMessageBox::StandardButton answer);
    static void FakeAnswers(bool on);
    // The texts of the boxes answered by the seam since the last call, oldest first.
    static QStringList TakeShownTexts();
};

} // namespace candlewatcher
