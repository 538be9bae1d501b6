#pragma once

#include "test_support.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <sys/resource.h>

class QDialog;
class QLineEdit;

namespace candlewatcher::manage_test {

// A fresh program for one test (see WindowTestEnvironment) whose quit only raises a flag.
class ManageFixture {
public:
    ManageFixture();
    ~ManageFixture();

    QString DataPath() const;
    void WriteData(const QByteArray& bytes) const;
    QByteArray ReadData() const;

    test::WindowTestEnvironment Environment;
    bool QuitRequested = false;
};

// The add and edit dialogs' answer to a name that another record carries.
extern const QString Duplicate;

// Replaces a box's text by typing, as the user does after the box selected its text on focus.
void Type(QLineEdit* box, const QString& text);

// birthday.dat bytes: four CR LF lines per record.
QByteArray Records(const QList<QStringList>& records);

// Shows a dialog modally the way the program does (trigger, e.g. clicking the list window's button) and runs
// inside while it is open. A dialog that inside left open is cancelled, so no test waits; the return value
// says whether it was still open.
bool WhileModal(QDialog& dialog, const std::function<void()>& trigger, const std::function<void()>& inside);

// Every write to a file of this process fails with EFBIG while it lives, as on a full disk; works as root.
class FailingWrites {
public:
    FailingWrites();
    ~FailingWrites();
    FailingWrites(const FailingWrites&) = delete;
    FailingWrites& operator=(const FailingWrites&) = delete;

private:
    rlimit m_old{};
};

} // namespace candlewatcher::manage_test
