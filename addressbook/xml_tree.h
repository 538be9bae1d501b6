#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace candlewatcher {

// An element of an XML document with its namespace resolved: DAV's "D:href" and "href" in the default
// namespace "DAV:" are both {"DAV:", "href"}.
struct XmlElement {
    std::string Namespace;
    std::string Name;
    std::string Text; // the character data directly inside it, joined
    std::vector<XmlElement> Children;

    // The first child of that name, or null.
    const XmlElement* Child(std::string_view ns, std::string_view name) const;
    // The first descendant of that name, at any depth, or null.
    const XmlElement* Descendant(std::string_view ns, std::string_view name) const;
};

// The document's root element. Throws AddressBookError naming the line and the fault when the bytes are
// not well-formed XML. Entities are limited to XML's own and the document's internal ones; nothing outside
// the document is ever loaded.
XmlElement ParseXml(std::string_view document);

} // namespace candlewatcher
