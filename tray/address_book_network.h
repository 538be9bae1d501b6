#pragma once

#include "addressbook/network_entry.h"

namespace candlewatcher {

// The network half of the address books, loaded on first use from its module (see
// addressbook/network_entry.h). Throws AddressBookError saying why when the module cannot be loaded.
const AddressBookNetwork& LoadedAddressBookNetwork();

// Tests link the network code into their program and hand it in here instead of loading the module.
void UseAddressBookNetwork(const AddressBookNetwork& network);

} // namespace candlewatcher
