#include "contacts/birthday_value.h"
#include "contacts/contact_import.h"

#include "data_files.h"
#include "language_environment.h"

#include <gtest/gtest.h>

#include <csignal>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace candlewatcher {
namespace {

using testing_support::ReadBytes;
using testing_support::TemporaryDirectory;
using testing_support::WriteBytes;
namespace fs = std::filesystem;

struct DateCase {
    std::string Value;
    std::string ValueType;
    std::optional<int> OmittedYear;
    std::string Expected; // "day.month.year", or the start of the problem
};

void PrintTo(const DateCase& c, std::ostream* out) {
    *out << c.Value;
}

class BirthDateTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(BirthDateTest, IsReadOrRefusedWithAReason) {
    const DateCase& c = GetParam();
    const BirthDateReading reading = ReadBirthDate(VCardBirthday{c.Value, c.ValueType, "", c.OmittedYear});
    const std::string got = reading.Date ? std::to_string(reading.Date->Day) + "." +
                                               std::to_string(reading.Date->Month) + "." +
                                               std::to_string(reading.Date->Year)
                                         : reading.Problem;
    EXPECT_EQ(got.substr(0, c.Expected.size()), c.Expected) << c.Value << " gave " << got;
}

INSTANTIATE_TEST_SUITE_P(
    Values, BirthDateTest,
    ::testing::Values(DateCase{"19900715", "", {}, "15.7.1990"}, DateCase{"1990-07-05", "", {}, "5.7.1990"},
                      DateCase{"1990-07-15T10:22:00Z", "date-and-or-time", {}, "15.7.1990"},
                      DateCase{"19900715T000000", "", {}, "15.7.1990"}, DateCase{"--0715", "", {}, "15.7.0"},
                      DateCase{"--07-15", "", {}, "15.7.0"}, DateCase{"--02-29", "", {}, "29.2.0"},
                      DateCase{"2000-02-29", "", {}, "29.2.2000"}, DateCase{"0000-03-01", "", {}, "1.3.0"},
                      DateCase{"00010301", "", {}, "1.3.0"}, DateCase{"1604-07-15", "date", 1604, "15.7.0"},
                      DateCase{"1605-07-15", "", 1604, "15.7.1605"},
                      DateCase{"1991-02-29", "", {}, "the birthday is not a real day"},
                      DateCase{"1990-02-30", "", {}, "the birthday is not a real day"},
                      DateCase{"1990-13-01", "", {}, "the birthday is not a real day"},
                      DateCase{"--0700", "", {}, "the birthday is not a real day"},
                      DateCase{
                          "circa 1800", "TEXT", {}, "the birthday is a text, not a date: \"circa 1800\""},
                      DateCase{"1990", "", {}, "the birthday lacks its day or its month"},
                      DateCase{"1990-07", "", {}, "the birthday lacks its day or its month"},
                      DateCase{"---15", "", {}, "the birthday lacks its day or its month"},
                      DateCase{"15.07.1990", "", {}, "the birthday is not a date: \"15.07.1990\""},
                      DateCase{"1990-7-15", "", {}, "the birthday is not a date"},
                      DateCase{"\x89PNG\x01", "", {}, "the birthday is not a date:"}));

VCardContact Card(std::string name, std::string birthday = "1990-07-15") {
    VCardContact contact{std::move(name), "", std::nullopt};
    if (!birthday.empty())
        contact.Birthday = VCardBirthday{std::move(birthday), "", "", std::nullopt};
    return contact;
}

TEST(PlanImportTest, SkipsWhatCannotOrNeedNotBeAdded) {
    const std::vector<BirthdayRecord> existing{{"1", "2", "2000", "Tom Baker"}, {"1", "2", "2000", "ann"}};
    VCardContact unreadable = Card("");
    unreadable.UnreadableNameCharset = "X-MADE-UP";
    const ImportPlan plan = PlanImport(existing, {Card("Ann"), Card("Tom Baker"), Card("Tom Baker "),
                                                  Card("Bo", ""), Card(""), unreadable, Card("Ann", "--0101"),
                                                  Card("Cy", "1990-02-30"), Card("Di", "--0229")});
    const std::vector<BirthdayRecord> added{
        {"15", "7", "1990", "Ann"}, {"15", "7", "1990", "Tom Baker "}, {"29", "2", "0", "Di"}};
    EXPECT_EQ(plan.Added, added);
    EXPECT_EQ(ImportSummary(plan),
              (std::vector<std::string>{
                  "Added: Ann (15.7.1990)", "Added: Tom Baker  (15.7.1990)", "Added: Di (29.2.)",
                  "Skipped: Tom Baker: already in the list", "Skipped: Bo: no birthday",
                  "Skipped: a card without a name",
                  "Skipped: a card: the name is in a character set that cannot be read (X-MADE-UP)",
                  "Skipped: Ann: already imported from an earlier card",
                  "Skipped: Cy: the birthday is not a real day: \"1990-02-30\"", "3 added, 6 skipped"}));
}

struct GuardCase {
    const char* What;
    std::vector<BirthdayRecord> Existing;
    VCardContact Contact;
    std::string Line; // the first line of the summary
};

void PrintTo(const GuardCase& c, std::ostream* out) {
    *out << c.What;
}

VCardContact Sized(VCardContact contact, std::size_t cardBytes) {
    contact.CardBytes = cardBytes;
    return contact;
}

VCardContact Unreadable(std::string charset) {
    VCardContact contact = Card("");
    contact.UnreadableNameCharset = std::move(charset);
    return contact;
}

class ImportGuardTest : public ::testing::TestWithParam<GuardCase> {};

// What a card may bring into the list and onto the screen, and how the summary says it was kept out.
TEST_P(ImportGuardTest, SaysWhatItAddedOrWhyNot) {
    EXPECT_EQ(ImportSummary(PlanImport(GetParam().Existing, {GetParam().Contact})).front(), GetParam().Line);
}

const std::string kLongName(1001, 'x');

INSTANTIATE_TEST_SUITE_P(
    Cards, ImportGuardTest,
    ::testing::Values(
        GuardCase{"a Windows-1252 name in the list",
                  {{"1", "2", "0", "M\xFCller"}},
                  Card("M\xC3\xBCller"),
                  "Skipped: M\xC3\xBCller: already in the list"},
        GuardCase{"a marked UTF-8 name in the list",
                  {{"1", "2", "0", "\xEF\xBB\xBFZo\xC3\xAB"}},
                  Card("Zo\xC3\xAB"),
                  "Skipped: Zo\xC3\xAB: already in the list"},
        GuardCase{"another letter is another person",
                  {{"1", "2", "0", "M\xFCller"}},
                  Card("Muller"),
                  "Added: Muller (15.7.1990)"},
        GuardCase{"a name of 1,000 bytes",
                  {},
                  Card(std::string(1000, 'y')),
                  "Added: " + std::string(1000, 'y') + " (15.7.1990)"},
        GuardCase{"a name of 1,001 bytes",
                  {},
                  Card(kLongName),
                  "Skipped: " + std::string(60, 'x') + "...: the name is longer than 1,000 bytes"},
        GuardCase{"a long name cut before a character, not inside it",
                  {},
                  Card(std::string(59, 'x') + "\xC3\xBC" + std::string(1000, 'x')),
                  "Skipped: " + std::string(59, 'x') + "...: the name is longer than 1,000 bytes"},
        GuardCase{"a card of 1 MiB", {}, Sized(Card("Ann"), 1 << 20), "Added: Ann (15.7.1990)"},
        GuardCase{"a card over 1 MiB",
                  {},
                  Sized(Card("Ann"), (1 << 20) + 1),
                  "Skipped: Ann: the card is larger than 1 MiB"},
        GuardCase{"an escape sequence in a name",
                  {},
                  Card("Ann\x1B[2J"),
                  "Skipped: Ann\xEF\xBF\xBD[2J: the name holds control characters"},
        GuardCase{"a C1 control in a name",
                  {},
                  Card("Ann\xC2\x9B"
                       "2J"),
                  "Skipped: Ann\xEF\xBF\xBD"
                  "2J: the name holds control characters"},
        GuardCase{"a known set the name is not valid in",
                  {},
                  Unreadable("SHIFT_JIS"),
                  "Skipped: a card: the name is not valid in its character set (SHIFT_JIS)"},
        GuardCase{"a set named with control characters",
                  {},
                  Unreadable("X\x1B]0;t\x07"),
                  "Skipped: a card: the name is in a character set that cannot be read "
                  "(X\xEF\xBF\xBD]0;t\xEF\xBF\xBD)"}));

class ImportContactsTest : public ::testing::Test {
protected:
    fs::path VCard(const std::string& name, const std::string& bytes) {
        WriteBytes(dir.Path() / name, bytes);
        return dir.Path() / name;
    }

