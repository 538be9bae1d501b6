#include "addressbook/carddav_protocol.h"

#include "addressbook/address_book_error.h"
#include "addressbook/multistatus.h"
#include "data/translation.h"

#include <algorithm>

namespace candlewatcher {

namespace {

constexpr std::size_t kCardsPerMultiget = 100;
// A server that goes on saying "there is more" is not followed for ever.
constexpr int kMostSyncRounds = 1000;

constexpr const char* kXmlHead = R"(<?xml version="1.0" encoding="utf-8"?>)";
constexpr const char* kNamespaces =
    R"( xmlns:d="DAV:" xmlns:card="urn:ietf:params:xml:ns:carddav" xmlns:cs="http://calendarserver.org/ns/")";

std::string XmlEscaped(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1));
}

[[noreturn]] void ThrowStatus(const std::string& url, long status) {
    switch (status) {
    case 401:
        throw SignInError(url + ": " + Tr("sign-in refused: wrong user name or password"));
    case 403:
        throw AddressBookError(url + ": " + Tr("access forbidden (HTTP 403)"));
    case 404:
        throw AddressBookError(url + ": " + Tr("not found (HTTP 404)"));
    default:
        throw AddressBookError(url + ": " +
                               // TRANSLATORS: %1 is an HTTP status code, e.g. 500.
                               FillIn(Tr("the server answered HTTP %1"), {std::to_string(status)}));
    }
}

HttpRequest XmlRequest(std::string method, const std::string& url, std::string depth, std::string body) {
    return HttpRequest{std::move(method), url, kXmlHead + std::move(body), "application/xml; charset=utf-8",
                       std::move(depth)};
}

// Sends a request that must answer 207; the multi-status it holds.
Multistatus MultistatusOf(HttpClient& client, const HttpRequest& request, HttpResponse* answered = nullptr) {
    HttpResponse response = client.Send(request);
    if (response.Status != 207)
        ThrowStatus(request.Url, response.Status);
    if (answered != nullptr)
        *answered = response;
    try {
        return ReadMultistatus(response.Body);
    } catch (const AddressBookError& error) {
        throw AddressBookError(request.Url + ": " + error.what());
    }
}

constexpr const char* kBookProperties = "<d:resourcetype/><d:displayname/><d:current-user-principal/>"
                                        "<card:addressbook-home-set/><d:supported-report-set/>"
                                        "<d:sync-token/><cs:getctag/>";

HttpRequest PropfindRequest(const std::string& url, std::string depth, const std::string& properties) {
    return XmlRequest("PROPFIND", url, std::move(depth),
                      std::string("<d:propfind") + kNamespaces + "><d:prop>" + properties +
                          "</d:prop></d:propfind>");
}

bool IsAddressBook(const DavResponse& response) {
    const XmlElement* type = response.Property(kDavNamespace, "resourcetype");
    return type != nullptr && type->Child(kCardDavNamespace, "addressbook") != nullptr;
}

bool IsCollection(const DavResponse& response) {
    const XmlElement* type = response.Property(kDavNamespace, "resourcetype");
    return type != nullptr && type->Child(kDavNamespace, "collection") != nullptr;
}

std::string PropertyText(const DavResponse& response, std::string_view ns, std::string_view name) {
    const XmlElement* property = response.Property(ns, name);
    return property != nullptr ? Trimmed(property->Text) : std::string();
}

// The href inside a property such as current-user-principal, made absolute; empty when not given.
std::string HrefProperty(const DavResponse& response, std::string_view ns, std::string_view name,
                         const std::string& base) {
    const XmlElement* property = response.Property(ns, name);
    const XmlElement* href = property != nullptr ? property->Child(kDavNamespace, "href") : nullptr;
    return href != nullptr && !Trimmed(href->Text).empty() ? ResolveUrl(base, Trimmed(href->Text))
                                                           : std::string();
}

