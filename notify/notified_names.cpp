#include "notify/notified_names.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <optional>

namespace candlewatcher {

namespace {

constexpr std::string_view kApp = "Candlewatcher";
constexpr std::string_view kSection = "Notifications";
constexpr std::string_view kNotified = "Notified";
constexpr char kEntrySeparator = ';';
// How many days before and after today the record keeps.
constexpr int kKeptDays = 7;
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

// Days since 1 January 1970 of a day of the Gregorian calendar.
int DayNumber(const CalendarDate& date) {
    const int year = date.Year - (date.Month <= 2 ? 1 : 0);
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int yearOfEra = year - era * 400;
    const int dayOfYear = (153 * (date.Month + (date.Month > 2 ? -3 : 9)) + 2) / 5 + date.Day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
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
    if (notified.DaysBefore > 0) {
        text.push_back('+');
        AppendNumber(text, notified.DaysBefore, 1);
    }
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
    NotifiedNames notified{*day, 0, {}};
    std::string_view rest = text.substr(10);
    if (!rest.empty() && rest.front() == '+') {
        const std::size_t end = std::min(rest.find('/'), rest.size());
        const std::optional<int> daysBefore = Number(rest.substr(1, end - 1), end - 1);
        if (!daysBefore || end < 2 || end > 3 || *daysBefore < 1) {
            return {};
        }
        notified.DaysBefore = *daysBefore;
        rest.remove_prefix(end);
    }
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

std::string EncodeNoticeRecord(const NoticeRecord& record) {
    std::string text;
    for (const NotifiedNames& entry : record) {
        if (!text.empty()) {
            text.push_back(kEntrySeparator);
        }
        text += EncodeNotifiedNames(entry);
    }
    return text;
}

NoticeRecord DecodeNoticeRecord(std::string_view text) {
    NoticeRecord record;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(kEntrySeparator), text.size());
        NotifiedNames entry = DecodeNotifiedNames(text.substr(0, end));
        if (entry.Day.Year != 0) {
            record.push_back(std::move(entry));
        }
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return record;
}

NoticeRecord MergedRecord(const CalendarDate& today, const NoticeRecord& first, const NoticeRecord& second) {
    NoticeRecord merged;
    const int todayNumber = DayNumber(today);
    for (const NoticeRecord* record : {&first, &second}) {
        for (const NotifiedNames& entry : *record) {
            if (std::abs(DayNumber(entry.Day) - todayNumber) > kKeptDays) {
                continue;
            }
            auto same = std::find_if(merged.begin(), merged.end(), [&](const NotifiedNames& kept) {
                return kept.Day == entry.Day && kept.DaysBefore == entry.DaysBefore;
            });
            if (same == merged.end()) {
                same = merged.insert(merged.end(), NotifiedNames{entry.Day, entry.DaysBefore, {}});
            }
            for (const std::string& name : entry.Names) {
                if (std::find(same->Names.begin(), same->Names.end(), name) == same->Names.end()) {
                    same->Names.push_back(name);
                }
            }
        }
    }
    return merged;
}

bool WasTold(const NoticeRecord& record, const CalendarDate& day, int daysBefore, std::string_view name) {
    return std::any_of(record.begin(), record.end(), [&](const NotifiedNames& entry) {
        return entry.Day == day && entry.DaysBefore == daysBefore &&
               std::find(entry.Names.begin(), entry.Names.end(), name) != entry.Names.end();
    });
}

NoticeRecord LoadNoticeRecord(const SettingsStore& store) {
    return DecodeNoticeRecord(store.GetSetting(kApp, kSection, kNotified, ""));
}

void SaveNoticeRecord(SettingsStore& store, const NoticeRecord& record) {
    store.SaveSetting(kApp, kSection, kNotified, EncodeNoticeRecord(record));
}

} // namespace candlewatcher
