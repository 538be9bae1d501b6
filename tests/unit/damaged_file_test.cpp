#include "data/birthday_file.h"
#include "data/record_parser.h"

#include "data_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <random>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace candlewatcher {
namespace {

using testing_support::ReadBytes;
using testing_support::TemporaryDirectory;
using testing_support::WriteBytes;
namespace fs = std::filesystem;

struct DamagedCase {
    const char* What;
    std::string Bytes;
    std::vector<BirthdayRecord> Records;
};

void PrintTo(const DamagedCase& c, std::ostream* out) {
    *out << c.What;
}

class DamagedFileTest : public ::testing::TestWithParam<DamagedCase> {};

// Each damaged file is read through the file operations, not only the parser, and a rewrite of it writes
// every record back whole in the regular layout.
TEST_P(DamagedFileTest, IsReadRecordByRecordAndRewrittenWhole) {
    const DamagedCase& c = GetParam();
    EXPECT_EQ(ParseBirthdayRecords(c.Bytes), c.Records) << c.What;
    TemporaryDirectory dir;
    BirthdayFile file(dir.Path());
    WriteBytes(file.DataPath(), c.Bytes);
    EXPECT_EQ(file.ReadBirthdays(), c.Records) << c.What;
    file.DeleteBirthday("no such name");
    std::string expected;
    for (const BirthdayRecord& record : c.Records)
        AppendRecordBytes(expected, record);
    EXPECT_EQ(ReadBytes(file.DataPath()), expected) << c.What;
}

const std::string kNul("a\0b", 3);

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedFileTest,
    ::testing::Values(
        DamagedCase{"empty", "", {}}, DamagedCase{"only a byte order mark", "\xEF\xBB\xBF", {}},
        DamagedCase{"byte order mark",
                    "\xEF\xBB\xBF"
                    "1\r\n2\r\n3\r\nA\r\n",
                    {{"1", "2", "3", "A"}}},
        DamagedCase{"no final line end", "1\r\n2\r\n3\r\nA", {{"1", "2", "3", "A"}}},
        DamagedCase{"LF only", "1\n2\n3\nA\n4\n5\n6\nB\n", {{"1", "2", "3", "A"}, {"4", "5", "6", "B"}}},
        DamagedCase{"CR only", "1\r2\r3\rA\r4\r5\r6\rB", {{"1", "2", "3", "A"}, {"4", "5", "6", "B"}}},
        DamagedCase{"mixed line ends",
                    "1\n2\r3\r\nA\n\r4\r\n5\n6\rB",
                    {{"1", "2", "3", "A"}, {"", "4", "5", "6"}, {"B", "", "", ""}}},
        DamagedCase{"trailing blank lines", "1\r\n2\r\n3\r\nA\r\n\r\n\r\n", {{"1", "2", "3", "A"}}},
        DamagedCase{"partial last record",
                    "1\r\n2\r\n3\r\nA\r\n7\r\n8\r\n",
                    {{"1", "2", "3", "A"}, {"7", "8", "", ""}}},
        DamagedCase{"partial record with its text late", "\r\n\r\nX", {{"", "", "X", ""}}},
        DamagedCase{"record of empty lines", "\r\n\r\n\r\n\r\n", {{"", "", "", ""}}},
        DamagedCase{"NUL bytes", kNul + "\r\n2\r\n3\r\n" + kNul, {{kNul, "2", "3", kNul}}},
        DamagedCase{"invalid UTF-8",
                    "\xFF\r\n\xC3\r\n\xE9t\xE9\r\n\x80\xBF\r\n",
                    {{"\xFF", "\xC3", "\xE9t\xE9", "\x80\xBF"}}},
        DamagedCase{"byte order mark not at the start",
                    "1\r\n\xEF\xBB\xBF"
                    "2\r\n3\r\nA\r\n",
                    {{"1",
                      "\xEF\xBB\xBF"
                      "2",
                      "3", "A"}}}));

// The reader finds line ends sixteen bytes at a time; a plain byte-by-byte reading of random files of
// line ends and text, lines long and short, must give the same records.
std::vector<BirthdayRecord> ReadByteByByte(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') {
            line += bytes[i];
            continue;
        }
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        lines.push_back(std::move(line));
        line.clear();
    }
    if (!line.empty())
        lines.push_back(line);
    std::vector<BirthdayRecord> records;
    for (std::size_t first = 0; first < lines.size(); first += 4) {
        std::string fields[4];
        bool anyText = false;
        for (std::size_t k = 0; k < 4 && first + k < lines.size(); ++k) {
            fields[k] = lines[first + k];
            anyText = anyText || !fields[k].empty();
        }
        if (first + 4 <= lines.size() || anyText)
            records.push_back({fields[0], fields[1], fields[2], fields[3]});
    }
    return records;
}

TEST(RandomFiles, ReadAsAPlainByteByByteReaderReadsThem) {
    std::mt19937 random(7);
    const std::string alphabet[] = {
        "\r", "\n", "\r\n", "a", "bc", "0123456789abcdef", "\xEF\xBB\xBF", std::string(1, '\0')};
    std::uniform_int_distribution<int> pick(0, 7), length(0, 60);
    for (int round = 0; round < 5000; ++round) {
        std::string bytes;
        for (int n = length(random); n > 0; --n)
            bytes += alphabet[pick(random)];
        ASSERT_EQ(ParseBirthdayRecords(bytes), ReadByteByByte(bytes)) << ::testing::PrintToString(bytes);
    }
}

