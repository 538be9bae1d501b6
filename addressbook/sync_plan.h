#pragma once

#include "addressbook/book_state.h"
#include "data/birthday_file.h"

#include <cstddef>
#include <string>
#include <vector>

namespace candlewatcher {

// A card as a server lists it: where it is and its current version.
struct ListedCard {
    std::string Href;
    std::string Etag;
};

// What one sync does to the cache: the cards to fetch and those to forget.
struct SyncPlan {
    std::vector<std::string> Fetch;
    std::vector<std::string> Remove;
    bool operator==(const SyncPlan&) const = default;
};

// From a listing of every card (PROPFIND, or a sync-collection without a token): a card is fetched when
// it is new, its etag changed, or the server gives no etag; a cached card not listed is forgotten.
SyncPlan PlanFromListing(const std::vector<CachedCard>& cached, const std::vector<ListedCard>& listed);

// From the changes since the last sync (sync-collection with a token): changed and added cards are
// fetched unless the cache already holds that etag; removed ones are forgotten if cached.
SyncPlan PlanFromChanges(const std::vector<CachedCard>& cached, const std::vector<ListedCard>& changed,
                         const std::vector<std::string>& removed);

// The cache after a sync: cached cards less the removed ones, with the fetched ones added or put in
// place of their older version, ordered by HrefPath.
std::vector<CachedCard> ApplySync(const std::vector<CachedCard>& cached,
                                  const std::vector<std::string>& removed,
                                  const std::vector<CachedCard>& fetched);

// The birthdays the address books add to the user's own: each book's cards in subscription order, chosen
// by the import's rules, so a name the user's records hold, or an earlier card or book gave, is left out.
std::vector<BirthdayRecord> BirthdaysToShow(const std::vector<BirthdayRecord>& own,
                                            const std::vector<std::vector<VCardContact>>& books);

// What was read from the cards, in their order.
std::vector<VCardContact> ContactsOf(const std::vector<CachedCard>& cards);

// The cards with a name and a birthday the import would take, names the user's records hold included.
std::size_t CountBirthdays(const std::vector<VCardContact>& contacts);

} // namespace candlewatcher
