#include "test_support.h"

#include "tray/frmMain.h"
#include "ui/forms.h"
#include "ui/message_box.h"

#include <QFile>
#include <QSettings>

#include <fstream>
#include <iterator>

namespace candlewatcher::test {

namespace {

const QString Group = QStringLiteral("Settings/");

} // namespace

WindowTestEnvironment::WindowTestEnvironment(CalendarDate today)
    : m_dataDirectory(m_dataDir.path().toStdString())
    , m_store(std::make_unique<QSettingsStore>())
    , m_today(today) {
    Forms::DestroyAll();
    // QSettings reads $XDG_CONFIG_HOME once per process; setPath points it at this test's directory.
    qputenv("XDG_CONFIG_HOME", m_configHome.path().toUtf8());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_configHome.path());
    MessageBox::FakeAnswers(true);
    MessageBox::TakeShownTexts();
    Forms::SetQuitAction([this] { ++m_quitRequests; });

    FormsEnvironment environment;
    environment.DataDirectory = m_dataDirectory;
    environment.Settings = m_store.get();
    environment.Today = [this] {
        return m_today;
    };
    Forms::SetEnvironment(std::move(environment));
}

WindowTestEnvironment::~WindowTestEnvironment() {
    Forms::DestroyAll();
    Forms::SetEnvironment(FormsEnvironment{});
    Forms::SetQuitAction([] {});
    MessageBox::FakeAnswers(false);
    MessageBox::TakeShownTexts();
}

bool WindowTestEnvironment::IsValid() const {
    return m_dataDir.isValid() && m_configHome.isValid();
}

void WindowTestEnvironment::WriteBirthdays(const std::vector<BirthdayRecord>& records) const {
    std::string bytes;
    for (const BirthdayRecord& record : records) {
        for (const std::string* field : {&record.Day, &record.Month, &record.Year, &record.Name}) {
            bytes += *field;
            bytes += "\r\n";
        }
    }
    WriteBirthdayBytes(bytes);
}

void WindowTestEnvironment::WriteBirthdayBytes(const std::string& bytes) const {
    std::ofstream out(BirthdayPath(), std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string WindowTestEnvironment::BirthdayBytes() const {
    std::ifstream in(BirthdayPath(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

QString WindowTestEnvironment::SettingsPath() const {
    return m_configHome.path() + QStringLiteral("/Candlewatcher/Candlewatcher.ini");
}

QString WindowTestEnvironment::StoredSetting(const QString& key) const {
    if (!QFile::exists(SettingsPath())) {
        return QString();
    }
    const QVariant value = QSettings(SettingsPath(), QSettings::IniFormat).value(Group + key);
    return value.isValid() ? value.toString() : QString();
}

void WindowTestEnvironment::StoreSetting(const QString& key, const QString& text) const {
    QSettings settings(SettingsPath(), QSettings::IniFormat);
    settings.setValue(Group + key, text);
    settings.sync();
}

void RefreshPanel() {
    Forms::Main().SetRefreshCounter(Forms::Main().RefreshCounter() + QStringLiteral("1"));
}

BirthdayRecord Record(std::string day, std::string month, std::string year, std::string name) {
    return BirthdayRecord{std::move(day), std::move(month), std::move(year), std::move(name)};
}

} // namespace candlewatcher::test
