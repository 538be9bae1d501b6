#include "tray/address_book_network.h"

#include "addressbook/address_book_error.h"
#include "cli/addressbook_entry.h"
#include "cli/modules.h"
#include "data/translation.h"

#include <mutex>
#include <string>

namespace candlewatcher {

namespace {

// Loaded from the worker threads of the syncs and the dialog's add: guarded, and loaded once.
std::mutex g_mutex;
AddressBookNetwork g_network;

} // namespace

const AddressBookNetwork& LoadedAddressBookNetwork() {
    const std::lock_guard lock(g_mutex);
    if (g_network.Add == nullptr) {
        std::string reason;
        auto* entry = reinterpret_cast<AddressBookNetworkEntry*>(
            LoadModuleEntry(kAddressBookModuleName, kAddressBookNetworkEntryName, reason));
        if (entry == nullptr) {
            // TRANSLATORS: %1 is the system's reason, such as a missing library.
            throw AddressBookError(FillIn(Tr("cannot load the address books' network module: %1"), {reason}));
        }
        g_network = *entry();
    }
    return g_network;
}

void UseAddressBookNetwork(const AddressBookNetwork& network) {
    const std::lock_guard lock(g_mutex);
    g_network = network;
}

} // namespace candlewatcher
