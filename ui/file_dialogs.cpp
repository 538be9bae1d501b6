#include "ui/file_dialogs.h"

#include <QDir>
#include <QFileDialog>

#include <optional>

namespace candlewatcher {

namespace {

std::optional<QStringList> g_nextAnswer;

std::optional<QStringList> TakeAnswer() {
    std::optional<QStringList> answer;
    answer.swap(g_nextAnswer);
    return answer;
}

} // namespace

QStringList FileDialogs::OpenContacts(QWidget* parent) {
    if (std::optional<QStringList> answer = TakeAnswer()) {
        return *answer;
    }
    return QFileDialog::getOpenFileNames(parent, QStringLiteral("Import Contacts"), QDir::homePath(),
                                         QStringLiteral("vCard files (*.vcf *.vcard);;All files (*)"));
}

QString FileDialogs::SaveCalendar(QWidget* parent) {
    if (std::optional<QStringList> answer = TakeAnswer()) {
        return answer->value(0);
    }
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Export Calendar"),
                                        QDir::home().filePath(QStringLiteral("birthdays.ics")),
                                        QStringLiteral("iCalendar files (*.ics);;All files (*)"));
}

void FileDialogs::SetNextAnswer(const QStringList& files) {
    g_nextAnswer = files;
}

} // namespace candlewatcher
