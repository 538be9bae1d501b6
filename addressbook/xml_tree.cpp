#include "addressbook/xml_tree.h"

#include "addressbook/address_book_error.h"
#include "data/translation.h"

#include <expat.h>

#include <climits>
#include <memory>

namespace candlewatcher {

namespace {

// Expat reports a name as "namespace<separator>local"; a blank cannot occur in a namespace URI.
constexpr char kNamespaceSeparator = ' ';

struct TreeBuilder {
    XmlElement Root;
    std::vector<XmlElement*> Open;

    static void Start(void* data, const XML_Char* name, const XML_Char**) {
        auto* builder = static_cast<TreeBuilder*>(data);
        XmlElement* element = nullptr;
        if (builder->Open.empty()) {
            element = &builder->Root;
        } else {
            builder->Open.back()->Children.emplace_back();
            element = &builder->Open.back()->Children.back();
        }
        const std::string_view full = name;
        const std::size_t separator = full.rfind(kNamespaceSeparator);
        if (separator == std::string_view::npos) {
            element->Name = full;
        } else {
            element->Namespace = full.substr(0, separator);
            element->Name = full.substr(separator + 1);
        }
        builder->Open.push_back(element);
    }

    static void End(void* data, const XML_Char*) { static_cast<TreeBuilder*>(data)->Open.pop_back(); }

    static void Characters(void* data, const XML_Char* text, int length) {
        auto* builder = static_cast<TreeBuilder*>(data);
        if (!builder->Open.empty())
            builder->Open.back()->Text.append(text, static_cast<std::size_t>(length));
    }
};

} // namespace

const XmlElement* XmlElement::Child(std::string_view ns, std::string_view name) const {
    for (const XmlElement& child : Children)
        if (child.Name == name && child.Namespace == ns)
            return &child;
    return nullptr;
}

const XmlElement* XmlElement::Descendant(std::string_view ns, std::string_view name) const {
    for (const XmlElement& child : Children) {
        if (child.Name == name && child.Namespace == ns)
            return &child;
        if (const XmlElement* found = child.Descendant(ns, name))
            return found;
    }
    return nullptr;
}

XmlElement ParseXml(std::string_view document) {
    std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(
        XML_ParserCreateNS(nullptr, kNamespaceSeparator), XML_ParserFree);
    if (!parser)
        throw AddressBookError(Tr("out of memory reading XML"));
    // Elements are appended to their parent's vector while it is open; pointers into it stay valid
    // because only the innermost open element ever gets children.
    TreeBuilder builder;
    XML_SetUserData(parser.get(), &builder);
    XML_SetElementHandler(parser.get(), TreeBuilder::Start, TreeBuilder::End);
    XML_SetCharacterDataHandler(parser.get(), TreeBuilder::Characters);
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
    bool done = false;
    while (!done) {
        const std::size_t chunk = std::min<std::size_t>(document.size(), INT_MAX);
        done = chunk == document.size();
        if (XML_Parse(parser.get(), document.data(), static_cast<int>(chunk), done) != XML_STATUS_OK)
            // TRANSLATORS: %1 is a line number in the server's answer, %2 the XML reader's own words.
            throw AddressBookError(FillIn(Tr("the answer is not well-formed XML (line %1: %2)"),
                                          {std::to_string(XML_GetCurrentLineNumber(parser.get())),
                                           XML_ErrorString(XML_GetErrorCode(parser.get()))}));
        document.remove_prefix(chunk);
    }
    return std::move(builder.Root);
}

} // namespace candlewatcher
