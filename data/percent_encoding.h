#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace candlewatcher {

// Names kept in the settings are percent-encoded byte by byte except letters, digits and "-._~", so the
// text is plain ASCII that no separator, line break or invalid UTF-8 in a name can upset.
void AppendPercentEncoded(std::string& text, std::string_view bytes);
// nullopt when a '%' is not followed by two hexadecimal digits or a byte should have been escaped.
std::optional<std::string> PercentDecoded(std::string_view encoded);

// A list of names as one text: "/" before each name (so that an empty name is one too), percent-encoded.
std::string PercentEncodedNames(const std::vector<std::string>& names);
// nullopt when the text does not start with "/" or a name is damaged.
std::optional<std::vector<std::string>> PercentDecodedNames(std::string_view text);

} // namespace candlewatcher
