#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace candlewatcher {

// One stored birthday: four texts kept as the bytes they are in the file.
struct BirthdayRecord {
    std::string Day, Month, Year, Name;
    bool operator==(const BirthdayRecord&) const = default;
};

// Thrown by every operation that cannot do its whole job; what() names the file and the system's reason.
// When it is thrown, birthday.dat is exactly as it was before the call.
class BirthdayFileError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

class BirthdayFile {
public:
    explicit BirthdayFile(std::filesystem::path dataDirectory); // holds dataDirectory/"birthday.dat", ".../birthday.tmp"
    const std::filesystem::path& DataPath() const;
    const std::filesystem::path& TempPath() const;
    bool Exists() const; // an ordinary file named birthday.dat is present
    std::vector<BirthdayRecord> ReadBirthdays() const; // empty when the file does not exist
    void AppendBirthday(const BirthdayRecord& record) const;
    void ReplaceBirthday(const std::string& oldName, const BirthdayRecord& record) const;
    void DeleteBirthday(const std::string& name) const;

private:
    std::filesystem::path m_directory;
    std::filesystem::path m_dataPath;
    std::filesystem::path m_tempPath;
};

// The program's own directory, or the per-user data directory when that one cannot hold the file.
std::filesystem::path DataDirectory();

} // namespace candlewatcher
