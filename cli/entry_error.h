#pragma once

#include <cstddef>
#include <cstring>

namespace candlewatcher {

// Hands a failure's reason across a module's plain C boundary: copied into error, cut to fit and
// NUL-terminated.
inline void CopyError(const char* reason, char* error, std::size_t errorSize) {
    if (errorSize > 0) {
        std::strncpy(error, reason, errorSize - 1);
        error[errorSize - 1] = '\0';
    }
}

} // namespace candlewatcher
