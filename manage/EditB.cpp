#include "manage/EditB.h"

#include "ui/stored_text.h"
#include "ui/translated.h"
#include "ui/twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace candlewatcher {

EditB::EditB()
    : BirthdayDialog(
          // TRANSLATORS: the title of the dialog's frame.
          QTr("Change Birthday"),
          // TRANSLATORS: the caption before the date boxes.
          QTr("&Date : "), 1695) {
    setObjectName(QStringLiteral("EditB"));
    Label4 = new QLabel(QStringLiteral("Label4"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->hide();
    connect(Command1, &QPushButton::clicked, this, &EditB::Command1_Click);
}

void EditB::Form_Load() {
    LoadDataDirectory();
}

void EditB::ShowRecord(const BirthdayRecord& record) {
    m_chosen = record;
    SetBoxText(Text1, DisplayText(record.Day));
    SetBoxText(Text2, DisplayText(record.Month));
    SetBoxText(Text3, DisplayText(record.Year));
    SetBoxText(Text4, DisplayText(record.Name));
    Label4->setText(DisplayText(record.Name));
}

void EditB::Command1_Click() {
    const std::string name = StoredBytes(Text4->text(), m_chosen.Name);
    // A name left as it was always passes; any other name must not be listed already.
    if (name != m_chosen.Name && NameIsListed(name)) {
        ShowDuplicateName();
        return;
    }
    const BirthdayRecord record{StoredBytes(Text1->text(), m_chosen.Day),
                                StoredBytes(Text2->text(), m_chosen.Month),
                                StoredBytes(Text3->text(), m_chosen.Year), name};
    const std::string oldName = m_chosen.Name;
    if (!ChangeFile([&](const BirthdayFile& file) { file.ReplaceBirthday(oldName, record); })) {
        return;
    }
    accept();
}

} // namespace candlewatcher
