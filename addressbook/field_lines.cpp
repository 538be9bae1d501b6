#include "addressbook/field_lines.h"

namespace candlewatcher {

std::string JoinFields(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i != 0)
            line += '\t';
        for (char c : fields[i]) {
            switch (c) {
            case '\\':
                line += "\\\\";
                break;
            case '\t':
                line += "\\t";
                break;
            case '\n':
                line += "\\n";
                break;
            case '\r':
                line += "\\r";
                break;
            default:
                line += c;
            }
        }
    }
    return line;
}

std::vector<std::string> SplitFields(std::string_view line) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            fields.emplace_back();
        } else if (c == '\\' && i + 1 < line.size()) {
            const char next = line[i + 1];
            const char* decoded = next == '\\'  ? "\\"
                                  : next == 't' ? "\t"
                                  : next == 'n' ? "\n"
                                  : next == 'r' ? "\r"
                                                : nullptr;
            if (decoded != nullptr) {
                fields.back() += decoded;
                ++i;
            } else {
                fields.back() += c;
            }
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

} // namespace candlewatcher
