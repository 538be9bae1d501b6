#pragma once

#include "contacts/vcard_reader.h"

#include <string>
#include <vector>

namespace candlewatcher {

// One card of a CardDAV address book as the cache keeps it: where it is, its version, and what was read
// from it (kept as read, so that the import's rules judge it afresh each time, as for --import).
struct CachedCard {
    std::string Href; // as the server names it
    std::string Etag;
    VCardContact Contact;
    bool operator==(const CachedCard&) const = default;
};

// What is known of an address book after a sync.
struct BookState {
    std::string SyncToken; // from the last sync-collection report; empty when the server offers none
    // The collection's sync-token or getctag property when last synced: while it stays the same,
    // nothing in the book has changed.
    std::string CollectionTag;
    std::vector<CachedCard> Cards; // in the order of HrefPath
    bool operator==(const BookState&) const = default;
};

} // namespace candlewatcher
