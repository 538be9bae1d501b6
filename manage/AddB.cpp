#include "manage/AddB.h"

#include "tray/frmMain.h"
#include "ui/forms.h"
#include "ui/stored_text.h"
#include "ui/translated.h"

#include <QLineEdit>
#include <QPushButton>

namespace candlewatcher {

AddB::AddB()
    : BirthdayDialog(
          // TRANSLATORS: the title of the dialog's frame.
          QTr("New Birthday"),
          // TRANSLATORS: the caption before the date boxes (37 pixels wide in an 8-point font).
          QTr("&Date :"), 555) {
    setObjectName(QStringLiteral("AddB"));
    connect(Command1, &QPushButton::clicked, this, &AddB::Command1_Click);
}

void AddB::Form_Load() {
    LoadDataDirectory();
    if (Forms::MainExists()) {
        if (const std::optional<CalendarDate> start = Forms::Main().StartDate()) {
            PresetDate(*start);
        }
    }
}

void AddB::PresetDate(const CalendarDate& date) {
    Text1->setText(QString::number(date.Day));
    Text2->setText(QString::number(date.Month));
    Text3->setText(QString::number(date.Year));
}

void AddB::Command1_Click() {
    const std::string name = TypedBytes(Text4->text());
    if (NameIsListed(name)) {
        ShowDuplicateName();
        return;
    }
    const BirthdayRecord record{TypedBytes(Text1->text()), TypedBytes(Text2->text()),
                                TypedBytes(Text3->text()), name};
    if (!ChangeFile([&record](const BirthdayFile& file) { file.AppendBirthday(record); })) {
        return;
    }
    accept();
}

} // namespace candlewatcher