AddressBookInfo BookInfo(const DavResponse& response, const std::string& url) {
    AddressBookInfo info;
    info.Url = url;
    info.DisplayName = PropertyText(response, kDavNamespace, "displayname");
    const XmlElement* reports = response.Property(kDavNamespace, "supported-report-set");
    info.SyncCollection =
        reports != nullptr && reports->Descendant(kDavNamespace, "sync-collection") != nullptr;
    info.CollectionTag = PropertyText(response, kDavNamespace, "sync-token");
    if (info.CollectionTag.empty())
        info.CollectionTag = PropertyText(response, kCalendarServerNamespace, "getctag");
    return info;
}

// The one response a Depth 0 PROPFIND of url gives; url is updated to where it was answered.
DavResponse PropfindSelf(HttpClient& client, std::string& url) {
    HttpResponse answered;
    Multistatus status = MultistatusOf(client, PropfindRequest(url, "0", kBookProperties), &answered);
    if (status.Responses.empty())
        throw AddressBookError(url + ": " + Tr("the server said nothing of it"));
    url = answered.Url;
    return std::move(status.Responses.front());
}

bool IsServerRoot(const std::string& url) {
    const std::string path = HrefPath(url);
    return path.empty() || path == "/";
}

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

std::vector<AddressBookInfo> BooksInHome(HttpClient& client, const std::string& home) {
    const Multistatus listing = MultistatusOf(client, PropfindRequest(home, "1", kBookProperties));
    std::vector<AddressBookInfo> books;
    for (const DavResponse& response : listing.Responses)
        if (IsAddressBook(response))
            books.push_back(BookInfo(response, ResolveUrl(home, response.Href)));
    // Servers list in any order; the order of subscription decides which book's name wins.
    std::sort(books.begin(), books.end(), [](const auto& a, const auto& b) { return a.Url < b.Url; });
    return books;
}

// The address-book home from the answer about url: its own addressbook-home-set, or its principal's.
std::string HomeFrom(HttpClient& client, const DavResponse& response, const std::string& url) {
    std::string home = HrefProperty(response, kCardDavNamespace, "addressbook-home-set", url);
    if (!home.empty())
        return home;
    std::string principal = HrefProperty(response, kDavNamespace, "current-user-principal", url);
    if (principal.empty())
        return {};
    const DavResponse principalAnswer = PropfindSelf(client, principal);
    return HrefProperty(principalAnswer, kCardDavNamespace, "addressbook-home-set", principal);
}

} // namespace

AddressBookInfo ReadAddressBook(HttpClient& client, const std::string& url) {
    std::string answeredUrl = url;
    const DavResponse response = PropfindSelf(client, answeredUrl);
    if (!IsAddressBook(response))
        throw AddressBookError(url + ": " + Tr("not a CardDAV address book"));
    return BookInfo(response, url);
}

std::vector<AddressBookInfo> DiscoverAddressBooks(HttpClient& client, const std::string& url) {
    std::vector<std::string> starts;
    // A server given by its name alone says where its address books are at the well-known place.
    if (IsServerRoot(url))
        starts.push_back(ResolveUrl(url, "/.well-known/carddav"));
    starts.push_back(url);
    std::string lastProblem;
    for (std::string start : starts) {
        DavResponse response;
        try {
            response = PropfindSelf(client, start);
        } catch (const SignInError&) {
            throw SignInError(url + ": " + Tr("sign-in refused: wrong user name or password"));
        } catch (const ConnectionError&) {
            throw;
        } catch (const AddressBookError& error) {
            // Anything but a refused sign-in may come right at the next place.
            lastProblem = error.what();
            continue;
        }
        if (IsAddressBook(response))
            return {BookInfo(response, start)};
        const std::string home = HomeFrom(client, response, start);
        std::vector<AddressBookInfo> books = BooksInHome(client, home.empty() ? start : home);
        if (!books.empty())
            return books;
    }
    throw AddressBookError(url + ": " +
                           (lastProblem.empty()
                                ? std::string(Tr("no CardDAV address book found there"))
                                // TRANSLATORS: %1 is what went wrong at the last place asked, as a whole
                                // error line.
                                : FillIn(Tr("no CardDAV address book found there (%1)"), {lastProblem})));
}

