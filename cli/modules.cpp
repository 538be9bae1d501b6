#include "cli/modules.h"

#include "cli/module_version.h"

#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include <dlfcn.h>

namespace candlewatcher {

namespace {

// Beside the program and where installing puts the modules relative to it; where the program's own path
// cannot be learnt (no /proc in a chroot or a sandbox), where this build installs them.
std::vector<std::filesystem::path> ModuleFolders() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || program.empty()) {
        return {CANDLEWATCHER_MODULES_INSTALLED};
    }
    const std::filesystem::path directory = program.parent_path();
    return {directory, directory / CANDLEWATCHER_MODULES_FROM_BIN};
}

std::filesystem::path FindModule(const char* moduleName) {
    std::error_code error;
    for (const std::filesystem::path& folder : ModuleFolders()) {
        if (std::filesystem::exists(folder / moduleName, error)) {
            return folder / moduleName;
        }
    }
    return {};
}

} // namespace

void* LoadModuleEntry(const char* moduleName, const char* entryName, std::string& reason) {
    const std::filesystem::path path = FindModule(moduleName);
    if (path.empty()) {
        std::string places;
        for (const std::filesystem::path& folder : ModuleFolders()) {
            places += (places.empty() ? "" : " nor in ") + folder.lexically_normal().string();
        }
        reason = std::string(moduleName) + " is neither in " + places;
        return nullptr;
    }
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        reason = ::dlerror();
        return nullptr;
    }
    auto* version = reinterpret_cast<ModuleVersion*>(::dlsym(module, kModuleVersionName));
    const char* moduleVersion = version != nullptr ? version() : "unknown";
    if (std::strcmp(moduleVersion, CANDLEWATCHER_VERSION) != 0) {
        reason =
            path.string() + " is of version " + moduleVersion + ", the program of " + CANDLEWATCHER_VERSION;
        return nullptr;
    }
    void* entry = ::dlsym(module, entryName);
    if (entry == nullptr) {
        reason = ::dlerror();
    }
    return entry;
}

} // namespace candlewatcher
