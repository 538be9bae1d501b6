#include "cli/module_version.h"

const char* CandlewatcherModuleVersion() {
    return CANDLEWATCHER_VERSION;
}
