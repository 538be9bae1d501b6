#pragma once

#include <filesystem>
#include <string_view>

namespace candlewatcher {

// Replaces the file at path with the bytes, or creates it, all at once: the bytes go to a temporary file
// beside it, which is synced and then renamed over it. A symbolic link stays and its target is replaced.
// On failure the file is as it was, no temporary file is left, and BirthdayFileError names the path and
// the reason. Only an ordinary file is replaced; a directory or a device in its place is refused.
void ReplaceFile(const std::filesystem::path& path, std::string_view bytes);

// Writes the bytes to standard output; BirthdayFileError when they could not all go out.
void WriteStandardOutput(std::string_view bytes);

} // namespace candlewatcher