TEST(LargeFile, AOneMegabyteLineAndAMillionRecords) {
    TemporaryDirectory dir;
    BirthdayFile file(dir.Path());
    std::string longName(1 << 20, 'n');
    file.AppendBirthday(BirthdayRecord{"1", "2", "2000", longName});
    file.ReplaceBirthday(longName, BirthdayRecord{"1", "2", "2000", longName + "x"});
    ASSERT_EQ(file.ReadBirthdays().size(), 1u);
    EXPECT_EQ(file.ReadBirthdays()[0].Name.size(), longName.size() + 1);

    std::string bytes;
    for (int i = 0; i < 1000000; ++i)
        bytes += "12\r\n5\r\n1980\r\nPerson " + std::to_string(i) + "\r\n";
    WriteBytes(file.DataPath(), bytes);
    std::vector<BirthdayRecord> records = file.ReadBirthdays();
    ASSERT_EQ(records.size(), 1000000u);
    EXPECT_EQ(records.back(), (BirthdayRecord{"12", "5", "1980", "Person 999999"}));
}

// What is not a readable ordinary file is refused with BirthdayFileError by every operation, and nothing
// is created in its place.
class HostileFileTest : public ::testing::Test {
protected:
    void ExpectRefusedEverywhere(const char* what) {
        auto refused = [&](auto operation) {
            auto done = std::async(std::launch::async, [&] {
                try {
                    operation();
                } catch (const BirthdayFileError& error) {
                    return std::string(error.what());
                }
                return std::string();
            });
            if (done.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
                ADD_FAILURE() << what << ": the operation hangs";
                std::abort(); // a blocked thread cannot be joined; end here rather than hang the suite
            }
            std::string message = done.get();
            EXPECT_NE(message.find(file.DataPath().string()), std::string::npos) << what << ": " << message;
        };
        refused([&] { file.ReadBirthdays(); });
        refused([&] { file.AppendBirthday(BirthdayRecord{"1", "2", "3", "A"}); });
        refused([&] { file.ReplaceBirthday("A", BirthdayRecord{"1", "2", "3", "B"}); });
        refused([&] { file.DeleteBirthday("A"); });
        EXPECT_FALSE(file.Exists()) << what;
        EXPECT_FALSE(fs::exists(file.TempPath())) << what;
    }

    TemporaryDirectory dir;
    BirthdayFile file{dir.Path()};
};

TEST_F(HostileFileTest, ADirectoryNamedLikeTheFile) {
    fs::create_directory(file.DataPath());
    ExpectRefusedEverywhere("directory");
}

TEST_F(HostileFileTest, AFifoNeverBlocks) {
    ASSERT_EQ(::mkfifo(file.DataPath().c_str(), 0600), 0);
    ExpectRefusedEverywhere("FIFO");
    EXPECT_TRUE(fs::is_fifo(file.DataPath()));
}

// A link to a missing file is an error, not an absent file: the records are where the link points (an
// unmounted disc, say), and a new file must not be started in their stead.
TEST_F(HostileFileTest, ALinkThatLeadsNowhere) {
    fs::create_symlink(dir.Path() / "gone" / "birthday.dat", file.DataPath());
    ExpectRefusedEverywhere("dangling link");
    EXPECT_FALSE(fs::exists(dir.Path() / "gone"));
}

// Root reads and writes any file, so these checks run in a child that gives up root first. The child's
// exit status is the result: 0 as expected, 3 when it cannot give up root.
int AsUnprivilegedUser(const std::function<int()>& check) {
    pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        ::_exit(check());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// 0 when the operation was refused for want of permission, 1 when it went through, 2 for another error.
int RefusedForPermission(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const BirthdayFileError& error) {
        return std::string(error.what()).find("Permission denied") != std::string::npos ? 0 : 2;
    }
    return 1;
}

TEST(Permissions, AnUnreadableFileIsRefusedNotReadAsEmpty) {
    TemporaryDirectory dir;
    BirthdayFile file(dir.Path());
    WriteBytes(file.DataPath(), "1\r\n2\r\n3\r\nA\r\n");
    fs::permissions(file.DataPath(), fs::perms::none);
    fs::permissions(dir.Path(), fs::perms::all);
    int result = AsUnprivilegedUser([&] { return RefusedForPermission([&] { file.ReadBirthdays(); }); });
    if (result == 3)
        GTEST_SKIP() << "cannot give up root to read as an ordinary user";
    EXPECT_EQ(result, 0) << "1: read as if readable, 2: refused without the system's reason";
}

// A file its user may not write is not replaced by a rewrite either, though the folder would allow it.
TEST(Permissions, AReadOnlyFileIsNotChanged) {
    TemporaryDirectory dir;
    BirthdayFile file(dir.Path());
    const std::string bytes = "1\r\n2\r\n3\r\nA\r\n";
    WriteBytes(file.DataPath(), bytes);
    fs::permissions(file.DataPath(), fs::perms(0444));
    fs::permissions(dir.Path(), fs::perms::all);
    int result = AsUnprivilegedUser([&] {
        int replaced = RefusedForPermission([&] {
            file.ReplaceBirthday("A", BirthdayRecord{"1", "2", "3", "B"});
        });
        int deleted = RefusedForPermission([&] { file.DeleteBirthday("A"); });
        int appended = RefusedForPermission([&] { file.AppendBirthday(BirthdayRecord{"1", "2", "3", "B"}); });
        return replaced == 0 && deleted == 0 && appended == 0 ? 0 : 10 * replaced + deleted + 100 * appended;
    });
    if (result == 3)
        GTEST_SKIP() << "cannot give up root to write as an ordinary user";
    EXPECT_EQ(result, 0)
        << "per operation (append, replace, delete), 1: went through, 2: refused for another reason";
    EXPECT_EQ(ReadBytes(file.DataPath()), bytes);
    EXPECT_FALSE(fs::exists(file.TempPath()));
}

} // namespace
} // namespace candlewatcher