    TemporaryDirectory dir;
    BirthdayFile file{dir.Path() / "data"};
    const std::string kFormer = "1\r\n2\r\n2000\r\nTom Baker\r\n7\r\n8";
};

TEST_F(ImportContactsTest, AddsTheCardsOfEveryFileWithOneWrite) {
    fs::create_directory(dir.Path() / "data");
    WriteBytes(file.DataPath(), kFormer); // ends inside a record: the file is written anew, whole
    const fs::path first = VCard("a.vcf", "BEGIN:VCARD\nVERSION:3.0\nFN:Ann Lee\nBDAY:1990-07-15\nEND:VCARD\n"
                                          "BEGIN:VCARD\nFN:Tom Baker\nBDAY:1934-01-20\nEND:VCARD\n");
    const fs::path second =
        VCard("b.vcf", "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Lee;Ann\r\nBDAY:19900715\r\nEND:VCARD\r\n"
                       "BEGIN:VCARD\r\nFN:Cy\r\nBDAY:--0301\r\nEND:VCARD\r\n");
    const ImportReport report = ImportContactFiles(dir.Path() / "data", {first, second});
    EXPECT_EQ(ReadBytes(file.DataPath()), "1\r\n2\r\n2000\r\nTom Baker\r\n7\r\n8\r\n\r\n\r\n"
                                          "15\r\n7\r\n1990\r\nAnn Lee\r\n1\r\n3\r\n0\r\nCy\r\n");
    EXPECT_EQ(report.Lines.back(), "2 added, 2 skipped");
    EXPECT_EQ(report.Added, 2u);
    EXPECT_EQ(report.Skipped, 2u);
    // Importing the same files again adds nothing and leaves the file as it is.
    const std::string after = ReadBytes(file.DataPath());
    EXPECT_TRUE(ImportContacts(file, {first}).Added.empty());
    EXPECT_EQ(ReadBytes(file.DataPath()), after);
}

TEST_F(ImportContactsTest, AFileThatCannotBeReadStopsTheImportBeforeAnyWrite) {
    fs::create_directory(dir.Path() / "data");
    WriteBytes(file.DataPath(), kFormer);
    const fs::path good = VCard("good.vcf", "BEGIN:VCARD\nFN:Ann\nBDAY:1990-07-15\nEND:VCARD\n");
    const fs::path notVCard = VCard("notes.txt", "FN:Ann\n");
    for (const auto& [bad, reason] :
         {std::pair{dir.Path() / "missing.vcf", "No such file or directory"},
          std::pair{dir.Path(), "Is a directory"}, std::pair{notVCard, "it holds no vCard"}}) {
        try {
            ImportContacts(file, {good, bad});
            ADD_FAILURE() << bad << " was imported";
        } catch (const ImportError& error) {
            EXPECT_EQ(std::string(error.what()), bad.string() + ": " + reason);
        }
    }
    EXPECT_EQ(ReadBytes(file.DataPath()), kFormer);
}

// The choice of what to add is made with the writer lock held, so no other change can come between the
// reading of the existing names and the write.
TEST_F(ImportContactsTest, TheExistingNamesAreReadUnderTheWriterLock) {
    file.AppendBirthday({"1", "2", "2000", "Ann"});
    const std::vector<BirthdayRecord> chosen = file.AppendChosenBirthdays([&](const auto& existing) {
        const int other = ::open((dir.Path() / "data").c_str(), O_RDONLY | O_DIRECTORY);
        EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0) << "the writer lock is not held while choosing";
        ::close(other);
        EXPECT_EQ(existing.size(), 1u);
        return std::vector<BirthdayRecord>{{"3", "4", "0", "Bob"}, {"5", "6", "0", "Cy"}};
    });
    EXPECT_EQ(chosen.size(), 2u);
    EXPECT_EQ(ReadBytes(file.DataPath()),
              "1\r\n2\r\n2000\r\nAnn\r\n3\r\n4\r\n0\r\nBob\r\n5\r\n6\r\n0\r\nCy\r\n");
    EXPECT_THROW(file.AppendBirthdays({{"1", "1", "0", "Ok"}, {"1", "1", "0", "Not\nok"}}),
                 BirthdayFileError);
    EXPECT_EQ(file.ReadBirthdays().size(), 3u);
}

