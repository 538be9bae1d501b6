#pragma once

#include "addressbook/commands.h"

// The tray program reaches the network half of the address books (libcurl, OpenSSL, expat and the twenty
// libraries they bring) through the module the command line loads for --add-address-book and --sync, so
// that none of them loads before the panel has painted, nor at all for someone who subscribes to nothing.
// The tray module and that module share one C++ runtime, so the functions cross as they are.

namespace candlewatcher {

struct AddressBookNetwork {
    decltype(&AddAddressBook) Add = nullptr;
    decltype(&SyncAddressBooks) Sync = nullptr;
};

inline constexpr const char* kAddressBookNetworkEntryName = "CandlewatcherAddressBookNetwork";
using AddressBookNetworkEntry = const AddressBookNetwork*();

} // namespace candlewatcher

extern "C" __attribute__((visibility("default"))) const candlewatcher::AddressBookNetwork*
CandlewatcherAddressBookNetwork();
