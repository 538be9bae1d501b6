#include "addressbook/href_path.h"

#include "data/hex_digits.h"

namespace candlewatcher {

std::string HrefPath(std::string_view href) {
    const std::size_t first = href.find_first_not_of(" \t\r\n");
    href = first == std::string_view::npos ? std::string_view()
                                           : href.substr(first, href.find_last_not_of(" \t\r\n") - first + 1);
    if (const std::size_t scheme = href.find("://"); scheme != std::string_view::npos) {
        const std::size_t path = href.find('/', scheme + 3);
        href = path == std::string_view::npos ? std::string_view("/") : href.substr(path);
    }
    std::string path;
    path.reserve(href.size());
    for (std::size_t i = 0; i < href.size(); ++i) {
        if (const int byte = href[i] == '%' ? HexByteAt(href, i + 1) : -1; byte >= 0) {
            path += static_cast<char>(byte);
            i += 2;
        } else {
            path += href[i];
        }
    }
    return path;
}

} // namespace candlewatcher
