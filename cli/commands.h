#pragma once

#include "data/date_helpers.h"

#include <cstddef>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace candlewatcher {

// Prints every row the panel's scan finds for the day, in its order, one line each as the panel shows it.
// The look-ahead is the stored settings', or days after today when days is given. Throws on failure,
// having printed nothing.
void ListBirthdays(const std::filesystem::path& dataDirectory, const CalendarDate& today,
                   std::optional<double> days);

// Adds the birthdays of the vCard files to birthday.dat, all or none, and prints what was added and what
// was skipped. Throws on failure, having added nothing.
void ImportVCards(const std::filesystem::path& dataDirectory,
                  const std::vector<std::filesystem::path>& files);

// Writes the birthdays as an iCalendar file to target ("-": standard output), stamped with the given
// moment. Returns how many records were left out for having no calendar date. Throws on failure, having
// written nothing.
std::size_t ExportBirthdays(const std::filesystem::path& dataDirectory, const std::string& target,
                            std::time_t stamp);

} // namespace candlewatcher
