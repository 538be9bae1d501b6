#pragma once

#include "data/settings_store.h"
#include "notify/notified_names.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace candlewatcher {

// A notice the user asked to hear of again ("Remind Me Later"): its day, occasion and people, and when.
struct SnoozedNotice {
    std::int64_t Due = 0; // seconds since 1970 UTC: a delay runs on whatever the local clock shows
    NotifiedNames Notice;
    bool operator==(const SnoozedNotice&) const = default;
};

// Each as "<Due>@<the notice as the record writes it>", joined by ";". A damaged one is left out.
std::string EncodeSnoozedNotices(const std::vector<SnoozedNotice>& snoozed);
std::vector<SnoozedNotice> DecodeSnoozedNotices(std::string_view text);

// [Notifications] Snoozed in the program's settings, so that a restart within the delay keeps them.
std::vector<SnoozedNotice> LoadSnoozedNotices(const SettingsStore& store);
void SaveSnoozedNotices(SettingsStore& store, const std::vector<SnoozedNotice>& snoozed);

} // namespace candlewatcher
