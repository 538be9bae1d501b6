#include "data/ini_settings_reader.h"
#include "platform/qsettings_store.h"
#include "tests/unit/data_files.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QString>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace candlewatcher {
namespace {

namespace fs = std::filesystem;
using testing_support::TemporaryDirectory;
using testing_support::WriteBytes;

// QSettings finds the settings folder once per process and keeps the files it has read: every test of
// this program shares one XDG_CONFIG_HOME, set before the first QSettings, and each uses an application
// name, and so a file, of its own.
const TemporaryDirectory& ConfigHome() {
    static const TemporaryDirectory scratch;
    return scratch;
}

class SettingsFolder {
public:
    explicit SettingsFolder(std::string app)
        : m_app(std::move(app)) {
        ::setenv("XDG_CONFIG_HOME", ConfigHome().Path().c_str(), 1);
    }
    const std::string& App() const { return m_app; }
    fs::path File() const { return ConfigHome().Path() / m_app / (m_app + ".ini"); }
    void Write(std::string_view bytes) const {
        fs::create_directories(File().parent_path());
        WriteBytes(File(), bytes);
    }

private:
    std::string m_app;
};

// What each store returns, or the message it throws.
std::string Read(const SettingsStore& store, const SettingsFolder& folder, const std::string& section,
                 const std::string& key) {
    try {
        return store.GetSetting(folder.App(), section, key, "<default>");
    } catch (const std::exception& error) {
        return std::string("error: ") + error.what();
    }
}

struct WrittenCase {
    const char* label;
    std::string section;
    std::string key;
    std::string text;
};

void PrintTo(const WrittenCase& c, std::ostream* os) {
    *os << c.label;
}

class WrittenByQSettings : public testing::TestWithParam<WrittenCase> {};

// QSettings writes the text (with a neighbour, so the file has more than one line); the reader must read
// back the very text that QSettings reads back.
TEST_P(WrittenByQSettings, ReadsWhatQSettingsReads) {
    const WrittenCase& c = GetParam();
    const SettingsFolder folder(std::string("written_") + c.label);
    QSettingsStore writer;
    writer.SaveSetting(folder.App(), "Neighbour", "Warn", "1");
    writer.SaveSetting(folder.App(), c.section, c.key, c.text);
    EXPECT_EQ(Read(IniSettingsReader(), folder, c.section, c.key), c.text);
    EXPECT_EQ(Read(QSettingsStore(), folder, c.section, c.key), c.text);
    EXPECT_EQ(Read(IniSettingsReader(), folder, "Neighbour", "Warn"), "1");
}

INSTANTIATE_TEST_SUITE_P(
    Table, WrittenByQSettings,
    testing::Values(WrittenCase{"empty", "Settings", "Warn Days", ""},
                    WrittenCase{"comma", "Settings", "Warn Days", "1,5"},
                    WrittenCase{"quotes", "Settings", "Warn", "say \"hi\" \"there\""},
                    WrittenCase{"backslashes", "Settings", "Warn", "C:\\dir\\x41\\"},
                    WrittenCase{"non_ascii", "Settings", "Warn", "Zo\xC3\xAB \xE2\x82\xAC \xF0\x9F\x8E\x82"},
                    WrittenCase{"blanks_at_both_ends", "Settings", "Warn", "  10 \t"},
                    WrittenCase{"equals_and_semicolon", "Settings", "Warn", "a=b;c"},
                    WrittenCase{"equals_in_the_key", "Set=tings", "W=arn", "x"},
                    WrittenCase{"non_ascii_key", "Einstellungen \xC3\xBC", "T\xC3\xA4ge \xE2\x82\xAC", "7"},
                    WrittenCase{"control_characters", "Settings", "Warn",
                                "tab\there\nline\x01"
                                "a\x7F"},
                    WrittenCase{"leading_at", "Settings", "Warn", "@ByteArray(x)"},
                    WrittenCase{"general_group", "General", "Warn", "g"},
                    WrittenCase{"percent_in_the_key", "Settings", "50% Warn", "%20"}));

struct HandWrittenCase {
    const char* label;
    std::string file;
    std::string key; // group/key
    std::string expected;
};

void PrintTo(const HandWrittenCase& c, std::ostream* os) {
    *os << c.label;
}

class HandWritten : public testing::TestWithParam<HandWrittenCase> {};

TEST_P(HandWritten, ReadsAsQSettingsReads) {
    const HandWrittenCase& c = GetParam();
    const SettingsFolder folder(std::string("hand_") + c.label);
    folder.Write(c.file);
    const std::size_t slash = c.key.find('/');
    const std::string section = c.key.substr(0, slash), key = c.key.substr(slash + 1);
    EXPECT_EQ(Read(IniSettingsReader(), folder, section, key), c.expected);
    EXPECT_EQ(Read(QSettingsStore(), folder, section, key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HandWritten,
    testing::Values(
        HandWrittenCase{"bom_and_crlf", "\xEF\xBB\xBF[Settings]\r\nWarn%20Days=7\r\n", "Settings/Warn Days",
                        "7"},
        HandWrittenCase{"comments", "; top\n[Settings]\n  ; Warn=9\nWarn=5 ; note\n", "Settings/Warn", "5"},
        HandWrittenCase{"later_key_wins", "[Settings]\nWarn=1\n[Other]\nx=y\n[Settings]\nWarn=2\n",
                        "Settings/Warn", "2"},
        HandWrittenCase{"group_beats_general", "[Settings]\nWarn=1\n[General]\nSettings\\Warn=2\n",
                        "Settings/Warn", "1"},
        HandWrittenCase{"key_outside_any_group", "Warn=1\n[Settings]\nx=2\n", "Settings/Warn", "<default>"},
        HandWrittenCase{"group_names_are_exact", "[settings]\nWarn=1\n", "Settings/Warn", "<default>"},
        HandWrittenCase{"escaped_names", "[ Sett%69ngs ]\nW%U0061rn = 3 \n", "Settings/Warn", "3"},
        HandWrittenCase{"quoted_then_more", "[Settings]\nWarn=  \"x \" y  \n", "Settings/Warn", "x y  "},
        HandWrittenCase{"escapes", "[Settings]\nWarn=\\x41\\102\\q\\t|\\x1F600\n", "Settings/Warn",
                        "AB\t|\xEF\x98\x80"},
        HandWrittenCase{"line_continued", "[Settings]\nWarn=a\\\r\n b\r\n", "Settings/Warn", "a b"},
        HandWrittenCase{"quotes_span_lines", "[Settings]\nWarn=\"a\nb\"\n", "Settings/Warn", "a\nb"},
        HandWrittenCase{"list_reads_empty", "[Settings]\nWarn=1, 5\n", "Settings/Warn", ""},
        HandWrittenCase{"latin1_bytes", "[Settings]\nWarn=caf\xE9 \xE2\x82!\n", "Settings/Warn",
                        "caf\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD!"},
        HandWrittenCase{"byte_array", "[Settings]\nWarn=@ByteArray(caf\\xc3\\xa9)\n", "Settings/Warn",
                        "caf\xC3\xA9"},
        HandWrittenCase{"variant_int", "[Settings]\nWarn=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\xc)\n",
                        "Settings/Warn", "12"},
        HandWrittenCase{"variant_date", "[Settings]\nWarn=@Variant(\\0\\0\\0\\xe\\0%\\x8e\\xc5)\n",
                        "Settings/Warn", "2026-12-06"},
        HandWrittenCase{"invalid_is_the_default", "[Settings]\nWarn=@Invalid()\n", "Settings/Warn",
                        "<default>"},
        HandWrittenCase{"double_at", "[Settings]\nWarn=@@x\n", "Settings/Warn", "@x"},
        HandWrittenCase{"lone_surrogate", "[Settings]\nWarn=\\xd800z\n", "Settings/Warn", "?z"},
        HandWrittenCase{"stray_line_passed_over", "[Settings]\ngarbage\nWarn=1\n", "Settings/Warn", "1"},
        HandWrittenCase{"open_header", "[Settings\nWarn=1\n", "Settings/Warn", "1"}));

TEST(IniSettingsReader, MissingFileGivesDefaultsAndAFolderInItsPlaceIsAnError) {
    const SettingsFolder folder("folder_in_place");
    EXPECT_EQ(Read(IniSettingsReader(), folder, "Settings", "Warn"), "<default>");
    fs::create_directories(folder.File());
    const std::string expected =
        "error: Cannot read " + folder.File().string() + ": a folder of that name is in its place";
    EXPECT_EQ(Read(IniSettingsReader(), folder, "Settings", "Warn"), expected);
    EXPECT_EQ(Read(QSettingsStore(), folder, "Settings", "Warn"), expected);
}

// Where QSettings looks, as it looked in this process and, for other environments, as it was seen to look.
TEST(IniSettingsReader, FindsTheFileWhereQSettingsLooks) {
    const SettingsFolder folder("path");
    EXPECT_EQ(IniSettingsPath("path", ConfigHome().Path().c_str(), "/home/ann").string(),
              QSettingsStore::FilePath("path").toStdString());
    const fs::path here = fs::current_path();
    struct PathCase {
        const char* xdgConfigHome;
        const char* home;
        fs::path expected;
    };
    for (const PathCase& c : {PathCase{nullptr, "/home/ann", "/home/ann/.config/A/A.ini"},
                              PathCase{"", "/home/ann/", "/home/ann/.config/A/A.ini"},
                              PathCase{"cfg/./x", "/home/ann", here / "cfg/x/A/A.ini"},
                              PathCase{"/etc/cfg/", "/home/ann", "/etc/cfg/A/A.ini"},
                              PathCase{nullptr, nullptr, "/.config/A/A.ini"}}) {
        EXPECT_EQ(IniSettingsPath("A", c.xdgConfigHome, c.home), c.expected)
            << (c.xdgConfigHome ? c.xdgConfigHome : "(unset)");
    }
}

} // namespace
} // namespace candlewatcher
