#pragma once

#include "contacts/vcard_reader.h"
#include "data/birthday_file.h"

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace candlewatcher {

// A card that was not imported, and why, said for a user to read ("already in the list", "no birthday").
// Name is empty for a card without a name.
struct SkippedContact {
    std::string Name;
    std::string Reason;
    bool operator==(const SkippedContact&) const = default;
};

// What an import adds, in card order, and what it leaves out.
struct ImportPlan {
    std::vector<BirthdayRecord> Added;
    std::vector<SkippedContact> Skipped;
};

// Chooses the records to add for the cards: Day and Month without leading zeros, Year the four-digit year or
// "0" when the card has none. A card is skipped when it is larger than 1 MiB; without a name that can be
// read, or with one longer than 1,000 bytes or holding a control character; without a birthday, or with one
// that is no date (or no real day); or with a name that, as the windows show it (DisplayUtf8), equals that of
// an existing record or of one already added from an earlier card.
ImportPlan PlanImport(const std::vector<BirthdayRecord>& existing, const std::vector<VCardContact>& contacts);

// A vCard file that cannot be read; what() is "<file>: <reason>".
class ImportError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Reads every vCard file first (ImportError naming the first that cannot be read, or that holds no card:
// then nothing is written), then adds the plan's records, chosen against the records birthday.dat holds
// under the writer lock, with one write (BirthdayFileError on failure: nothing added). Returns the plan.
ImportPlan ImportContacts(const BirthdayFile& file, const std::vector<std::filesystem::path>& vcardFiles);

// The lines a user is told: "Added: Ann Lee (15.7.1990)" ("(15.7.)" without a year), "Skipped: Tom Baker:
// already in the list", "Skipped: a card without a name", and last "N added, M skipped". Control characters
// and bytes that are not UTF-8 show as U+FFFD; a name too long to store shows its start and "...".
std::vector<std::string> ImportSummary(const ImportPlan& plan);

// What an import of files did, as the tray menu shows it and the command line prints it.
struct ImportReport {
    std::vector<std::string> Lines; // ImportSummary's
    std::size_t Added = 0;
    std::size_t Skipped = 0;
};

// Imports the vCard files into the birthday.dat of the data directory as ImportContacts does (and throws
// as it does, having added nothing), and reports what it did.
ImportReport ImportContactFiles(const std::filesystem::path& dataDirectory,
                                const std::vector<std::filesystem::path>& vcardFiles);

} // namespace candlewatcher
