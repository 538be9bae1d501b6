#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <exception>

class QWidget;

namespace candlewatcher {

// The reason an operation of the core failed, as its exception words it.
QString Reason(const std::exception& error);

// Every message box of the program goes through here: the title is always "Candlewatcher", and a test can
// queue the answers in advance so that no test ever waits on a modal box.
class MessageBox {
public:
    static QMessageBox::StandardButton Ask(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton);
    // A failure the user meets: warning icon, OK, the text saying what failed and why.
    static void Warn(QWidget* parent, const QString& text);
    // The same for a failure whose reason is `error`: `failure` says what failed, with %1 for the reason.
    static void Warn(QWidget* parent, const QString& failure, const std::exception& error);

    // Test seam: the next box is not shown; it answers with the queued button (or its default when none
    // is queued while answers are being faked).
    static void SetNextAnswer(QMessageBox::StandardButton answer);
    static void FakeAnswers(bool on);
    // The texts of the boxes answered by the seam since the last call, oldest first.
    static QStringList TakeShownTexts();
};

} // namespace candlewatcher