CardListing ListCardsByEtag(HttpClient& client, const std::string& bookUrl) {
    const Multistatus listing =
        MultistatusOf(client, PropfindRequest(bookUrl, "1", "<d:resourcetype/><d:getetag/>"));
    const std::string bookPath = WithSlash(HrefPath(bookUrl));
    CardListing cards;
    for (const DavResponse& response : listing.Responses) {
        if (IsCollection(response) || WithSlash(HrefPath(response.Href)) == bookPath)
            continue;
        cards.Cards.push_back(ListedCard{response.Href, PropertyText(response, kDavNamespace, "getetag")});
    }
    return cards;
}

CardListing ListChanges(HttpClient& client, const std::string& bookUrl, const std::string& token) {
    CardListing listing;
    listing.Complete = token.empty();
    std::string askWith = token;
    const std::string bookPath = WithSlash(HrefPath(bookUrl));
    for (int round = 0; round < kMostSyncRounds; ++round) {
        const HttpRequest request = XmlRequest(
            "REPORT", bookUrl, "0",
            std::string("<d:sync-collection") + kNamespaces + "><d:sync-token>" + XmlEscaped(askWith) +
                "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop>"
                "</d:sync-collection>");
        const HttpResponse response = client.Send(request);
        if (response.Status != 207 && !askWith.empty() && !listing.Complete && response.Status >= 400 &&
            response.Status < 500 && response.Status != 401) {
            // The token has expired (valid-sync-token): start again with every card.
            listing = CardListing{};
            askWith.clear();
            continue;
        }
        if (response.Status != 207)
            ThrowStatus(bookUrl, response.Status);
        Multistatus status;
        try {
            status = ReadMultistatus(response.Body);
        } catch (const AddressBookError& error) {
            throw AddressBookError(bookUrl + ": " + error.what());
        }
        bool truncated = false;
        for (DavResponse& member : status.Responses) {
            if (WithSlash(HrefPath(member.Href)) == bookPath) {
                truncated = member.Status == 507;
                continue;
            }
            if (member.Status == 404)
                listing.Removed.push_back(std::move(member.Href));
            else
                listing.Cards.push_back(
                    ListedCard{member.Href, PropertyText(member, kDavNamespace, "getetag")});
        }
        listing.SyncToken = status.SyncToken;
        if (!truncated || status.SyncToken.empty() || status.SyncToken == askWith)
            return listing;
        askWith = status.SyncToken;
    }
    throw AddressBookError(bookUrl + ": " + Tr("the server's changes never came to an end"));
}

std::vector<CachedCard> FetchCards(HttpClient& client, const std::string& bookUrl,
                                   const std::vector<std::string>& hrefs) {
    std::vector<CachedCard> cards;
    cards.reserve(hrefs.size());
    for (std::size_t first = 0; first < hrefs.size(); first += kCardsPerMultiget) {
        std::string body = std::string("<card:addressbook-multiget") + kNamespaces +
                           "><d:prop><d:getetag/><card:address-data/></d:prop>";
        const std::size_t last = std::min(hrefs.size(), first + kCardsPerMultiget);
        for (std::size_t i = first; i < last; ++i)
            body += "<d:href>" + XmlEscaped(hrefs[i]) + "</d:href>";
        body += "</card:addressbook-multiget>";
        const Multistatus status = MultistatusOf(client, XmlRequest("REPORT", bookUrl, "0", std::move(body)));
        for (const DavResponse& response : status.Responses) {
            const XmlElement* data = response.Property(kCardDavNamespace, "address-data");
            if (data == nullptr)
                continue;
            CachedCard card{response.Href, PropertyText(response, kDavNamespace, "getetag"), {}};
            std::vector<VCardContact> contacts = ReadVCards(data->Text);
            if (!contacts.empty())
                card.Contact = std::move(contacts.front());
            cards.push_back(std::move(card));
        }
    }
    return cards;
}

} // namespace candlewatcher
