#include "data/ini_settings_reader.h"

#include "data/ini_text.h"
#include "data/posix_file.h"
#include "data/translation.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace candlewatcher {

namespace {

bool IsLineSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsSpecial(char c) {
    return c == '\n' || c == '\r' || c == '"' || c == ';' || c == '=' || c == '\\';
}

struct IniLine {
    std::string_view Text;
    std::size_t Equals = std::string_view::npos; // the first '=' outside quotes, within Text
};

// The next line of the file, as QSettings splits them: blanks before it skipped; a comment from a ';'
// that starts a line, or one outside quotes after other text, to the end of the line; a line break
// inside quotes or after a backslash going on to the next line. False when no line is left.
bool NextLine(std::string_view data, std::size_t& position, IniLine& line) {
    std::size_t start = position;
    while (start < data.size() && IsLineSpace(data[start])) {
        ++start;
    }
    bool inQuotes = false;
    std::size_t equals = std::string_view::npos;
    std::size_t i = start;
    while (i < data.size()) {
        while (i < data.size() && !IsSpecial(data[i])) {
            ++i;
        }
        if (i == data.size()) {
            break;
        }
        const char c = data[i++];
        if (c == '=') {
            if (!inQuotes && equals == std::string_view::npos) {
                equals = i - 1;
            }
        } else if (c == '\n' || c == '\r') {
            if (i == start + 1) {
                ++start;
            } else if (!inQuotes) {
                --i;
                break;
            }
        } else if (c == '\\') {
            if (i < data.size()) {
                const char escaped = data[i++];
                if (i < data.size() &&
                    ((escaped == '\n' && data[i] == '\r') || (escaped == '\r' && data[i] == '\n'))) {
                    ++i;
                }
            }
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (i == start + 1) { // ';' opening the line: all of it is a comment
            while (i < data.size() && data[i] != '\n' && data[i] != '\r') {
                ++i;
            }
            while (i < data.size() && IsLineSpace(data[i])) {
                ++i;
            }
            start = i;
        } else if (!inQuotes) { // ';' after text: the rest is the next "line", a comment
            --i;
            break;
        }
    }
    position = i;
    line.Text = data.substr(start, i - start);
    line.Equals = equals == std::string_view::npos ? equals : equals - start;
    return !line.Text.empty();
}

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) {
        return c == ' ' || (c >= '\t' && c <= '\r');
    };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view lowerCase) {
    if (text.size() != lowerCase.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
        if (c != lowerCase[i]) {
            return false;
        }
    }
    return true;
}

// The group a header names, with its trailing '/'; [General] holds the keys of no group.
std::u16string GroupOf(std::string_view header) {
    if (EqualsIgnoringCase(header, "general")) {
        return u"";
    }
    if (EqualsIgnoringCase(header, "%general")) {
        return Utf16FromUtf8(header.substr(1)) + u'/';
    }
    return UnescapedKey(header) + u'/';
}

} // namespace

std::filesystem::path IniSettingsPath(std::string_view app, const char* xdgConfigHome, const char* home) {
    std::filesystem::path base;
    if (xdgConfigHome != nullptr && *xdgConfigHome != '\0') {
        std::error_code error;
        base = std::filesystem::absolute(xdgConfigHome, error);
    } else {
        base = std::filesystem::path(home != nullptr && *home != '\0' ? home : "/") / ".config";
    }
    const std::string name(app);
    return (base / name / (name + ".ini")).lexically_normal();
}

IniSettingsReader::Values ParseIniSettings(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    // A group named twice is one group. The groups are taken in the order of their names, and within a
    // group the lines in file order: where two lines name the same key (through a '\' in a key, a group
    // can name another's key), the later one wins.
    std::map<std::u16string, std::vector<IniLine>> groups;
    std::vector<IniLine>* group = &groups[u""];
    std::size_t position = 0;
    for (IniLine line; NextLine(bytes, position, line);) {
        if (line.Text.front() == '[') {
            const std::size_t close = line.Text.find(']');
            group = &groups[GroupOf(
                Trimmed(line.Text.substr(1, close == std::string_view::npos ? close : close - 1)))];
        } else if (line.Equals != std::string_view::npos) {
            group->push_back(line);
        }
    }
    IniSettingsReader::Values values;
    for (const auto& [name, lines] : groups) {
        for (const IniLine& line : lines) {
            const std::u16string key = name + UnescapedKey(Trimmed(line.Text.substr(0, line.Equals)));
            values.insert_or_assign(Utf8FromUtf16(key), ValueText(line.Text.substr(line.Equals + 1)));
        }
    }
    return values;
}

IniSettingsReader::IniSettingsReader() = default;

IniSettingsReader::IniSettingsReader(std::filesystem::path file)
    : m_file(std::move(file)) {}

const IniSettingsReader::Values& IniSettingsReader::ValuesOf(const std::filesystem::path& file) const {
    if (const auto read = m_read.find(file); read != m_read.end()) {
        return read->second;
    }
    const auto fail = [&](const char* reason) -> const Values& {
        // TRANSLATORS: %1 is the settings file's path, %2 the reason.
        throw std::runtime_error(FillIn(Tr("Cannot read %1: %2"), {file.string(), reason}));
    };
    // Non-blocking, so that a FIFO in the file's place is refused rather than waited on.
    FileDescriptor descriptor(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!descriptor.IsOpen()) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            return m_read[file]; // no file: every value its default, as QSettings gives it
        }
        return fail(error == EACCES ? Tr("permission denied") : std::strerror(error));
    }
    struct stat status {};
    if (::fstat(descriptor.Get(), &status) != 0) {
        return fail(std::strerror(errno));
    }
    if (S_ISDIR(status.st_mode)) {
        return fail(Tr("a folder of that name is in its place"));
    }
    if (!S_ISREG(status.st_mode)) {
        return fail(Tr("it is not an ordinary file"));
    }
    const FileBytes bytes = ReadToEnd(descriptor.Get(), static_cast<std::size_t>(status.st_size), file);
    return m_read[file] = ParseIniSettings(bytes.View());
}

std::string IniSettingsReader::GetSetting(std::string_view app, std::string_view section,
                                          std::string_view key, std::string_view defaultText) const {
    const Values& values = ValuesOf(
        m_file.empty() ? IniSettingsPath(app, std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")) : m_file);
    std::string name(section);
    name += '/';
    name += key;
    const auto found = values.find(name);
    if (found == values.end() || !found->second) {
        return std::string(defaultText);
    }
    return *found->second;
}

void IniSettingsReader::SaveSetting(std::string_view app, std::string_view, std::string_view,
                                    std::string_view) {
    throw std::logic_error("the settings of " + std::string(app) +
                           " are only read here; the tray program writes them");
}

} // namespace candlewatcher
