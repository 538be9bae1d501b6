#include "notify/notified_names.h"

#include "data/iso_date.h"
#include "data/percent_encoding.h"

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

// Exactly "digits" decimal digits.
std::optional<int> Number(std::string_view text, std::size_t digits) {
    int value = 0;
    if (text.size() != digits ||
        std::from_chars(text.data(), text.data() + text.size(), value).ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::string EncodeNotifiedNames(const NotifiedNames& notified) {
    std::string text = IsoDateText(notified.Day);
    if (notified.DaysBefore > 0) {
        text += '+' + std::to_string(notified.DaysBefore);
    }
    return text + PercentEncodedNames(notified.Names);
}

NotifiedNames DecodeNotifiedNames(std::string_view text) {
    const std::optional<CalendarDate> day = ReadIsoDate(text.substr(0, 10), 1);
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
    if (!rest.empty()) {
        std::optional<std::vector<std::string>> names = PercentDecodedNames(rest);
        if (!names) {
            return {};
        }
        notified.Names = std::move(*names);
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
    const long long todayNumber = DaysSinceEpoch(today);
    for (const NoticeRecord* record : {&first, &second}) {
        for (const NotifiedNames& entry : *record) {
            if (std::abs(DaysSinceEpoch(entry.Day) - todayNumber) > kKeptDays) {
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
