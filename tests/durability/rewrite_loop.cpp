// Changes birthday.dat the way the program does, for the durability tests that inject failures into it
// or kill it part-way:
//   rewrite_loop DIR replace OLD NEW   replaces the records named OLD by one named NEW
//   rewrite_loop DIR delete NAME       deletes the records named NAME
//   rewrite_loop DIR append NAME...    appends a record named NAME, or records for several names in one
//                                      append
//   rewrite_loop DIR import FILE...    imports the birthdays of vCard files
//   rewrite_loop DIR loop NAME         appends NAME and deletes it again, forever; prints "ready" after the
//                                      first round
// A single change exits 0 when it was made and 1 when it was refused with BirthdayFileError. Around it the
// program calls getppid, which nothing else here calls, so a trace shows where the change begins and ends.
#include "contacts/contact_import.h"
#include "data/birthday_file.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/syscall.h>
#include <unistd.h>

namespace {

using candlewatcher::BirthdayFile;
using candlewatcher::BirthdayRecord;

BirthdayRecord Record(const char* name) {
    return BirthdayRecord{"1", "2", "2000", name};
}

void Mark() {
    ::syscall(SYS_getppid);
}

int Change(const BirthdayFile& file, const std::string& operation, int argc, char** argv) {
    if (operation == "replace" && argc == 5)
        file.ReplaceBirthday(argv[3], Record(argv[4]));
    else if (operation == "delete" && argc == 4)
        file.DeleteBirthday(argv[3]);
    else if (operation == "append" && argc == 4)
        file.AppendBirthday(Record(argv[3]));
    else if (operation == "append" && argc > 4) {
        std::vector<BirthdayRecord> records;
        for (int i = 3; i < argc; ++i)
            records.push_back(Record(argv[i]));
        file.AppendBirthdays(records);
    } else if (operation == "import" && argc >= 4)
        candlewatcher::ImportContacts(file, std::vector<std::filesystem::path>(argv + 3, argv + argc));
    else
        return 2;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(
            stderr,
            "usage: %s DIR replace OLD NEW | delete NAME | append NAME... | import FILE... | loop NAME\n",
            argv[0]);
        return 2;
    }
    BirthdayFile file(argv[1]);
    std::string operation = argv[2];
    try {
        if (operation == "loop") {
            for (bool first = true;; first = false) {
                file.AppendBirthday(Record(argv[3]));
                file.DeleteBirthday(argv[3]);
                if (first) {
                    std::fputs("ready\n", stdout);
                    std::fflush(stdout);
                }
            }
        }
        Mark();
        int result = Change(file, operation, argc, argv);
        Mark();
        return result;
    } catch (const std::runtime_error& error) { // BirthdayFileError, or ImportError for an unreadable file
        Mark();
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
