#pragma once

#include "addressbook/href_path.h"
#include "addressbook/xml_tree.h"

#include <string>
#include <string_view>
#include <vector>

namespace candlewatcher {

inline constexpr std::string_view kDavNamespace = "DAV:";
inline constexpr std::string_view kCardDavNamespace = "urn:ietf:params:xml:ns:carddav";
inline constexpr std::string_view kCalendarServerNamespace = "http://calendarserver.org/ns/";

// One <response> of a WebDAV multi-status answer.
struct DavResponse {
    std::string Href;
    // The response's own status: sync-collection tells of a removed member with 404. 0 when the
    // response gives its statuses per property instead.
    int Status = 0;
    // The properties the server has values for (those of a 2xx propstat).
    std::vector<XmlElement> Properties;

    const XmlElement* Property(std::string_view ns, std::string_view name) const;
};

struct Multistatus {
    std::vector<DavResponse> Responses;
    std::string SyncToken; // sync-collection's new token; empty for other reports
};

// Reads a 207 answer. Throws AddressBookError when it is not XML or not a multistatus.
Multistatus ReadMultistatus(std::string_view body);

// The number in an HTTP status line, "HTTP/1.1 404 Not Found" gives 404; 0 when there is none.
int StatusCode(std::string_view statusLine);

} // namespace candlewatcher
