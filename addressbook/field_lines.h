#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace candlewatcher {

// One line of tab-separated fields, each free to hold any byte: backslash, tab, line feed and carriage
// return are written as "\\", "\t", "\n" and "\r". The line end is not included.
std::string JoinFields(const std::vector<std::string>& fields);

// The fields of such a line, escapes resolved (a backslash before anything else is kept).
std::vector<std::string> SplitFields(std::string_view line);

} // namespace candlewatcher
