#include "data/birthday_file.h"
#include "data/data_directory.h"

#include "data_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <future>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace candlewatcher {
namespace {

using testing_support::ReadBytes;
using testing_support::TemporaryDirectory;
using testing_support::WriteBytes;
namespace fs = std::filesystem;

BirthdayRecord Record(std::string name, std::string day = "1", std::string month = "2",
                      std::string year = "2000") {
    return BirthdayRecord{std::move(day), std::move(month), std::move(year), std::move(name)};
}

class BirthdayFileTest : public ::testing::Test {
protected:
    void Add(std::initializer_list<std::string> names) {
        for (const std::string& name : names)
            file.AppendBirthday(Record(name));
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const BirthdayRecord& record : file.ReadBirthdays())
            names.push_back(record.Name);
        return names;
    }

    TemporaryDirectory dir;
    BirthdayFile file{dir.Path()};
};

TEST_F(BirthdayFileTest, WritesTheRecordLayoutByteForByte) {
    EXPECT_EQ(file.DataPath(), dir.Path() / "birthday.dat");
    EXPECT_EQ(file.TempPath(), dir.Path() / "birthday.tmp");
    file.AppendBirthday(BirthdayRecord{"8", "07", "2000", "Ann Lee"});
    EXPECT_EQ(ReadBytes(file.DataPath()), std::string("\x38\x0D\x0A\x30\x37\x0D\x0A\x32\x30\x30\x30\x0D\x0A"
                                                      "\x41\x6E\x6E\x20\x4C\x65\x65\x0D\x0A"));
    file.AppendBirthday(BirthdayRecord{" 8", "", "x", ""});
    EXPECT_EQ(ReadBytes(file.DataPath()), "8\r\n07\r\n2000\r\nAnn Lee\r\n 8\r\n\r\nx\r\n\r\n");
    std::vector<BirthdayRecord> expected{{"8", "07", "2000", "Ann Lee"}, {" 8", "", "x", ""}};
    EXPECT_EQ(file.ReadBirthdays(), expected);
}

TEST_F(BirthdayFileTest, AMissingFileReadsEmptyAndIsCreatedByTheFirstAdd) {
    EXPECT_FALSE(file.Exists());
    EXPECT_TRUE(file.ReadBirthdays().empty());
    file.DeleteBirthday("Ann");
    file.ReplaceBirthday("Ann", Record("Bob"));
    EXPECT_FALSE(fs::exists(file.DataPath()));
    EXPECT_FALSE(fs::exists(file.TempPath()));
    file.AppendBirthday(Record("Ann"));
    EXPECT_TRUE(file.Exists());
    EXPECT_EQ(ReadBytes(file.DataPath()), "1\r\n2\r\n2000\r\nAnn\r\n");
}

TEST_F(BirthdayFileTest, AddingCreatesAMissingPerUserDataDirectory) {
    BirthdayFile nested(dir.Path() / "share" / "Candlewatcher");
    EXPECT_TRUE(nested.ReadBirthdays().empty());
    nested.DeleteBirthday("Ann");
    EXPECT_FALSE(fs::exists(dir.Path() / "share"));
    nested.AppendBirthday(Record("Ann"));
    EXPECT_EQ(nested.ReadBirthdays().size(), 1u);
}

// An empty directory path names the current directory for every operation, not only for reading.
TEST_F(BirthdayFileTest, AnEmptyDirectoryPathIsTheCurrentDirectory) {
    const fs::path previous = fs::current_path();
    fs::current_path(dir.Path());
    BirthdayFile here("");
    here.AppendBirthday(Record("Ann"));
    here.AppendBirthday(Record("Bob"));
    here.DeleteBirthday("Ann");
    here.ReplaceBirthday("Bob", Record("Cy"));
    fs::current_path(previous);
    EXPECT_EQ(Names(), std::vector<std::string>{"Cy"});
}

