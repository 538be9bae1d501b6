#include "sample_file.h"

#include "data/birthday_file.h"
#include "data/record_parser.h"

#include <array>
#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

namespace candlewatcher::bench {
namespace {

constexpr std::array<std::string_view, 24> kFirstNames = {
    "Ann",     "Bob",   "Clara",   "Dmitri", "Elena",    "Farid",  "Grace", "Hiroshi",
    "Ines",    "Jakob", "Kerstin", "Luis",   "Margaret", "Nils",   "Olga",  "Pierre",
    "Quentin", "Rosa",  "Sven",    "Tomasz", "Ursula",   "Viktor", "Wanda", "Yusuf"};
constexpr std::array<std::string_view, 24> kLastNames = {
    "Lee",       "Ray",    "Okafor", "Schmidt", "Nakamura", "Fernandez", "Brown",  "Kowalski",
    "Andersson", "Dubois", "Rossi",  "Novak",   "Haddad",   "Olsen",     "Petrov", "Garcia",
    "Murphy",    "Jansen", "Silva",  "Weber",   "Yilmaz",   "Horvath",   "Tanaka", "Castellanos"};

std::string DateText(int value, std::mt19937& random) {
    std::string text = std::to_string(value);
    if (text.size() == 1 && random() % 4 == 0) {
        text.insert(text.begin(), '0');
    }
    return text;
}

} // namespace

ScratchDirectory::ScratchDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "candlewatcher-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a scratch directory under " + pattern);
    }
    m_path = pattern;
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::size_t WriteSampleFile(const std::filesystem::path& directory, std::size_t recordCount, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes;
    for (std::size_t i = 0; i < recordCount; ++i) {
        BirthdayRecord record;
        int year = 1930 + static_cast<int>(random() % 91);
        int month = 1 + static_cast<int>(random() % 12);
        int day = 1 + static_cast<int>(random() % static_cast<unsigned>(DaysInMonth(month, year)));
        if (random() % 20 == 0) {
            // Today or one of the next ten days, so every size has rows to show.
            CalendarDate date = kBenchToday;
            for (unsigned k = random() % 11; k > 0; --k) {
                date = *NextDay(date.Day, date.Month, date.Year);
            }
            day = date.Day;
            month = date.Month;
        }
        record.Day = DateText(day, random);
        record.Month = DateText(month, random);
        record.Year = std::to_string(year);
        // Names as people have them, some with a middle initial; repeats are allowed, as in the file.
        record.Name = std::string(kFirstNames[random() % kFirstNames.size()]);
        if (random() % 4 == 0) {
            record.Name += std::string(" ") + static_cast<char>('A' + random() % 26) + ".";
        }
        record.Name += " " + std::string(kLastNames[random() % kLastNames.size()]);
        if (i == recordCount / 2) {
            record.Name = kMiddleName;
        }
        AppendRecordBytes(bytes, record);
    }
    std::ofstream out(directory / "birthday.dat", std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        throw std::runtime_error("cannot write the sample birthday.dat in " + directory.string());
    }
    return bytes.size();
}

} // namespace candlewatcher::bench
