#pragma once

#include "data/date_helpers.h"

#include <cstddef>
#include <filesystem>

namespace candlewatcher::bench {

// The day every benchmark treats as today, so that runs find the same rows.
constexpr CalendarDate kBenchToday{6, 12, 2026};

constexpr const char* kMiddleName = "Zoe Middleton-Rewrite";

// A directory of its own under the system's temporary directory, removed again with everything in it.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Writes directory/birthday.dat with the given number of records as the program writes them: random first
// and last names, real dates of birth between 1930 and 2020, days and months sometimes with a leading zero,
// and about one record in twenty falling on today or one of the next ten days. Names may repeat, except the
// one of the record in the middle, which is kMiddleName and found nowhere else.
// Returns the file's size in bytes.
std::size_t WriteSampleFile(const std::filesystem::path& directory, std::size_t recordCount,
                            unsigned seed = 1);

} // namespace candlewatcher::bench
