#include "addressbook/vcard_folder.h"

#include "addressbook/address_book_error.h"
#include "contacts/text_decoding.h"
#include "data/posix_file.h"
#include "data/translation.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>

namespace candlewatcher {

namespace {

// As --import: far beyond any card, photos included.
constexpr std::size_t kLargestVCardFile = std::size_t(256) << 20;

[[noreturn]] void Fail(const std::filesystem::path& path, const std::string& reason) {
    throw AddressBookError(path.string() + ": " + reason);
}

std::vector<VCardContact> ReadCardFile(const std::filesystem::path& path) {
    // Without waiting, so that a named pipe in the folder cannot hang a refresh; only ordinary files count.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!file.IsOpen())
        Fail(path, std::strerror(errno));
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0)
        Fail(path, std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        return {};
    if (static_cast<std::size_t>(status.st_size) > kLargestVCardFile)
        Fail(path, Tr("larger than 256 MiB, too large for a vCard file"));
    try {
        const FileBytes bytes = ReadToEnd(file.Get(), static_cast<std::size_t>(status.st_size), path, true);
        return ReadVCards(bytes.View());
    } catch (const BirthdayFileError& error) {
        throw AddressBookError(error.what());
    }
}

} // namespace

std::vector<VCardContact> ReadVCardFolder(const std::filesystem::path& folder) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        Fail(folder, error ? error.message() : Tr("not a folder"));
    std::vector<std::filesystem::path> files;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error))
        if (EqualsIgnoringCase(entry->path().extension().string(), ".vcf"))
            files.push_back(entry->path());
    if (error)
        Fail(folder, error.message());
    std::sort(files.begin(), files.end());
    std::vector<VCardContact> contacts;
    for (const std::filesystem::path& file : files) {
        std::vector<VCardContact> read = ReadCardFile(file);
        contacts.insert(contacts.end(), std::make_move_iterator(read.begin()),
                        std::make_move_iterator(read.end()));
    }
    return contacts;
}

} // namespace candlewatcher
