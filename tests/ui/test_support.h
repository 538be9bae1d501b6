#pragma once

#include "data/birthday_file.h"
#include "data/date_helpers.h"
#include "platform/qsettings_store.h"

#include <QString>
#include <QTemporaryDir>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace candlewatcher::test {

// One window test's world, set up in init() and dropped in cleanup(): its own data directory, its own
// $XDG_CONFIG_HOME with a real QSettings file behind the store, a fixed "today", message boxes answered
// without showing (MessageBox::FakeAnswers), and no window left over from the test before.
class WindowTestEnvironment {
public:
    explicit WindowTestEnvironment(CalendarDate today = {6, 12, 2026});
    ~WindowTestEnvironment(); // destroys every window first, while the store still exists
    WindowTestEnvironment(const WindowTestEnvironment&) = delete;
    WindowTestEnvironment& operator=(const WindowTestEnvironment&) = delete;

    bool IsValid() const; // both temporary directories could be made

    void SetToday(CalendarDate today) { m_today = today; }
    CalendarDate TodayDate() const { return m_today; }

    const std::filesystem::path& DataDirectory() const { return m_dataDirectory; }
    std::filesystem::path BirthdayPath() const { return m_dataDirectory / "birthday.dat"; }
    // Writes birthday.dat as the program would: four CR LF lines per record.
    void WriteBirthdays(const std::vector<BirthdayRecord>& records) const;
    void WriteBirthdayBytes(const std::string& bytes) const;
    std::string BirthdayBytes() const; // "" when there is no file

    // How often the program asked to end (the windows' quit action, which here ends nothing).
    int QuitRequests() const { return m_quitRequests; }

    QSettingsStore& Store() { return *m_store; }
    QString ConfigHome() const { return m_configHome.path(); }
    QString SettingsPath() const; // $XDG_CONFIG_HOME/Candlewatcher/Candlewatcher.ini
    // Reads and writes the settings file directly, as a user editing it by hand would ("Warn", "Warn Days").
    QString StoredSetting(const QString& key) const; // a null QString when the key is absent
    void StoreSetting(const QString& key, const QString& text) const;

private:
    QTemporaryDir m_dataDir;
    QTemporaryDir m_configHome;
    std::filesystem::path m_dataDirectory;
    std::unique_ptr<QSettingsStore> m_store;
    CalendarDate m_today;
    int m_quitRequests = 0;
};

// Changes the panel's refresh counter, as the list window does after every change: the panel refreshes.
void RefreshPanel();

// A birthday record from four texts, in file order.
BirthdayRecord Record(std::string day, std::string month, std::string year, std::string name);

} // namespace candlewatcher::test
