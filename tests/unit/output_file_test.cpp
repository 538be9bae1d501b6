#include "data/birthday_file.h"
#include "data/output_file.h"

#include "data_files.h"

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>

namespace candlewatcher {
namespace {

using testing_support::ReadBytes;
using testing_support::TemporaryDirectory;
using testing_support::WriteBytes;
namespace fs = std::filesystem;

// The mode bits of a file, as ls shows them in octal.
unsigned ModeOf(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

struct ReplaceCase {
    const char* What;
    std::function<void(const fs::path& dir)> SetUp; // out.ics is written, "link" leads to the file replaced
    mode_t Umask;
    unsigned ExpectedMode; // of the file that holds the new bytes
};

void PrintTo(const ReplaceCase& c, std::ostream* out) {
    *out << c.What;
}

class ReplaceFileTest : public ::testing::TestWithParam<ReplaceCase> {};

// The new bytes arrive whole in the file meant, with the mode it had (or 0666 less the umask when new), and
// nothing else is left in the folder.
TEST_P(ReplaceFileTest, PutsTheBytesInPlaceWithTheRightMode) {
    const ReplaceCase& c = GetParam();
    TemporaryDirectory dir;
    c.SetUp(dir.Path());
    const bool linked = fs::is_symlink(dir.Path() / "link");
    const fs::path written = dir.Path() / (linked ? "link" : "out.ics");
    const fs::path holder = linked ? fs::weakly_canonical(written) : written;
    const mode_t former = ::umask(c.Umask);
    ReplaceFile(written, "BEGIN:VCALENDAR\r\n");
    ::umask(former);
    EXPECT_EQ(ReadBytes(holder), "BEGIN:VCALENDAR\r\n");
    EXPECT_EQ(ModeOf(holder), c.ExpectedMode);
    EXPECT_EQ(fs::is_symlink(written), linked);
    std::size_t entries = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir.Path()))
        entries += entry.is_regular_file() && !entry.is_symlink();
    EXPECT_EQ(entries, 1u) << "a temporary file was left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReplaceFileTest,
    ::testing::Values(ReplaceCase{"new file, umask 022", [](const fs::path&) {}, 022, 0644},
                      ReplaceCase{"new file, umask 077", [](const fs::path&) {}, 077, 0600},
                      ReplaceCase{"existing 0604, more than the umask lets through",
                                  [](const fs::path& dir) {
                                      WriteBytes(dir / "out.ics", "old");
                                      fs::permissions(dir / "out.ics", fs::perms(0604));
                                  },
                                  077, 0604},
                      ReplaceCase{"link into another folder",
                                  [](const fs::path& dir) {
                                      fs::create_directory(dir / "real");
                                      WriteBytes(dir / "real" / "cal.ics", "old");
                                      fs::permissions(dir / "real" / "cal.ics", fs::perms(0660));
                                      fs::create_symlink("real/cal.ics", dir / "link");
                                  },
                                  022, 0660},
                      ReplaceCase{"link to a file not there yet",
                                  [](const fs::path& dir) {
                                      fs::create_directory(dir / "real");
                                      fs::create_symlink("real/new.ics", dir / "link");
                                  },
                                  002, 0664}));

struct RefusalCase {
    const char* What;
    std::function<fs::path(const fs::path& dir)> SetUp; // returns the path to write
    const char* Reason;                                 // the end of the error
};

void PrintTo(const RefusalCase& c, std::ostream* out) {
    *out << c.What;
}

class ReplaceFileRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ReplaceFileRefusalTest, NamesThePathAndTheReasonAndLeavesNothing) {
    const RefusalCase& c = GetParam();
    TemporaryDirectory dir;
    const fs::path path = c.SetUp(dir.Path());
    try {
        ReplaceFile(path, "new");
        ADD_FAILURE() << "written: " << path;
    } catch (const BirthdayFileError& error) {
        const std::string text = error.what();
        EXPECT_NE(text.find(path.string()), std::string::npos) << text;
        EXPECT_TRUE(text.ends_with(c.Reason)) << text;
    }
    for (const auto& entry : fs::recursive_directory_iterator(dir.Path()))
        EXPECT_EQ(entry.path().filename().string().find(".out.ics."), std::string::npos) << entry.path();
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ReplaceFileRefusalTest,
    ::testing::Values(
        RefusalCase{"a missing folder", [](const fs::path& dir) { return dir / "none" / "out.ics"; },
                    "No such file or directory"},
        RefusalCase{"a folder in the file's place",
                    [](const fs::path& dir) {
                        fs::create_directory(dir / "out.ics");
                        return dir / "out.ics";
                    },
                    "it is not an ordinary file"},
        RefusalCase{"a folder's own path", [](const fs::path& dir) { return dir / ""; }, "Is a directory"}));

} // namespace
} // namespace candlewatcher
