#pragma once

#include "contacts/vcard_reader.h"

#include <filesystem>
#include <vector>

namespace candlewatcher {

// The cards of every .vcf file (any case) directly in folder, one or more a file, the files in name
// order, read as --import reads them. Throws AddressBookError when the folder, or a file in it, cannot be
// read.
std::vector<VCardContact> ReadVCardFolder(const std::filesystem::path& folder);

} // namespace candlewatcher
