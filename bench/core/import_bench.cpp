// Importing an address book of vCards: reading the cards and choosing what to add, and the whole import
// from the file on disk into birthday.dat (one write and its fdatasync).
#include "sample_file.h"

#include "contacts/contact_import.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <random>
#include <string>

namespace candlewatcher::bench {
namespace {

// An export as address books write it: vCard 3.0 with name parts, telephone, e-mail and address; one card
// in ten without a birthday, one in five with one without a year; with photos, each card carries a folded
// base64 picture of about 6 KB, as phones export them. Every name is distinct.
std::string SampleVCards(std::size_t count, bool photos) {
    std::mt19937 random(3);
    std::string photo;
    if (photos)
        for (int line = 0; line < 80; ++line)
            photo += " " + std::string(75, static_cast<char>('A' + line % 26)) + "\r\n";
    std::string bytes;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string family = "Family" + std::to_string(i);
        bytes += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:" + family + ";Given;;;\r\nFN:Given " + family +
                 "\r\nTEL;TYPE=CELL:+49 170 " + std::to_string(1000000 + i) +
                 "\r\nEMAIL;TYPE=INTERNET:given." + family + "@example.org\r\nADR;TYPE=HOME:;;Main Street " +
                 std::to_string(i % 200) + ";Mainz;;55116;Germany\r\n";
        if (photos)
            bytes += "PHOTO;ENCODING=b;TYPE=JPEG:\r\n" + photo;
        const int month = 1 + static_cast<int>(random() % 12), day = 1 + static_cast<int>(random() % 28);
        char date[16];
        if (i % 5 == 1) {
            std::snprintf(date, sizeof date, "--%02d%02d", month, day);
            bytes += "BDAY:" + std::string(date) + "\r\n";
        } else if (i % 10 != 0) {
            std::snprintf(date, sizeof date, "%04d-%02d-%02d", 1930 + static_cast<int>(random() % 90), month,
                          day);
            bytes += "BDAY;VALUE=date:" + std::string(date) + "\r\n";
        }
        bytes += "END:VCARD\r\n";
    }
    return bytes;
}

void BM_ReadAndPlanImport(benchmark::State& state) {
    const std::string bytes = SampleVCards(static_cast<std::size_t>(state.range(0)), state.range(1) != 0);
    const std::vector<BirthdayRecord> existing{{"1", "2", "1990", "Given Family5"}};
    for (auto _ : state) {
        const ImportPlan plan = PlanImport(existing, ReadVCards(bytes));
        benchmark::DoNotOptimize(plan.Added.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void BM_ImportContacts(benchmark::State& state) {
    ScratchDirectory directory;
    const std::string bytes = SampleVCards(static_cast<std::size_t>(state.range(0)), state.range(1) != 0);
    const std::filesystem::path vcards = directory.Path() / "contacts.vcf";
    std::ofstream(vcards, std::ios::binary) << bytes;
    const BirthdayFile file(directory.Path() / "data");
    std::size_t added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(file.DataPath());
        state.ResumeTiming();
        added = ImportContacts(file, {vcards}).Added.size();
    }
    state.counters["added"] = static_cast<double>(added);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

// The floor of the whole import: the vCard file read into fresh memory, as the import reads it.
void BM_ReadFileFloor(benchmark::State& state) {
    ScratchDirectory directory;
    const std::string bytes = SampleVCards(static_cast<std::size_t>(state.range(0)), state.range(1) != 0);
    const std::filesystem::path vcards = directory.Path() / "contacts.vcf";
    std::ofstream(vcards, std::ios::binary) << bytes;
    for (auto _ : state) {
        const int fd = ::open(vcards.c_str(), O_RDONLY | O_CLOEXEC);
        const auto buffer = std::make_unique_for_overwrite<char[]>(bytes.size() + 1);
        std::size_t got = 0;
        for (ssize_t n; (n = ::read(fd, buffer.get() + got, bytes.size() + 1 - got)) > 0;)
            got += static_cast<std::size_t>(n);
        ::close(fd);
        benchmark::DoNotOptimize(buffer.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

BENCHMARK(BM_ReadFileFloor)->ArgsProduct({{10000}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAndPlanImport)->ArgsProduct({{10000}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportContacts)->ArgsProduct({{10000}, {0, 1}})->Unit(benchmark::kMillisecond);

} // namespace
} // namespace candlewatcher::bench
