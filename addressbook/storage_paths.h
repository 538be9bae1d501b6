#pragma once

#include <filesystem>
#include <string>

namespace candlewatcher {

// Where the subscriptions and their caches are kept.
struct AddressBookPaths {
    std::filesystem::path SubscriptionFile; // $XDG_CONFIG_HOME/Candlewatcher/addressbooks
    std::filesystem::path CacheDirectory;   // $XDG_CACHE_HOME/Candlewatcher/addressbooks
};

// The paths for the given values of XDG_CONFIG_HOME, XDG_CACHE_HOME and HOME (null when unset; an empty
// or relative XDG value is ignored, as the base-directory rules say).
AddressBookPaths ChooseAddressBookPaths(const char* xdgConfigHome, const char* xdgCacheHome,
                                        const char* home);

// The same, from this process's environment.
AddressBookPaths DefaultAddressBookPaths();

// The cache of the subscription at location (a URL or a folder): a name made from it, so that nothing
// needs to be kept to find it.
std::filesystem::path CacheFileFor(const AddressBookPaths& paths, const std::string& location);
// Its last sync's time and error, beside it.
std::filesystem::path StatusFileFor(const AddressBookPaths& paths, const std::string& location);
// Removes both; either missing is no failure.
void RemoveCacheOf(const AddressBookPaths& paths, const std::string& location);

} // namespace candlewatcher
