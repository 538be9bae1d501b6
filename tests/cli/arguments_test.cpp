#include "cli/arguments.h"
#include "cli/text_columns.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace candlewatcher {
namespace {

ProgramArguments Parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "candlewatcher");
    return ParseArguments(static_cast<int>(arguments.size()), arguments.data());
}

struct ReadCase {
    const char* label;
    std::vector<const char*> arguments;
    Work requested;
    std::string dataDirectory; // relative ones are taken from /tmp
    std::vector<std::filesystem::path> files;
    bool namesDisplay;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.label;
}

class ArgumentReading : public testing::TestWithParam<ReadCase> {
protected:
    void SetUp() override {
        m_before = std::filesystem::current_path();
        std::filesystem::current_path("/tmp");
    }
    void TearDown() override { std::filesystem::current_path(m_before); }

private:
    std::filesystem::path m_before;
};

TEST_P(ArgumentReading, FindsTheWorkAndItsValues) {
    const ReadCase& c = GetParam();
    const ProgramArguments read = Parse(c.arguments);
    EXPECT_EQ(read.Requested, c.requested);
    EXPECT_EQ(read.DataDirectory.value_or("").string(), c.dataDirectory);
    EXPECT_EQ(read.ImportFiles, c.files);
    EXPECT_EQ(read.NamesDisplay, c.namesDisplay);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ArgumentReading,
    testing::Values(
        ReadCase{"nothing_starts_the_tray", {}, Work::Tray, "", {}, false},
        ReadCase{"relative_folder_made_absolute",
                 {"--data-dir", "a/./b/../c"},
                 Work::Tray,
                 "/tmp/a/c/",
                 {},
                 false},
        ReadCase{"equals_form_and_parent", {"--data-dir=..", "--list"}, Work::List, "/", {}, false},
        ReadCase{
            "last_folder_counts", {"--data-dir", "/x", "--data-dir", "/y/"}, Work::Tray, "/y/", {}, false},
        ReadCase{"bytes_as_they_are",
                 {"--data-dir", "/M\xE9", "--import", "\xFF.vcf"},
                 Work::Import,
                 "/M\xE9/",
                 {"\xFF.vcf"},
                 false},
        ReadCase{"files_after_double_dash",
                 {"--import", "--", "--list", "-"},
                 Work::Import,
                 "",
                 {"--list", "-"},
                 false},
        ReadCase{"value_that_looks_like_an_option", {"--export", "--list"}, Work::Export, "", {}, false},
        ReadCase{"qt_options_for_the_tray",
                 {"-style=fusion", "--stylesheet", "a.qss", "-reverse", "-widgetcount", "-qwindowtitle", "T"},
                 Work::Tray,
                 "",
                 {},
                 false},
        ReadCase{"platform_named", {"--platform", "offscreen"}, Work::Tray, "", {}, true},
        ReadCase{"display_named", {"-display", ":1"}, Work::Tray, "", {}, true},
        ReadCase{"version_before_help", {"-?", "-v"}, Work::Version, "", {}, false},
        ReadCase{"help_before_value_checks",
                 {"--help-all", "--days", "x", "--export", "f"},
                 Work::Help,
                 "",
                 {},
                 false}));

struct DisplayCase {
    const char* label;
    std::vector<const char*> arguments;
    const char* display;
    const char* wayland;
    const char* platform;
    bool reachable;
};

void PrintTo(const DisplayCase& c, std::ostream* os) {
    *os << c.label;
}

class DisplayCheck : public testing::TestWithParam<DisplayCase> {};

TEST_P(DisplayCheck, NeedsADisplayOrAPlatform) {
    const DisplayCase& c = GetParam();
    EXPECT_EQ(DisplayReachable(Parse(c.arguments), c.display, c.wayland, c.platform), c.reachable);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DisplayCheck,
    testing::Values(DisplayCase{"none", {}, nullptr, nullptr, nullptr, false},
                    DisplayCase{"empty_values", {}, "", "", "", false},
                    DisplayCase{"x11", {}, ":0", nullptr, nullptr, true},
                    DisplayCase{"wayland", {}, nullptr, "wayland-0", nullptr, true},
                    DisplayCase{"platform_variable", {}, nullptr, nullptr, "offscreen", true},
                    DisplayCase{
                        "platform_argument", {"-platform", "offscreen"}, nullptr, nullptr, nullptr, true}));

// The help's wrapping, by the columns a terminal gives the text: lines joined by "|".
struct WrapCase {
    const char* label;
    std::string_view text;
    std::size_t width;
    std::string lines;
};

void PrintTo(const WrapCase& c, std::ostream* os) {
    *os << c.label;
}

class HelpWrapping : public testing::TestWithParam<WrapCase> {};

TEST_P(HelpWrapping, FillsLinesByColumns) {
    std::string_view rest = GetParam().text;
    std::string lines;
    while (!rest.empty()) {
        lines += (lines.empty() ? "" : "|") + std::string(TakeLine(rest, GetParam().width));
    }
    EXPECT_EQ(lines, GetParam().lines) << "at width " << GetParam().width;
}

INSTANTIATE_TEST_SUITE_P(
    Table, HelpWrapping,
    testing::Values(WrapCase{"english_at_spaces", "one two three four", 9, "one two|three|four"},
                    WrapCase{"word_longer_than_a_line", "abcdefghij", 4, "abcd|efgh|ij"},
                    WrapCase{"cyrillic_a_column_a_letter", "один два три", 8, "один два|три"},
                    WrapCase{"japanese_two_columns_a_letter", "日本語のテキスト", 6, "日本語|のテキ|スト"},
                    WrapCase{"no_closing_mark_first", "あいう。えお", 6, "あい|う。え|お"},
                    WrapCase{"option_then_japanese", "--list で表示します", 10, "--list で|表示します"},
                    WrapCase{"hangul_at_spaces", "한국어 텍스트", 7, "한국어|텍스트"},
                    WrapCase{"stray_byte_one_column", "\xFF-bc def", 4, "\xFF-bc|def"}));

} // namespace
} // namespace candlewatcher
