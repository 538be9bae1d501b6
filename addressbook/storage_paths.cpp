#include "addressbook/storage_paths.h"

#include <cstdint>
#include <cstdlib>
#include <cstdio>

namespace candlewatcher {

namespace {

std::filesystem::path BaseDirectory(const char* xdgValue, const char* home, const char* fallback) {
    if (xdgValue != nullptr && *xdgValue == '/')
        return xdgValue;
    return std::filesystem::path(home != nullptr ? home : "") / fallback;
}

// FNV-1a: stable from run to run and machine to machine, unlike std::hash.
std::string LocationKey(const std::string& location) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : location) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

} // namespace

AddressBookPaths ChooseAddressBookPaths(const char* xdgConfigHome, const char* xdgCacheHome,
                                        const char* home) {
    return AddressBookPaths{BaseDirectory(xdgConfigHome, home, ".config") / "Candlewatcher" / "addressbooks",
                            BaseDirectory(xdgCacheHome, home, ".cache") / "Candlewatcher" / "addressbooks"};
}

AddressBookPaths DefaultAddressBookPaths() {
    return ChooseAddressBookPaths(std::getenv("XDG_CONFIG_HOME"), std::getenv("XDG_CACHE_HOME"),
                                  std::getenv("HOME"));
}

std::filesystem::path CacheFileFor(const AddressBookPaths& paths, const std::string& location) {
    return paths.CacheDirectory / (LocationKey(location) + ".cards");
}

std::filesystem::path StatusFileFor(const AddressBookPaths& paths, const std::string& location) {
    return paths.CacheDirectory / (LocationKey(location) + ".status");
}

void RemoveCacheOf(const AddressBookPaths& paths, const std::string& location) {
    std::error_code ignored;
    std::filesystem::remove(CacheFileFor(paths, location), ignored);
    std::filesystem::remove(StatusFileFor(paths, location), ignored);
}

} // namespace candlewatcher