// A disk that takes only part of the new records: the file size limit of a child process stops the write
// a few bytes in. Nothing may be added, byte for byte, whether the file ends cleanly or inside a record.
TEST_F(ImportContactsTest, AFailingWriteAddsNothing) {
    std::string cards;
    for (int i = 0; i < 50; ++i)
        cards += "BEGIN:VCARD\nFN:Person " + std::to_string(i) + "\nBDAY:1990-07-15\nEND:VCARD\n";
    const fs::path vcard = VCard("many.vcf", cards);
    for (const std::string& former : {kFormer, std::string("1\r\n2\r\n2000\r\nTom\r\n"), std::string()}) {
        fs::remove_all(dir.Path() / "data");
        fs::create_directory(dir.Path() / "data");
        if (!former.empty())
            WriteBytes(file.DataPath(), former);
        const pid_t child = ::fork();
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{former.size() + 20, former.size() + 20};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            try {
                ImportContacts(file, {vcard});
            } catch (const BirthdayFileError&) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "the failed write was not reported";
        EXPECT_EQ(fs::exists(file.DataPath()) ? ReadBytes(file.DataPath()) : std::string(), former);
        EXPECT_FALSE(fs::exists(file.TempPath()));
    }
}

// A pipe (as "<(command)" or /dev/stdin gives one) is read to its end, and one that brings more than a vCard
// file may hold is refused without ever holding more than that.
TEST_F(ImportContactsTest, ReadsAPipeAndRefusesOneThatGoesOnTooLong) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const std::string cards = "BEGIN:VCARD\nFN:Ann\nBDAY:1990-07-15\nEND:VCARD\n";
    ASSERT_EQ(::write(ends[1], cards.data(), cards.size()), static_cast<ssize_t>(cards.size()));
    ::close(ends[1]);
    const fs::path pipe = "/dev/fd/" + std::to_string(ends[0]);
    EXPECT_EQ(ImportContactFiles(dir.Path() / "data", {pipe}).Lines,
              (std::vector<std::string>{"Added: Ann (15.7.1990)", "1 added, 0 skipped"}));
    ::close(ends[0]);

    ASSERT_EQ(::pipe(ends), 0);
    ::fcntl(ends[1], F_SETPIPE_SZ, 1 << 20);
    const pid_t writer = ::fork();
    if (writer == 0) {
        ::close(ends[0]);
        const std::string block(1 << 16, 'x');
        while (::write(ends[1], block.data(), block.size()) > 0) {
        }
        ::_exit(0);
    }
    ::close(ends[1]);
    const std::string before = ReadBytes(file.DataPath());
    try {
        ImportContacts(file, {"/dev/fd/" + std::to_string(ends[0])});
        ADD_FAILURE() << "an endless pipe was imported";
    } catch (const ImportError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "/dev/fd/" + std::to_string(ends[0]) + ": larger than 256 MiB, too large for a vCard file");
    }
    ::close(ends[0]); // the writer ends on its next write
    ::waitpid(writer, nullptr, 0);
    EXPECT_EQ(ReadBytes(file.DataPath()), before);
}

