// Changes of birthday.dat that fail or are killed part-way must leave it whole: byte for byte as before a
// refused change, as after a completed one, and never half of either. Each test counts its failure points
// and prints "N of N ... left birthday.dat intact".
#include "data/birthday_file.h"
#include "data/record_parser.h"

#include "data_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <set>
#include <iostream>
#include <map>
#include <random>
#include <regex>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace candlewatcher {
namespace {

using testing_support::ReadBytes;
using testing_support::TemporaryDirectory;
using testing_support::WriteBytes;
namespace fs = std::filesystem;

const char* const kHelper = REWRITE_LOOP_PATH;

BirthdayRecord Record(const std::string& name) {
    return BirthdayRecord{"1", "2", "2000", name};
}

std::string Bytes(const std::vector<BirthdayRecord>& records) {
    std::string bytes;
    for (const BirthdayRecord& record : records)
        AppendRecordBytes(bytes, record);
    return bytes;
}

const std::string kOld = Bytes({Record("Ann"), Record("Bob"), Record("Cy"), Record("Dee"), Record("Eve")});

// One change as the helper's arguments, with the bytes it leaves when it is made.
struct Change {
    std::string What;
    std::vector<std::string> Args;
    std::string New;
    bool Repeatable; // making it again on the changed file gives the same file
};

// Fay and Gus to import; Ann is in the file already.
const std::string kVCards =
    "BEGIN:VCARD\nFN:Fay\nBDAY:2000-02-01\nEND:VCARD\nBEGIN:VCARD\nFN:Ann\nBDAY:2000-02-01\n"
    "END:VCARD\nBEGIN:VCARD\nVERSION:2.1\nN:;Gus\nBDAY:20000201\nEND:VCARD\n";

std::vector<Change> Changes(const fs::path& vcardFile) {
    return {{"replace",
             {"replace", "Cy", "Cyd"},
             Bytes({Record("Ann"), Record("Bob"), Record("Cyd"), Record("Dee"), Record("Eve")}),
             true},
            {"delete",
             {"delete", "Bob"},
             Bytes({Record("Ann"), Record("Cy"), Record("Dee"), Record("Eve")}),
             true},
            {"append", {"append", "Fay"}, kOld + Bytes({Record("Fay")}), false},
            {"append several", {"append", "Fay", "Gus"}, kOld + Bytes({Record("Fay"), Record("Gus")}), false},
            {"import", {"import", vcardFile.string()}, kOld + Bytes({Record("Fay"), Record("Gus")}), true}};
}

struct Exit {
    int Code = -1;  // exit status, or -1 when killed
    int Signal = 0; // the signal that ended it
};

// Runs a program with its output discarded, or with its standard output on a pipe whose reading end is
// returned in outputPipe (then the caller waits for it).
Exit RunProgram(const std::vector<std::string>& args, pid_t* started = nullptr, int* outputPipe = nullptr) {
    int pipeFds[2] = {-1, -1};
    if (outputPipe != nullptr && ::pipe(pipeFds) != 0)
        return {};
    pid_t child = ::fork();
    if (child == 0) {
        // The leak check at exit cannot run under strace; leaks are the unit tests' business.
        std::string sanitizer = ::getenv("ASAN_OPTIONS") != nullptr ? ::getenv("ASAN_OPTIONS") : "";
        ::setenv("ASAN_OPTIONS", (sanitizer + ":detect_leaks=0").c_str(), 1);
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(outputPipe != nullptr ? pipeFds[1] : null, 1);
        ::dup2(null, 2);
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    if (outputPipe != nullptr) {
        ::close(pipeFds[1]);
        *outputPipe = pipeFds[0];
        *started = child;
        return {};
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? Exit{WEXITSTATUS(status), 0} : Exit{-1, WTERMSIG(status)};
}

std::string ReadIfThere(const fs::path& path) {
    return fs::exists(path) ? ReadBytes(path) : "(missing)";
}

class DurabilityTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Readable by the unprivileged user some tests run the helper as.
        fs::permissions(root.Path(), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
        fs::create_directory(data);
        WriteBytes(vcard, kVCards);
    }

    void Reset() {
        fs::remove(file.TempPath());
        WriteBytes(file.DataPath(), kOld);
    }

    std::vector<std::string> HelperArgs(const Change& change) const {
        std::vector<std::string> args{kHelper, data.string()};
        args.insert(args.end(), change.Args.begin(), change.Args.end());
        return args;
    }

    // The outcome of one run: a change reported as made left the new bytes, one reported as refused the
    // old, and neither left birthday.tmp behind. Returns a description of what went wrong, or "".
    std::string Judge(const Change& change, const Exit& exit) const {
        std::string now = ReadIfThere(file.DataPath());
        if (fs::exists(file.TempPath()))
            return "birthday.tmp was left behind";
        if (exit.Code == 0 && now != change.New)
            return "reported as made, but the file is not the changed one:\n" + now;
        if (exit.Code == 1 && now != kOld)
            return "reported as refused, but the file changed:\n" + now;
        if (exit.Code != 0 && exit.Code != 1)
            return "the helper ended with status " + std::to_string(exit.Code) + " signal " +
                   std::to_string(exit.Signal);
        return "";
    }

    // The system calls of one change, in order, each with the number of calls of its kind up to it.
    struct Call {
        std::string Name;
        int Occurrence;
    };
    // strace may be missing, or not allowed to trace (a container without ptrace).
    static bool StraceWorks() {
        static const bool works = RunProgram({"strace", "-qq", "-o", "/dev/null", "--", "true"}).Code == 0;
        return works;
    }

    std::vector<Call> TraceChange(const Change& change) {
        Reset();
        fs::path trace = root.Path() / "trace";
        std::vector<std::string> args{"strace", "-qq", "-o", trace.string(), "--"};
        std::vector<std::string> helper = HelperArgs(change);
        args.insert(args.end(), helper.begin(), helper.end());
        Exit exit = RunProgram(args);
        EXPECT_EQ(exit.Code, 0) << "untroubled " << change.What;
        std::ifstream in(trace);
        std::regex callLine(R"(^([a-z0-9_]+)\()");
        std::map<std::string, int> seen;
        std::vector<Call> calls;
        int markers = 0;
        for (std::string line; std::getline(in, line);) {
            std::smatch match;
            if (!std::regex_search(line, match, callLine))
                continue;
            std::string name = match[1];
            int occurrence = ++seen[name];
            if (name == "getppid")
                ++markers;
            else if (markers == 1)
                calls.push_back({name, occurrence});
        }
        EXPECT_EQ(markers, 2) << "the helper marks the start and the end of the change";
        EXPECT_GT(calls.size(), 5u);
        return calls;
    }

    // Runs the change under strace with one injection (an error or a signal) at the given call.
    Exit RunInjected(const Change& change, const Call& call, const std::string& effect) {
        Reset();
        std::vector<std::string> args{
            "strace", "-qq",
            "-f",     "--seccomp-bpf",
            "-o",     "/dev/null",
            "-e",     "trace=" + call.Name,
            "-e",     "inject=" + call.Name + ":" + effect + ":when=" + std::to_string(call.Occurrence),
            "--"};
        std::vector<std::string> helper = HelperArgs(change);
        args.insert(args.end(), helper.begin(), helper.end());
        return RunProgram(args);
    }

    static bool TouchesFiles(const std::string& name) {
        static const std::set<std::string> memoryAndSignals{
            "brk",     "mmap",  "munmap",       "mremap",         "mprotect",
            "madvise", "futex", "rt_sigaction", "rt_sigprocmask", "getrandom"};
        return memoryAndSignals.count(name) == 0;
    }

    TemporaryDirectory root;
    fs::path data = root.Path() / "data";
    fs::path vcard = root.Path() / "contacts.vcf";
    BirthdayFile file{data};
};

void Report(const std::string& what, int intact, int total) {
    std::cout << "[  COUNT   ] " << intact << " of " << total << " " << what << " left birthday.dat intact"
              << std::endl;
    ::testing::Test::RecordProperty(what, std::to_string(intact) + " of " + std::to_string(total));
}

const std::set<std::string> kMustRefuse{"openat",    "flock",    "newfstatat", "fstat",
                                        "read",      "unlinkat", "fchmod",     "write",
                                        "fdatasync", "renameat", "renameat2",  "ftruncate"};

// Every file system call of a rewrite and of an append fails in turn, with ENOSPC for writes and EIO for
// the rest (write, fdatasync, close and rename among them).
TEST_F(DurabilityTest, AnErrorAtEveryFileSystemCall) {
    if (!StraceWorks())
        GTEST_SKIP() << "strace cannot run or trace here, so no failures can be injected";
    int total = 0, intact = 0;
    std::map<std::string, int> perCall;
    for (const Change& change : Changes(vcard)) {
        int refusedCloses = 0;
        for (const Call& call : TraceChange(change)) {
            if (!TouchesFiles(call.Name))
                continue;
            std::string error = call.Name == "write" ? "ENOSPC" : "EIO";
            Exit exit = RunInjected(change, call, "error=" + error);
            std::string fault = Judge(change, exit);
            // Only the flush of the directory after the rename and the closing of descriptors that wrote
            // nothing may fail unreported: the data in place is whole either way.
            if (fault.empty() && exit.Code == 0 && kMustRefuse.count(call.Name) != 0)
                fault = "a failed " + call.Name + " was reported as success";
            refusedCloses += call.Name == "close" && exit.Code == 1;
            ++total;
            ++perCall[call.Name];
            if (fault.empty())
                ++intact;
            else
                ADD_FAILURE() << change.What << ", " << call.Name << " #" << call.Occurrence
                              << " fails: " << fault;
        }
        EXPECT_GE(refusedCloses, 1) << change.What << ": the close of the written file is not checked";
    }
    for (const auto& [name, count] : perCall)
        std::cout << "[  CALLS   ] " << name << ": " << count << std::endl;
    for (const char* named : {"write", "fdatasync", "close", "renameat"})
        EXPECT_GT(perCall.count(named) + perCall.count(std::string(named) + "2"), 0u)
            << named << " was never hit";
    Report("injected failure points", intact, total);
}

// The helper is killed at every file system call of a change in turn. birthday.dat then holds the old or the
// new records, whole; a leftover birthday.tmp does no harm, and the next rewrite goes through.
TEST_F(DurabilityTest, AKillAtEverySystemCall) {
    if (!StraceWorks())
        GTEST_SKIP() << "strace cannot run or trace here, so no failures can be injected";
    int total = 0, intact = 0;
    for (const Change& change : Changes(vcard)) {
        for (const Call& call : TraceChange(change)) {
            if (!TouchesFiles(call.Name))
                continue;
            Exit exit = RunInjected(change, call, "signal=KILL");
            std::string now = ReadIfThere(file.DataPath());
            ++total;
            bool whole = now == kOld || now == change.New;
            if (whole && change.Repeatable) {
                std::vector<std::string> args = HelperArgs(change);
                whole = RunProgram(args).Code == 0 && ReadIfThere(file.DataPath()) == change.New &&
                        !fs::exists(file.TempPath());
            }
            if (whole)
                ++intact;
            else
                ADD_FAILURE() << change.What << " killed at " << call.Name << " #" << call.Occurrence
                              << " (exit " << exit.Code << ") left:\n"
                              << now;
        }
    }
    Report("kill points", intact, total);
}

// A helper that adds and deletes a record without pause is killed at random moments.
TEST_F(DurabilityTest, KillsAtRandomMoments) {
    const std::string withExtra = kOld + Bytes({Record("Extra")});
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> delayMicroseconds(0, 10000);
    int total = 0, intact = 0, sawOld = 0, sawNew = 0;
    for (int kill = 0; kill < 200; ++kill) {
        Reset();
        pid_t child = -1;
        int output = -1;
        RunProgram({kHelper, data.string(), "loop", "Extra"}, &child, &output);
        char ready[6] = {};
        bool started = ::read(output, ready, sizeof ready) == sizeof ready;
        ::close(output);
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(started) << "the helper did not get going";
        std::string now = ReadIfThere(file.DataPath());
        ++total;
        sawOld += now == kOld;
        sawNew += now == withExtra;
        if (now == kOld || now == withExtra)
            ++intact;
        else
            ADD_FAILURE() << "kill " << kill << " left:\n" << now;
    }
    std::cout << "[  STATES  ] " << sawOld << " without the extra record, " << sawNew << " with it"
              << std::endl;
    Report("random kills", intact, total);
}

// A read-only data directory: the rewrite cannot create birthday.tmp, and an append to a file its user
// may not write is refused. Root ignores permissions, so the helper runs as nobody.
TEST_F(DurabilityTest, AReadOnlyDirectory) {
    std::vector<std::string> prefix;
    if (::geteuid() == 0)
        prefix = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
    if (!prefix.empty() &&
        RunProgram({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "true"}).Code != 0)
        GTEST_SKIP() << "cannot run as the unprivileged user 65534 with setpriv";
    int total = 0, intact = 0;
    for (fs::perms fileMode : {fs::perms(0644), fs::perms(0666)}) {
        for (const Change& change : Changes(vcard)) {
            fs::permissions(data, fs::perms(0755));
            Reset();
            fs::permissions(file.DataPath(), fileMode);
            fs::permissions(data, fs::perms(0555));
            std::vector<std::string> args = prefix;
            std::vector<std::string> helper = HelperArgs(change);
            args.insert(args.end(), helper.begin(), helper.end());
            Exit exit = RunProgram(args);
            // Only an append to a file the user may write can succeed; everything else must be refused.
            bool mayWrite =
                (change.Args[0] == "append" || change.Args[0] == "import") && fileMode == fs::perms(0666);
            std::string fault = Judge(change, exit);
            if (fault.empty() && exit.Code != (mayWrite ? 0 : 1))
                fault = "ended with status " + std::to_string(exit.Code);
            ++total;
            if (fault.empty())
                ++intact;
            else
                ADD_FAILURE() << change.What << " with file mode " << std::oct << static_cast<int>(fileMode)
                              << ": " << fault;
        }
    }
    fs::permissions(data, fs::perms(0755));
    Report("changes in a read-only directory", intact, total);
}

// A full disk: a small tmpfs holds the file and fills up with every page fewer than a change needs.
TEST_F(DurabilityTest, AFullDisk) {
    fs::path mountPoint = root.Path() / "small";
    fs::create_directory(mountPoint);
    auto mountWithPages = [&](long pages) {
        std::string options = "size=" + std::to_string(pages * 4096) + ",mode=0755";
        return ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, options.c_str()) == 0;
    };
    if (!mountWithPages(4))
        GTEST_SKIP() << "cannot mount a small tmpfs (needs root and CAP_SYS_ADMIN): " << std::strerror(errno);
    ::umount2(mountPoint.c_str(), MNT_DETACH);

    // A file of a little under 8 pages, so that the rewrite needs 8 more and the append a ninth.
    std::vector<BirthdayRecord> records;
    for (int i = 0; Bytes(records).size() < 8 * 4096 - 40; ++i)
        records.push_back(Record("Person " + std::to_string(i)));
    records.pop_back();
    const std::string old = Bytes(records);
    const std::string kLongName(100, 'n'); // whatever room the last page has left, this needs another
    BirthdayFile small(mountPoint);
    int total = 0, intact = 0;
    for (long spare = 0; spare <= 9; ++spare) {
        for (const char* what : {"replace", "append"}) {
            ASSERT_TRUE(mountWithPages(8 + spare));
            WriteBytes(small.DataPath(), old);
            std::string expected;
            bool refused = false;
            try {
                if (std::string(what) == "replace") {
                    expected = Bytes({Record("Renamed")}) + old.substr(Bytes({records[0]}).size());
                    small.ReplaceBirthday(records[0].Name, Record("Renamed"));
                } else {
                    expected = old + Bytes({Record(kLongName)});
                    small.AppendBirthday(Record(kLongName));
                }
            } catch (const BirthdayFileError& error) {
                refused = true;
                EXPECT_NE(std::string(error.what()).find("No space left on device"), std::string::npos)
                    << error.what();
            }
            std::string now = ReadBytes(small.DataPath());
            bool whole = !fs::exists(small.TempPath()) && now == (refused ? old : expected);
            ::umount2(mountPoint.c_str(), MNT_DETACH);
            if (refused) {
                ++total;
                intact += whole;
            }
            EXPECT_TRUE(whole) << what << " with " << spare << " spare pages, "
                               << (refused ? "refused" : "made");
            if (spare == 0) {
                EXPECT_TRUE(refused) << what << " succeeded on a full disk?";
            }
        }
    }
    EXPECT_GE(total, 9);
    Report("changes refused on a full disk", intact, total);
}

} // namespace
} // namespace candlewatcher