TEST_F(BirthdayFileTest, ReplaceKeepsThePlaceAndDeleteLeavesNoGap) {
    Add({"A", "B", "C", "D", "E"});
    file.ReplaceBirthday("C", Record("New", "9", "9", "1999"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B", "New", "D", "E"}));
    EXPECT_EQ(file.ReadBirthdays()[2], Record("New", "9", "9", "1999"));
    file.DeleteBirthday("A");
    EXPECT_EQ(Names(), (std::vector<std::string>{"B", "New", "D", "E"}));
    EXPECT_FALSE(fs::exists(file.TempPath()));
}

TEST_F(BirthdayFileTest, NamesAreComparedExactlyAndEveryBearerIsChanged) {
    Add({"Ann", "ann", "Ann ", "Bob", "Ann"});
    file.ReplaceBirthday("Ann", Record("Zoe"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"Zoe", "ann", "Ann ", "Bob", "Zoe"}));
    file.DeleteBirthday("Zoe");
    EXPECT_EQ(Names(), (std::vector<std::string>{"ann", "Ann ", "Bob"}));
}

TEST_F(BirthdayFileTest, ARewriteWithoutAMatchKeepsTheBytesAndTheMode) {
    Add({"Ann", "Bob"});
    std::string before = ReadBytes(file.DataPath());
    fs::permissions(file.DataPath(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    file.DeleteBirthday("Nobody");
    EXPECT_EQ(ReadBytes(file.DataPath()), before);
    EXPECT_EQ(fs::status(file.DataPath()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(BirthdayFileTest, ALeftoverTemporaryFileIsReplacedNotWrittenThrough) {
    Add({"Ann"});
    WriteBytes(dir.Path() / "elsewhere", "keep me");
    fs::create_symlink(dir.Path() / "elsewhere", file.TempPath());
    file.ReplaceBirthday("Ann", Record("Bob"));
    EXPECT_EQ(Names(), std::vector<std::string>{"Bob"});
    EXPECT_EQ(ReadBytes(dir.Path() / "elsewhere"), "keep me");
    EXPECT_FALSE(fs::exists(fs::symlink_status(file.TempPath())));
    WriteBytes(file.TempPath(), "half a rewrite");
    file.DeleteBirthday("Bob");
    EXPECT_EQ(ReadBytes(file.DataPath()), "");
    EXPECT_FALSE(fs::exists(file.TempPath()));
}

TEST_F(BirthdayFileTest, ALinkedFileIsReplacedAtItsTargetAndTheLinkStays) {
    fs::create_directory(dir.Path() / "data");
    fs::path target = dir.Path() / "data" / "mine.dat";
    WriteBytes(target, "1\r\n2\r\n2000\r\nAnn\r\n");
    fs::create_directory(dir.Path() / "program");
    BirthdayFile linked(dir.Path() / "program");
    fs::create_symlink("../data/mine.dat", linked.DataPath());
    EXPECT_TRUE(linked.Exists());
    linked.ReplaceBirthday("Ann", Record("Bob"));
    linked.AppendBirthday(Record("Cy"));
    EXPECT_TRUE(fs::is_symlink(linked.DataPath()));
    EXPECT_EQ(ReadBytes(target), "1\r\n2\r\n2000\r\nBob\r\n1\r\n2\r\n2000\r\nCy\r\n");
    EXPECT_FALSE(fs::exists(dir.Path() / "data" / "birthday.tmp"));
    EXPECT_FALSE(fs::exists(linked.TempPath()));
}

// A link to a file named birthday.tmp: a rewrite beside it would delete the records before writing them.
TEST_F(BirthdayFileTest, ALinkToAFileNamedLikeTheTemporaryOneIsNotRewritten) {
    fs::create_directory(dir.Path() / "data");
    const fs::path target = dir.Path() / "data" / "birthday.tmp";
    const std::string bytes = "1\r\n2\r\n2000\r\nAnn\r\n7\r\n8";
    WriteBytes(target, bytes);
    fs::create_symlink(target, file.DataPath());
    EXPECT_THROW(file.ReplaceBirthday("Ann", Record("Bob")), BirthdayFileError);
    EXPECT_THROW(file.DeleteBirthday("Ann"), BirthdayFileError);
    EXPECT_THROW(file.AppendBirthday(Record("Cy")), BirthdayFileError); // the partial record needs a rewrite
    EXPECT_EQ(ReadBytes(target), bytes);
    EXPECT_TRUE(fs::is_symlink(file.DataPath()));
}

// A line break in any field would split the record and shift every record after it.
class LineBreakInFieldTest : public BirthdayFileTest, public ::testing::WithParamInterface<BirthdayRecord> {};

TEST_P(LineBreakInFieldTest, IsRefusedAndTheFileStaysAsItWas) {
    Add({"Ann"});
    std::string before = ReadBytes(file.DataPath());
    EXPECT_THROW(file.AppendBirthday(GetParam()), BirthdayFileError);
    EXPECT_THROW(file.ReplaceBirthday("Ann", GetParam()), BirthdayFileError);
    EXPECT_EQ(ReadBytes(file.DataPath()), before);
    try {
        file.AppendBirthday(GetParam());
    } catch (const BirthdayFileError& error) {
        EXPECT_NE(std::string(error.what()).find(file.DataPath().string()), std::string::npos)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Fields, LineBreakInFieldTest,
                         ::testing::Values(BirthdayRecord{"1\r", "2", "3", "N"},
                                           BirthdayRecord{"1", "\n2", "3", "N"},
                                           BirthdayRecord{"1", "2", "3\r\n", "N"},
                                           BirthdayRecord{"1", "2", "3", "Ann\nLee"},
                                           BirthdayRecord{"1", "2", "3", "Ann\rLee"}));

// Appending after bytes that do not end a record must still give a record of its own.
struct AppendCase {
    std::string Before;
    std::string After;
};

class AppendAfterDamageTest : public BirthdayFileTest, public ::testing::WithParamInterface<AppendCase> {};

TEST_P(AppendAfterDamageTest, TheNewRecordReadsBackWhole) {
    WriteBytes(file.DataPath(), GetParam().Before);
    file.AppendBirthday(Record("New", "5", "6", "1990"));
    EXPECT_EQ(ReadBytes(file.DataPath()), GetParam().After);
    EXPECT_EQ(file.ReadBirthdays().back(), Record("New", "5", "6", "1990"));
}

INSTANTIATE_TEST_SUITE_P(
    Endings, AppendAfterDamageTest,
    ::testing::Values(AppendCase{"", "5\r\n6\r\n1990\r\nNew\r\n"},
                      AppendCase{"1\n2\n3\nA\n", "1\n2\n3\nA\n5\r\n6\r\n1990\r\nNew\r\n"},
                      AppendCase{"1\r\n2\r\n3\r\nA", "1\r\n2\r\n3\r\nA\r\n5\r\n6\r\n1990\r\nNew\r\n"},
                      AppendCase{"\xEF\xBB\xBF", "\xEF\xBB\xBF"
                                                 "5\r\n6\r\n1990\r\nNew\r\n"},
                      // Blank lines a reader drops, or a partial record: the file is written anew, whole.
                      AppendCase{"1\r\n2\r\n3\r\nA\r\n\r\n", "1\r\n2\r\n3\r\nA\r\n5\r\n6\r\n1990\r\nNew\r\n"},
                      AppendCase{"1\r\n2\r\n3\r\nA\r\n7\r\n8",
                                 "1\r\n2\r\n3\r\nA\r\n7\r\n8\r\n\r\n\r\n5\r\n6\r\n1990\r\nNew\r\n"}));

TEST_F(BirthdayFileTest, ErrorsNameTheFileAndTheReason) {
    fs::create_directory(file.DataPath());
    for (auto operation : {+[](const BirthdayFile& f) { f.ReadBirthdays(); },
                           +[](const BirthdayFile& f) { f.AppendBirthday(Record("A")); },
                           +[](const BirthdayFile& f) {
                               f.DeleteBirthday("A");
                           }}) {
        try {
            operation(file);
            ADD_FAILURE() << "a directory named birthday.dat was taken for the file";
        } catch (const BirthdayFileError& error) {
            std::string text = error.what();
            EXPECT_NE(text.find(file.DataPath().string()), std::string::npos) << text;
            EXPECT_NE(text.find("Is a directory"), std::string::npos) << text;
        }
    }
    EXPECT_FALSE(file.Exists());
    EXPECT_FALSE(fs::exists(file.TempPath()));
}

// Every change holds an exclusive lock on the data directory, so a change of another process waits for it.
TEST_F(BirthdayFileTest, AChangeWaitsForTheWriterLockOfAnother) {
    Add({"Ann"});
    int held = ::open(dir.Path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    auto append = std::async(std::launch::async, [&] { file.AppendBirthday(Record("Bob")); });
    auto rewrite = std::async(std::launch::async, [&] { file.DeleteBirthday("Ann"); });
    EXPECT_EQ(append.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    EXPECT_EQ(rewrite.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
    EXPECT_EQ(ReadBytes(file.DataPath()), "1\r\n2\r\n2000\r\nAnn\r\n");
    ::close(held);
    append.get();
    rewrite.get();
    EXPECT_EQ(Names(), std::vector<std::string>{"Bob"});
}

TEST(DataDirectoryTest, TheProgramsDirectoryWhenItHoldsTheFileElseThePerUserOne) {
    TemporaryDirectory dir;
    std::string own = dir.Path().string() + "/";
    // A writable program directory without the file is no reason to keep birthdays beside the program.
    EXPECT_EQ(ChooseDataDirectory(dir.Path(), "/xdg", "/home/u").string(), "/xdg/Candlewatcher/");
    { std::ofstream(dir.Path() / "birthday.dat") << "1\r\n2\r\n2000\r\nAnn\r\n"; }
    EXPECT_EQ(ChooseDataDirectory(dir.Path(), "/xdg", "/home/u").string(), own);
    // Read-only (a system-wide install with a file someone put there) or a dangling link: still the file's.
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);
    EXPECT_EQ(ChooseDataDirectory(dir.Path(), "/xdg", "/home/u").string(), own);
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    fs::remove(dir.Path() / "birthday.dat");
    fs::create_symlink("gone", dir.Path() / "birthday.dat");
    EXPECT_EQ(ChooseDataDirectory(dir.Path(), "/xdg", "/home/u").string(), own);
    fs::path missing = dir.Path() / "no" / "bin";
    EXPECT_EQ(ChooseDataDirectory(missing, "/xdg", "/home/u").string(), "/xdg/Candlewatcher/");
    EXPECT_EQ(ChooseDataDirectory(missing, nullptr, "/home/u").string(),
              "/home/u/.local/share/Candlewatcher/");
    EXPECT_EQ(ChooseDataDirectory(missing, "relative", "/home/u").string(),
              "/home/u/.local/share/Candlewatcher/");
    EXPECT_EQ(ChooseDataDirectory(missing, "", "/home/u").string(), "/home/u/.local/share/Candlewatcher/");
    std::string real = DataDirectory().string();
    EXPECT_EQ(real.back(), '/');
}

} // namespace
} // namespace candlewatcher
