#pragma once

#include "reminder/scan.h"

#include <string>
#include <vector>

namespace candlewatcher {

// The rows as lines of UTF-8 text, each exactly as the panel shows its row, each ended by a line feed.
std::string RowLines(const std::vector<ReminderRow>& rows);

} // namespace candlewatcher
