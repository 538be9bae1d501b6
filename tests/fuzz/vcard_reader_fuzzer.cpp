// Any bytes at all may be handed over as a vCard file: the reader and the import plan must take them
// without a fault, and what they choose to add must be fit for birthday.dat: one line per field, a name that
// is UTF-8 without blanks at its ends, a real date.
#include "contacts/contact_import.h"
#include "contacts/text_decoding.h"
#include "data/date_helpers.h"
#include "data/display_text.h"
#include "data/record_parser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_set>

using namespace candlewatcher;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<VCardContact> contacts = ReadVCards(bytes);
    for (const VCardContact& contact : contacts) {
        const std::string& name = contact.Name;
        if (!IsUtf8(name) || FieldBreaksLine(name) ||
            (!name.empty() && (name.front() == ' ' || name.back() == ' ')))
            std::abort();
    }
    const ImportPlan plan = PlanImport({}, contacts);
    if (plan.Added.size() + plan.Skipped.size() != contacts.size())
        std::abort();
    std::unordered_set<std::string> names;
    for (const BirthdayRecord& record : plan.Added) {
        if (!names.insert(record.Name).second)
            std::abort(); // one name added twice
        const int day = std::atoi(record.Day.c_str()), month = std::atoi(record.Month.c_str());
        const int year = std::atoi(record.Year.c_str());
        if (record.Name.empty() || month < 1 || month > 12 || day < 1 ||
            day > DaysInMonth(month, year == 0 ? 2000 : year) || year < 0 || year > 9999)
            std::abort();
    }
    ImportSummary(plan);
    return 0;
}
