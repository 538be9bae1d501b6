#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
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

// The whole content of a file, read into one buffer that is not cleared first.
struct FileBytes {
    std::unique_ptr<char[]> Data;
    std::size_t Size = 0;
    std::string_view View() const { return {Data.get(), Size}; }
};

class BirthdayFile {
public:
    explicit BirthdayFile(
        std::filesystem::path dataDirectory); // holds dataDirectory/"birthday.dat", ".../birthday.tmp"
    const std::filesystem::path& DataPath() const;
    const std::filesystem::path& TempPath() const;
    bool Exists() const;                               // an ordinary file named birthday.dat is present
    std::vector<BirthdayRecord> ReadBirthdays() const; // empty when the file does not exist
    // The bytes of birthday.dat as they are, read as ReadBirthdays reads them; nullopt when it does not
    // exist. The reminder's refresh walks the records in these bytes rather than copying every field.
    std::optional<FileBytes> ReadBytes() const;
    void AppendBirthday(const BirthdayRecord& record) const;
    // Adds the records after those in the file with one write: all of them or, on failure, none.
    void AppendBirthdays(const std::vector<BirthdayRecord>& records) const;
    // Reads the records the file holds and lets choose decide, from them, what to add; both happen under
    // the writer lock, so no other change can come between the reading and the adding. The chosen
    // records are added as AppendBirthdays adds them; an empty choice writes nothing. Returns the choice.
    using AppendChoice =
        std::function<std::vector<BirthdayRecord>(const std::vector<BirthdayRecord>& existing)>;
    std::vector<BirthdayRecord> AppendChosenBirthdays(const AppendChoice& choose) const;
    void ReplaceBirthday(const std::string& oldName, const BirthdayRecord& record) const;
    void DeleteBirthday(const std::string& name) const;

private:
    std::filesystem::path m_directory;
    std::filesystem::path m_dataPath;
    std::filesystem::path m_tempPath;
};

// Where birthday.dat lives: the program's own directory when the file already lies there, otherwise the
// per-user data directory ($XDG_DATA_HOME/Candlewatcher/). A --data-dir given to the program goes first.
std::filesystem::path DataDirectory();

} // namespace candlewatcher
