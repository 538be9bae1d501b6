#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include <sys/stat.h>

namespace candlewatcher {

// The file a replacement lands in: a directory held open, the file's name in it, and the path errors name.
struct ReplaceTarget {
    int Directory = -1;
    std::string Name;
    std::filesystem::path Path;
};

// Gives the target the bytes as its whole content, all at once: they go to a temporary file in the same
// directory, which is written whole, synced and closed (each checked), then renamed over the target; the
// directory is synced last. Until the rename the target is untouched; any failure before it removes the
// temporary file and throws BirthdayFileError naming the target and the system's reason.
//
// tempName is the temporary file's fixed name, a leftover of which is removed first; empty, a fresh name
// ".<target>.XXXXXX" is found that no other file has. former is the status of the file being replaced, whose
// permissions (and owner, where that is allowed) the new file keeps; null for a new file, which gets 0666
// less the umask.
void ReplaceAtomically(const ReplaceTarget& target, std::string_view tempName, const struct stat* former,
                       std::string_view bytes);

} // namespace candlewatcher
