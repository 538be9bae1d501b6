#include "contacts/vcard_property.h"

#include "contacts/text_decoding.h"

#include <algorithm>

namespace candlewatcher {

namespace {

std::string_view Unquoted(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

std::string_view PropertyName(std::string_view line) {
    std::string_view name = line.substr(0, line.find_first_of(";:"));
    if (std::size_t dot = name.rfind('.'); dot != std::string_view::npos)
        name.remove_prefix(dot + 1);
    return name;
}

std::optional<VCardProperty> SplitProperty(std::string_view line) {
    const std::size_t nameEnd = line.find_first_of(";:");
    if (nameEnd == std::string_view::npos)
        return std::nullopt;
    VCardProperty property;
    property.Name = PropertyName(line);
    if (property.Name.empty())
        return std::nullopt;
    std::size_t colon = nameEnd;
    bool quoted = false;
    for (; colon < line.size(); ++colon) {
        if (line[colon] == '"')
            quoted = !quoted;
        else if (line[colon] == ':' && !quoted)
            break;
    }
    if (colon == line.size())
        return std::nullopt;
    if (colon > nameEnd)
        property.Parameters = line.substr(nameEnd + 1, colon - nameEnd - 1);
    property.Value = line.substr(colon + 1);
    return property;
}

VCardParameters ReadParameters(std::string_view parameters) {
    VCardParameters read;
    while (!parameters.empty()) {
        std::size_t end = 0;
        for (bool quoted = false; end < parameters.size() && (quoted || parameters[end] != ';'); ++end)
            quoted = parameters[end] == '"' ? !quoted : quoted;
        std::string_view parameter = parameters.substr(0, end);
        parameters.remove_prefix(std::min(end + 1, parameters.size()));

        const std::size_t equals = parameter.find('=');
        const std::string_view key =
            equals == std::string_view::npos ? std::string_view() : parameter.substr(0, equals);
        const std::string_view value =
            Unquoted(equals == std::string_view::npos ? parameter : parameter.substr(equals + 1));
        if ((key.empty() || EqualsIgnoringCase(key, "ENCODING")) &&
            EqualsIgnoringCase(value, "QUOTED-PRINTABLE"))
            read.QuotedPrintable = true;
        else if (EqualsIgnoringCase(key, "CHARSET"))
            read.Charset = value;
        else if (EqualsIgnoringCase(key, "VALUE"))
            read.ValueType = value;
        else if (EqualsIgnoringCase(key, "CALSCALE"))
            read.CalendarScale = value;
        else if (EqualsIgnoringCase(key, "X-APPLE-OMIT-YEAR"))
            read.OmitYear = value;
    }
    return read;
}

} // namespace candlewatcher
