#pragma once

#include "data/birthday_file.h"

#include <cstddef>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace candlewatcher {

// Writes every birthday of the data directory's birthday.dat as an iCalendar file (see ExportCalendar),
// stamped with the given moment, to target: a file, replaced whole or not at all, or standard output for
// "-". Returns how many records were left out for having no calendar date. Throws BirthdayFileError, having
// written nothing, when the birthdays cannot be read or the calendar cannot be written.
std::size_t WriteBirthdayCalendar(const std::filesystem::path& dataDirectory, const std::string& target,
                                  std::time_t stamp);

// The same for the records given, in their order.
std::size_t WriteBirthdayCalendar(const std::vector<BirthdayRecord>& records, const std::string& target,
                                  std::time_t stamp);

} // namespace candlewatcher
