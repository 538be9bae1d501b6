#pragma once

#include "addressbook/book_state.h"
#include "addressbook/carddav_protocol.h"
#include "addressbook/http_client.h"

#include <cstddef>
#include <optional>
#include <string>

namespace candlewatcher {

struct SyncStatistics {
    std::size_t Requests = 0;
    std::size_t CardsFetched = 0;
};

struct BookSyncResult {
    AddressBookInfo Book;
    BookState State;
    SyncStatistics Statistics;
};

// Brings an address book's cache up to date: nothing more when its collection tag is unchanged, else the
// changes by sync-collection where the server offers it, else by comparing etags, then only the new and
// changed cards are fetched. previous is nullopt for the first sync. Throws AddressBookError, leaving
// previous as it was.
BookSyncResult SyncBook(HttpClient& client, const std::string& bookUrl,
                        const std::optional<BookState>& previous);

} // namespace candlewatcher
