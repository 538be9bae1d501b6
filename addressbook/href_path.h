#pragma once

#include <string>
#include <string_view>

namespace candlewatcher {

// An href's path with percent-escapes resolved and any "scheme://host" before it removed, so that two
// spellings of one resource compare equal.
std::string HrefPath(std::string_view href);

} // namespace candlewatcher
