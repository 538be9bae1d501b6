// Peak memory of one whole refresh of a large file: prints the file's size and how far the refresh raised
// the process's peak resident set above what it was before. The file is written by a child process, so its
// making leaves no trace in this process's peak.
//   refresh_peak [records=100000] [warnDays=99] [bytes|records]
// "bytes" (the default) is the panel's refresh, over the file's bytes in place; "records" goes through
// ReadBirthdays and the record list.
#include "../core/sample_file.h"

#include "data/birthday_file.h"
#include "reminder/scan.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

long PeakKibibytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    using namespace candlewatcher;
    const std::size_t records = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const double warnDays = argc > 2 ? std::strtod(argv[2], nullptr) : 99;
    const bool throughRecords = argc > 3 && std::string(argv[3]) == "records";
    bench::ScratchDirectory directory;

    const pid_t child = fork();
    if (child == 0) {
        bench::WriteSampleFile(directory.Path(), records);
        _exit(0);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "could not write the sample file\n");
        return 1;
    }

    const long before = PeakKibibytes();
    std::size_t rows = 0;
    {
        const BirthdayFile file(directory.Path());
        if (throughRecords) {
            const bool found = file.Exists();
            const std::vector<BirthdayRecord> read = file.ReadBirthdays();
            rows = ScanBirthdays(bench::kBenchToday, 1, warnDays, found, read).Rows.size();
        } else {
            const std::optional<FileBytes> content = file.ReadBytes();
            rows = ScanBirthdayFileBytes(bench::kBenchToday, 1, warnDays, content.has_value(),
                                         content ? content->View() : std::string_view(), 13)
                       .TotalRows;
        }
    }
    const long after = PeakKibibytes();
    const double fileKibibytes =
        static_cast<double>(std::filesystem::file_size(directory.Path() / "birthday.dat")) / 1024;
    std::printf("%s: records %zu, warnDays %g, rows %zu\n", throughRecords ? "through records" : "in place",
                records, warnDays, rows);
    std::printf("file %.0f KiB, peak before %ld KiB, after %ld KiB, raised by %ld KiB = %.2f x the file\n",
                fileKibibytes, before, after, after - before,
                static_cast<double>(after - before) / fileKibibytes);
    return 0;
}
