#pragma once

#include "addressbook/book_state.h"
#include "addressbook/http_client.h"
#include "addressbook/sync_plan.h"

#include <string>
#include <vector>

namespace candlewatcher {

struct AddressBookInfo {
    std::string Url; // absolute
    std::string DisplayName;
    bool SyncCollection = false; // the server offers the sync-collection report for it
    std::string CollectionTag;   // its sync-token property, else its getctag; empty when it has neither
};

// The address books a URL leads to: the address book itself, or, for a server or a principal, every
// address book in the user's address-book home, in the order of their URLs (found through
// /.well-known/carddav, the current-user-principal and its addressbook-home-set). Throws AddressBookError
// when sign-in is refused or no address book is found.
std::vector<AddressBookInfo> DiscoverAddressBooks(HttpClient& client, const std::string& url);

// The properties of one address book; AddressBookError when the URL is none.
AddressBookInfo ReadAddressBook(HttpClient& client, const std::string& url);

// What a server lists of an address book's cards.
struct CardListing {
    std::vector<ListedCard> Cards;    // every card, or, when !Complete, those changed or added
    std::vector<std::string> Removed; // when !Complete: the cards removed
    std::string SyncToken;            // the token to ask with next time (sync-collection only)
    bool Complete = true;
};

// Every card with its etag, by PROPFIND Depth 1.
CardListing ListCardsByEtag(HttpClient& client, const std::string& bookUrl);

// The changes since token by sync-collection; with an empty token, or one the server no longer accepts,
// every card (Complete).
CardListing ListChanges(HttpClient& client, const std::string& bookUrl, const std::string& token);

// The cards at hrefs, by addressbook-multiget, read as --import reads them. A card the server no longer
// has is left out.
std::vector<CachedCard> FetchCards(HttpClient& client, const std::string& bookUrl,
                                   const std::vector<std::string>& hrefs);

} // namespace candlewatcher
