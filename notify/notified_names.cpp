#include "notify/notified_names.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace candlewatcher {

namespace {

constexpr std::string_view kApp = "Candlewatcher";
constexpr std::string_view kSection = "Notifications";
constexpr std::string_view kNotified = "Notified";
constexpr std::string_view kEnabled = "Enabled";
constexpr char kHexDigits[] = "0123456789ABCDEF";

bool KeptAsIs(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

void AppendEncoded(std::string& text, std::string_view name) {
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (KeptAsIs(byte)) {
            text.push_back(c);
        } else {
            text.push_back('%');
            text.push_back(kHexDigits[byte >> 4]);
            text.push_back(kHexDigits[byte & 0xF]);
        }
    }
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::optional<std::string> Decoded(std::string_view encoded) {
    std::string name;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const auto byte = static_cast<unsigned char>(encoded[i]);
        if (KeptAsIs(byte)) {
            name.push_back(encoded[i]);
            continue;
        }
        if (byte != '%' || i + 2 >= encoded.size() || HexValue(encoded[i + 1]) < 0 ||
            HexValue(encoded[i + 2]) < 0) {
            return std::nullopt;
        }
        name.push_back(static_cast<char>(HexValue(encoded[i + 1]) * 16 + HexValue(encoded[i + 2])));
        i += 2;
    }
    return name;
}

void AppendNumber(std::string& text, int value, std::size_t width) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const auto length = static_cast<std::size_t>(end - digits);
    text.append(length < width ? width - length : 0, '0');
    text.append(digits, length);
}

// Exactly "digits" decimal digits.
std::optional<int> Number(std::string_view text, std::size_t digits) {
    int value = 0;
    if (text.size() != digits ||
        std::from_chars(text.data(), text.data() + text.size(), value).ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<CalendarDate> DayOf(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    const std::optional<int> year = Number(text.substr(0, 4), 4);
    const std::optional<int> month = Number(text.substr(5, 2), 2);
    const std::optional<int> day = Number(text.substr(8, 2), 2);
    if (!year || !month || !day || *year < 1 || *month < 1 || *month > 12 || *day < 1 ||
        *day > DaysInMonth(*month, *year)) {
        return std::nullopt;
    }
    return CalendarDate{*day, *month, *year};
}

} // namespace

std::string EncodeNotifiedNames(const NotifiedNames& notified) {
    std::string text;
    AppendNumber(text, notified.Day.Year, 4);
    text.push_back('-');
    AppendNumber(text, notified.Day.Month, 2);
    text.push_back('-');
    AppendNumber(text, notified.Day.Day, 2);
    for (const std::string& name : notified.Names) {
        text.push_back('/'); // before each name, so that an empty name is one too
        AppendEncoded(text, name);
    }
    return text;
}

NotifiedNames DecodeNotifiedNames(std::string_view text) {
    const std::optional<CalendarDate> day = DayOf(text.substr(0, 10));
    if (!day) {
        return {};
    }
    NotifiedNames notified{*day, {}};
    std::string_view rest = text.substr(10);
    while (!rest.empty()) {
        if (rest.front() != '/') {
            return {};
        }
        rest.remove_prefix(1);
        const std::size_t end = std::min(rest.find('/'), rest.size());
        std::optional<std::string> name = Decoded(rest.substr(0, end));
        if (!name) {
            return {};
        }
        notified.Names.push_back(std::move(*name));
        rest.remove_prefix(end);
    }
    return notified;
}

NotifiedNames LoadNotifiedNames(const SettingsStore& store) {
    return DecodeNotifiedNames(store.GetSetting(kApp, kSection, kNotified, ""));
}

void SaveNotifiedNames(SettingsStore& store, const NotifiedNames& notified) {
    store.SaveSetting(kApp, kSection, kNotified, EncodeNotifiedNames(notified));
}

bool LoadNotificationsEnabled(const SettingsStore& store) {
    return store.GetSetting(kApp, kSection, kEnabled, "1") != "0";
}

void SaveNotificationsEnabled(SettingsStore& store, bool enabled) {
    store.SaveSetting(kApp, kSection, kEnabled, enabled ? "1" : "0");
}

} // namespace candlewatcher
