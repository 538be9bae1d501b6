#include "notify/snoozed_notices.h"

#include <algorithm>
#include <charconv>

namespace candlewatcher {

namespace {

constexpr std::string_view kApp = "Candlewatcher";
constexpr std::string_view kSection = "Notifications";
constexpr std::string_view kSnoozed = "Snoozed";
constexpr char kSeparator = ';';
constexpr char kDueEnd = '@';

} // namespace

std::string EncodeSnoozedNotices(const std::vector<SnoozedNotice>& snoozed) {
    std::string text;
    for (const SnoozedNotice& notice : snoozed) {
        if (!text.empty()) {
            text.push_back(kSeparator);
        }
        text += std::to_string(notice.Due);
        text.push_back(kDueEnd);
        text += EncodeNotifiedNames(notice.Notice);
    }
    return text;
}

std::vector<SnoozedNotice> DecodeSnoozedNotices(std::string_view text) {
    std::vector<SnoozedNotice> snoozed;
    while (!text.empty()) {
        const std::size_t length = std::min(text.find(kSeparator), text.size());
        const std::string_view entry = text.substr(0, length);
        text.remove_prefix(std::min(length + 1, text.size()));
        const std::size_t at = entry.find(kDueEnd);
        if (at == std::string_view::npos) {
            continue;
        }
        SnoozedNotice notice;
        const auto [end, error] = std::from_chars(entry.data(), entry.data() + at, notice.Due);
        if (error != std::errc() || end != entry.data() + at) {
            continue;
        }
        notice.Notice = DecodeNotifiedNames(entry.substr(at + 1));
        if (notice.Notice.Day.Year != 0) {
            snoozed.push_back(std::move(notice));
        }
    }
    return snoozed;
}

std::vector<SnoozedNotice> LoadSnoozedNotices(const SettingsStore& store) {
    return DecodeSnoozedNotices(store.GetSetting(kApp, kSection, kSnoozed, ""));
}

void SaveSnoozedNotices(SettingsStore& store, const std::vector<SnoozedNotice>& snoozed) {
    store.SaveSetting(kApp, kSection, kSnoozed, EncodeSnoozedNotices(snoozed));
}

} // namespace candlewatcher
