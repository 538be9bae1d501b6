#include "test_support_manage.h"

#include "manage/frmMenu.h"
#include "ui/forms.h"

#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <csignal>

namespace candlewatcher::manage_test {

ManageFixture::ManageFixture() {
    Forms::SetQuitAction([this] { QuitRequested = true; });
}

ManageFixture::~ManageFixture() {
    Forms::DestroyAll();
    Forms::SetQuitAction([] {});
}

QString ManageFixture::DataPath() const {
    return QString::fromStdString(Environment.BirthdayPath().string());
}

void ManageFixture::WriteData(const QByteArray& bytes) const {
    QFile file(DataPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write the test's birthday.dat");
    }
}

QByteArray ManageFixture::ReadData() const {
    QFile file(DataPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

const QString Duplicate =
    QStringLiteral("A birthday with this name already exists.  Please choose a different name.");

void Type(QLineEdit* box, const QString& text) {
    box->selectAll();
    for (const QChar character : text) {
        if (character.unicode() < 0x80) {
            QTest::keyClick(box, character.toLatin1());
        } else {
            box->insert(character); // as an input method gives it; key events carry ASCII only
        }
    }
}

QByteArray Records(const QList<QStringList>& records) {
    QByteArray bytes;
    for (const QStringList& record : records) {
        for (const QString& field : record) {
            // Latin-1 keeps a test's single-byte names as the bytes they are.
            bytes += field.toLatin1() + "\r\n";
        }
    }
    return bytes;
}

bool WhileModal(QDialog& dialog, const std::function<void()>& trigger, const std::function<void()>& inside) {
    bool stillOpen = false;
    QTimer::singleShot(0, &dialog, [&] {
        inside();
        stillOpen = dialog.isVisible();
        if (stillOpen) {
            dialog.reject();
        }
    });
    trigger();
    return stillOpen;
}

FailingWrites::FailingWrites() {
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &m_old);
    rlimit none = m_old;
    none.rlim_cur = 0;
    setrlimit(RLIMIT_FSIZE, &none);
}

FailingWrites::~FailingWrites() {
    setrlimit(RLIMIT_FSIZE, &m_old);
}

} // namespace candlewatcher::manage_test
