#pragma once

#include <cstddef>

// The calendar export lives in a module of its own, loaded only for --export: it alone needs libical (and
// the ICU libraries that come with it), which --list and --import would otherwise load for nothing. Plain C
// types cross the boundary, so the module and the program need not share one C++ runtime.
//
// Writes the birthdays of dataDirectory's birthday.dat and of the address books subscribed in
// subscriptionFile (their caches in cacheDirectory) as an iCalendar file to target ("-": standard output),
// stamped with the moment given in seconds since the epoch. Returns 0 and the number of records left out
// for having no calendar date, or 1 with the reason (NUL-terminated, cut to fit) in error, having written
// nothing.
extern "C" __attribute__((visibility("default"))) int
CandlewatcherExportBirthdays(const char* dataDirectory, const char* subscriptionFile,
                             const char* cacheDirectory, const char* target, long long stamp,
                             std::size_t* leftOut, char* error, std::size_t errorSize);

namespace candlewatcher {

using ExportEntry = int(const char* dataDirectory, const char* subscriptionFile, const char* cacheDirectory,
                        const char* target, long long stamp, std::size_t* leftOut, char* error,
                        std::size_t errorSize);
inline constexpr const char* kExportEntryName = "CandlewatcherExportBirthdays";
inline constexpr const char* kExportModuleName = "libcandlewatcher_export.so";

} // namespace candlewatcher
