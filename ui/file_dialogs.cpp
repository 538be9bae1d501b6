#include "ui/file_dialogs.h"

#include "ui/translated.h"

#include <QDir>
#include <QFileDialog>

#include <optional>

namespace candlewatcher {

namespace {

std::optional<QStringList> g_nextAnswer;

// A file dialog's filter: the kind of file in the user's language, then the name patterns.
QString Filters(const QString& kind, const QString& patterns) {
    // TRANSLATORS: a file dialog's filter; %1 are the file name patterns, such as *.ics.
    return kind.arg(patterns) + QStringLiteral(";;") + QTr("All files (%1)").arg(QStringLiteral("*"));
}

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
    // TRANSLATORS: the title of the file dialog that chooses the vCard files, and its filter.
    return QFileDialog::getOpenFileNames(parent, QTr("Import Contacts"), QDir::homePath(),
                                         Filters(QTr("vCard files (%1)"), QStringLiteral("*.vcf *.vcard")));
}

QString FileDialogs::SaveCalendar(QWidget* parent) {
    if (std::optional<QStringList> answer = TakeAnswer()) {
        return answer->value(0);
    }
    return QFileDialog::getSaveFileName(parent, QTr("Export Calendar"),
                                        QDir::home().filePath(QStringLiteral("birthdays.ics")),
                                        Filters(QTr("iCalendar files (%1)"), QStringLiteral("*.ics")));
}

void FileDialogs::SetNextAnswer(const QStringList& files) {
    g_nextAnswer = files;
}

} // namespace candlewatcher
