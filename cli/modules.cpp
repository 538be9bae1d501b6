#include "cli/modules.h"

#include <filesystem>
#include <system_error>

#include <dlfcn.h>

namespace candlewatcher {

namespace {

// Installing puts the modules in the same place relative to the program, whatever the prefix.
std::filesystem::path FindModule(const char* moduleName) {
    std::error_code error;
    const std::filesystem::path directory =
        std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    for (const std::filesystem::path& candidate :
         {directory / moduleName, directory / CANDLEWATCHER_MODULES_FROM_BIN / moduleName}) {
        if (std::filesystem::exists(candidate, error)) {
            return candidate;
        }
    }
    return {};
}

} // namespace

void* LoadModuleEntry(const char* moduleName, const char* entryName, int dlopenFlags, std::string& reason) {
    const std::filesystem::path path = FindModule(moduleName);
    if (path.empty()) {
        reason = std::string(moduleName) + " is neither beside the program nor in " +
                 CANDLEWATCHER_MODULES_FROM_BIN;
        return nullptr;
    }
    void* module = ::dlopen(path.c_str(), dlopenFlags);
    void* entry = module != nullptr ? ::dlsym(module, entryName) : nullptr;
    if (entry == nullptr) {
        reason = ::dlerror();
    }
    return entry;
}

} // namespace candlewatcher
