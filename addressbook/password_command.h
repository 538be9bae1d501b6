#pragma once

#include <string>

namespace candlewatcher {

// The password a command gives: it runs through /bin/sh, and the first line of its standard output
// (without the line end) is the password. Its standard error and input stay the terminal's, so that it
// can ask. Throws AddressBookError, never naming the output, when it fails or prints nothing.
std::string RunPasswordCommand(const std::string& command);

} // namespace candlewatcher
