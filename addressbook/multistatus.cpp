#include "addressbook/multistatus.h"

#include "addressbook/address_book_error.h"
#include "data/translation.h"

namespace candlewatcher {

namespace {

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

} // namespace

const XmlElement* DavResponse::Property(std::string_view ns, std::string_view name) const {
    for (const XmlElement& property : Properties)
        if (property.Name == name && property.Namespace == ns)
            return &property;
    return nullptr;
}

int StatusCode(std::string_view statusLine) {
    statusLine = Trimmed(statusLine);
    const std::size_t blank = statusLine.find(' ');
    if (blank == std::string_view::npos || statusLine.size() < blank + 4)
        return 0;
    int code = 0;
    for (char c : statusLine.substr(blank + 1, 3)) {
        if (c < '0' || c > '9')
            return 0;
        code = code * 10 + (c - '0');
    }
    return code;
}

Multistatus ReadMultistatus(std::string_view body) {
    const XmlElement root = ParseXml(body);
    if (root.Namespace != kDavNamespace || root.Name != "multistatus")
        throw AddressBookError(Tr("the answer is not a WebDAV multi-status"));
    Multistatus result;
    for (const XmlElement& child : root.Children) {
        if (child.Namespace == kDavNamespace && child.Name == "sync-token") {
            result.SyncToken = Trimmed(child.Text);
            continue;
        }
        if (child.Namespace != kDavNamespace || child.Name != "response")
            continue;
        DavResponse response;
        for (const XmlElement& part : child.Children) {
            if (part.Namespace != kDavNamespace)
                continue;
            if (part.Name == "href" && response.Href.empty()) {
                response.Href = Trimmed(part.Text);
            } else if (part.Name == "status") {
                response.Status = StatusCode(part.Text);
            } else if (part.Name == "propstat") {
                const XmlElement* status = part.Child(kDavNamespace, "status");
                const XmlElement* properties = part.Child(kDavNamespace, "prop");
                const int code = status != nullptr ? StatusCode(status->Text) : 0;
                if (properties != nullptr && code >= 200 && code < 300)
                    response.Properties.insert(response.Properties.end(), properties->Children.begin(),
                                               properties->Children.end());
            }
        }
        if (!response.Href.empty())
            result.Responses.push_back(std::move(response));
    }
    return result;
}

} // namespace candlewatcher
