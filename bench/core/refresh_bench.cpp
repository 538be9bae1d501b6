// A whole refresh (is the file there, read it, scan it) against the least any reader of the file must do:
// read() it into one buffer and split that into lines with memchr. Both run over the same file in one run,
// so their ratio holds on any machine.
#include "sample_file.h"

#include "data/birthday_file.h"
#include "reminder/scan.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace candlewatcher::bench {
namespace {

// The rows the reminder panel has room for.
constexpr std::size_t kPanelRows = 13;

// The refresh as the reminder panel makes it: the file's bytes read once, the records walked in place, the
// texts made for the rows the panel shows.
void BM_Refresh(benchmark::State& state) {
    ScratchDirectory directory;
    const std::size_t bytes = WriteSampleFile(directory.Path(), static_cast<std::size_t>(state.range(0)));
    const double warnDays = static_cast<double>(state.range(1));
    const BirthdayFile file(directory.Path());
    std::size_t rows = 0;
    for (auto _ : state) {
        const std::optional<FileBytes> content = file.ReadBytes();
        const ScanHead scan =
            ScanBirthdayFileBytes(kBenchToday, 1, warnDays, content.has_value(),
                                  content ? content->View() : std::string_view(), kPanelRows);
        rows = scan.TotalRows;
        benchmark::DoNotOptimize(scan.Head.Rows.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["rows"] = static_cast<double>(rows);
}

// The same refresh through the record list: every field copied into a BirthdayRecord, then scanned.
void BM_RefreshThroughRecords(benchmark::State& state) {
    ScratchDirectory directory;
    const std::size_t bytes = WriteSampleFile(directory.Path(), static_cast<std::size_t>(state.range(0)));
    const double warnDays = static_cast<double>(state.range(1));
    const BirthdayFile file(directory.Path());
    std::size_t rows = 0;
    for (auto _ : state) {
        const bool found = file.Exists();
        const std::vector<BirthdayRecord> records = file.ReadBirthdays();
        const ScanResult result = ScanBirthdays(kBenchToday, 1, warnDays, found, records);
        rows = result.Rows.size();
        benchmark::DoNotOptimize(result.Rows.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["rows"] = static_cast<double>(rows);
}

// The floor: one read() of the whole file, then every line found with memchr.
void BM_ReadAndSplitFloor(benchmark::State& state) {
    ScratchDirectory directory;
    const std::size_t bytes = WriteSampleFile(directory.Path(), static_cast<std::size_t>(state.range(0)));
    const std::string path = (directory.Path() / "birthday.dat").string();
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat status {};
        ::fstat(fd, &status);
        const auto size = static_cast<std::size_t>(status.st_size);
        const auto buffer = std::make_unique_for_overwrite<char[]>(size);
        std::size_t got = 0;
        while (got < size) {
            const ssize_t n = ::read(fd, buffer.get() + got, size - got);
            if (n <= 0) {
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        ::close(fd);
        std::size_t lines = 0;
        const char* pos = buffer.get();
        const char* end = buffer.get() + got;
        while (pos < end) {
            const char* lineEnd =
                static_cast<const char*>(std::memchr(pos, '\n', static_cast<std::size_t>(end - pos)));
            std::string_view line(pos, static_cast<std::size_t>((lineEnd ? lineEnd : end) - pos));
            benchmark::DoNotOptimize(line);
            ++lines;
            pos = lineEnd ? lineEnd + 1 : end;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// The two halves of a refresh on their own, to show where its time goes.
void BM_ReadOnly(benchmark::State& state) {
    ScratchDirectory directory;
    WriteSampleFile(directory.Path(), static_cast<std::size_t>(state.range(0)));
    const BirthdayFile file(directory.Path());
    for (auto _ : state) {
        const std::vector<BirthdayRecord> records = file.ReadBirthdays();
        benchmark::DoNotOptimize(records.data());
    }
}

void BM_ScanOnly(benchmark::State& state) {
    ScratchDirectory directory;
    WriteSampleFile(directory.Path(), static_cast<std::size_t>(state.range(0)));
    const std::vector<BirthdayRecord> records = BirthdayFile(directory.Path()).ReadBirthdays();
    const double warnDays = static_cast<double>(state.range(1));
    for (auto _ : state) {
        const ScanResult result = ScanBirthdays(kBenchToday, 1, warnDays, true, records);
        benchmark::DoNotOptimize(result.Rows.data());
    }
}

// An edit of one record in the middle of a 10,000-record file: the whole file goes through birthday.tmp,
// with its fdatasync, the rename and the directory's fsync.
void BM_ReplaceBirthday(benchmark::State& state) {
    ScratchDirectory directory;
    const std::size_t count = static_cast<std::size_t>(state.range(0));
    const std::size_t bytes = WriteSampleFile(directory.Path(), count);
    const BirthdayFile file(directory.Path());
    BirthdayRecord record = file.ReadBirthdays()[count / 2];
    const std::string name = kMiddleName;
    bool flip = false;
    for (auto _ : state) {
        record.Year = flip ? "1971" : "1972";
        flip = !flip;
        file.ReplaceBirthday(name, record);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

BENCHMARK(BM_ReadAndSplitFloor)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Refresh)->ArgsProduct({{100, 10000, 100000}, {10, 99}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefreshThroughRecords)
    ->ArgsProduct({{100, 10000, 100000}, {10, 99}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadOnly)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScanOnly)->ArgsProduct({{100, 10000, 100000}, {10, 99}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReplaceBirthday)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace candlewatcher::bench

BENCHMARK_MAIN();
