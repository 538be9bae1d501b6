// Any bytes at all may sit in birthday.dat: the reader must take them without a fault, and the records it
// finds must come back unchanged when they are written out the way every writer writes them and read again.
#include "data/record_parser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using candlewatcher::BirthdayRecord;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<BirthdayRecord> records = candlewatcher::ParseBirthdayRecords(bytes);

    std::string written;
    for (const BirthdayRecord& record : records) {
        for (const std::string* field : {&record.Day, &record.Month, &record.Year, &record.Name}) {
            if (candlewatcher::FieldBreaksLine(*field)) {
                std::abort(); // a field holding a line end would shift every record after it
            }
        }
        candlewatcher::AppendRecordBytes(written, record);
    }
    // A first field that itself starts with a byte order mark (two marks in a row) cannot survive: the
    // reader skips one mark at the start of any file.
    if (!records.empty() && std::string_view(records.front().Day).substr(0, 3) == "\xEF\xBB\xBF") {
        return 0;
    }
    if (candlewatcher::ParseBirthdayRecords(written) != records) {
        std::abort();
    }
    return 0;
}
