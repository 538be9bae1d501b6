#pragma once

#include "data/settings_store.h"

namespace candlewatcher {

// [AddressBooks] SyncMinutes: how often the running tray program syncs the address books; 30 unless the
// setting holds a whole number of at least 1.
int LoadSyncMinutes(const SettingsStore& store);

// Minutes until the next sync after failuresInARow failed syncs: the regular interval after a good one,
// else 1, 2, 4 ... minutes, doubling with each failure but never longer than the regular interval, so that
// a server that is back is soon found again and a server that stays down is asked no more than usual.
int MinutesUntilNextSync(int failuresInARow, int syncMinutes);

} // namespace candlewatcher
