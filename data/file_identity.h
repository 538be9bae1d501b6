#pragma once

#include <cstdint>
#include <filesystem>

namespace candlewatcher {

// What tells one state of a file from another without reading it: which file lies at the path (device and
// inode: a rename over it brings another), its size and its change times to the nanosecond (a write in
// place of the same length). Two equal identities mean, as far as the file system can tell, the same bytes.
struct FileIdentity {
    bool Present = false; // something lies at the path, a dangling link included
    int Error = 0;        // why the path could not be followed (errno), 0 when it could
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::int64_t Size = 0;
    std::int64_t ModifiedSeconds = 0;
    std::int64_t ModifiedNanoseconds = 0;
    std::int64_t ChangedSeconds = 0; // status change: permissions, owner, links
    std::int64_t ChangedNanoseconds = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of what the path leads to, following links as a reader of the file does. When that fails,
// the identity of the path itself, so a dangling link is told from no file at all.
FileIdentity IdentityOf(const std::filesystem::path& path);

} // namespace candlewatcher