// The summary's counts in a language with three plural forms: each count chooses its own form.
struct CountedSummaryCase {
    std::size_t Added;
    std::size_t Skipped;
    std::string Line;
};

class CountedSummaryTest : public testing::TestWithParam<CountedSummaryCase> {};

TEST_P(CountedSummaryTest, ChoosesThePluralFormOfEachCount) {
    const CountedSummaryCase& c = GetParam();
    LanguageEnvironment polish("pl", "pl_PL.UTF-8");
    const ImportPlan plan{std::vector<BirthdayRecord>(c.Added, BirthdayRecord{"1", "2", "0", "Ann"}),
                          std::vector<SkippedContact>(c.Skipped, SkippedContact{"Tom", "no birthday"})};
    EXPECT_EQ(ImportSummary(plan).back(), c.Line) << c.Added << " added, " << c.Skipped << " skipped";
}

INSTANTIATE_TEST_SUITE_P(Polish, CountedSummaryTest,
                         testing::Values(CountedSummaryCase{1, 2, "1 dodany, 2 pominięte"},
                                         CountedSummaryCase{5, 1, "5 dodanych, 1 pominięty"},
                                         CountedSummaryCase{22, 12, "22 dodane, 12 pominiętych"}));

} // namespace
} // namespace candlewatcher
