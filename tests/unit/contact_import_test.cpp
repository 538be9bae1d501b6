#include "contacts/birthday_value.h"
#include "contacts/contact_import.h"

#include "data_files.h"

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

} // namespace
} // namespace candlewatcher
