#include "addressbook/sync_schedule.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace candlewatcher {

namespace {

constexpr int kDefaultSyncMinutes = 30;
// A week: a longer wait is no schedule, and the doubling below stays far from overflow.
constexpr int kLongestSyncMinutes = 7 * 24 * 60;

} // namespace

int LoadSyncMinutes(const SettingsStore& store) {
    const std::string text = store.GetSetting("Candlewatcher", "AddressBooks", "SyncMinutes", "");
    int minutes = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), minutes);
    if (error != std::errc() || end != text.data() + text.size() || minutes < 1) {
        return kDefaultSyncMinutes;
    }
    return std::min(minutes, kLongestSyncMinutes);
}

int MinutesUntilNextSync(int failuresInARow, int syncMinutes) {
    if (failuresInARow <= 0) {
        return syncMinutes;
    }
    int delay = 1;
    for (int i = 1; i < failuresInARow && delay < syncMinutes; ++i) {
        delay *= 2;
    }
    return std::min(delay, syncMinutes);
}

} // namespace candlewatcher
