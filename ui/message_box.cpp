#include "ui/message_box.h"

#include <QQueue>

namespace candlewatcher {

namespace {

bool g_fakeAnswers = false;
QQueue<QMessageBox::StandardButton> g_answers;
QStringList g_shownTexts;

} // namespace

QMessageBox::StandardButton MessageBox::Ask(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton defaultButton) {
    if (g_fakeAnswers || !g_answers.isEmpty()) {
        g_shownTexts.append(text);
        return g_answers.isEmpty() ? defaultButton : g_answers.dequeue();
    }
    QMessageBox box(icon, QStringLiteral("Candlewatcher"), text, buttons, parent);
    box.setDefaultButton(defaultButton);
    // Esc and the box's close button take the default answer. Qt would otherwise give them the No of a
    // Yes/No box, and No to the closing question ends the program.
    box.setEscapeButton(box.button(defaultButton));
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void MessageBox::Warn(QWidget* parent, const QString& text) {
    Ask(parent, QMessageBox::Warning, text, QMessageBox::Ok, QMessageBox::Ok);
}

void MessageBox::Warn(QWidget* parent, const QString& failure, const std::exception& error) {
    Warn(parent, failure.arg(Reason(error)));
}

QString Reason(const std::exception& error) {
    return QString::fromLocal8Bit(error.what());
}

void MessageBox::SetNextAnswer(QMessageBox::StandardButton answer) {
    g_answers.enqueue(answer);
}

void MessageBox::FakeAnswers(bool on) {
    g_fakeAnswers = on;
    if (!on) {
        g_answers.clear();
    }
}

QStringList MessageBox::TakeShownTexts() {
    QStringList texts;
    texts.swap(g_shownTexts);
    return texts;
}

} // namespace candlewatcher
