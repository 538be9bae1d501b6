#include "cli/modules.h"

#include "cli/module_version.h"
#include "data/translation.h"

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
        const std::vector<std::filesystem::path> folders = ModuleFolders();
        const std::string first = folders.front().lexically_normal().string();
        if (folders.size() == 1) {
            // TRANSLATORS: %1 is a module's file name, %2 the folder it was looked for in.
            reason = FillIn(Tr("%1 is neither in %2"), {moduleName, first});
        } else {
            // TRANSLATORS: %1 is a module's file name, %2 and %3 the folders it was looked for in.
            reason = FillIn(Tr("%1 is neither in %2 nor in %3"),
                            {moduleName, first, folders.back().lexically_normal().string()});
        }
        return nullptr;
    }
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        reason = ::dlerror();
        return nullptr;
    }
    auto* version = reinterpret_cast<ModuleVersion*>(::dlsym(module, kModuleVersionName));
    // TRANSLATORS: the version of a module that does not say which it is.
    const char* moduleVersion = version != nullptr ? version() : Tr("unknown");
    if (std::strcmp(moduleVersion, CANDLEWATCHER_VERSION) != 0) {
        // TRANSLATORS: %1 is a module's path, %2 its version and %3 the program's.
        reason = FillIn(Tr("%1 is of version %2, the program of %3"),
                        {path.string(), moduleVersion, CANDLEWATCHER_VERSION});
        return nullptr;
    }
    void* entry = ::dlsym(module, entryName);
    if (entry == nullptr) {
        reason = ::dlerror();
    }
    return entry;
}

} // namespace candlewatcher
