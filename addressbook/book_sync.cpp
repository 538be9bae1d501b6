#include "addressbook/book_sync.h"

#include "addressbook/multistatus.h"
#include "addressbook/sync_plan.h"

#include <unordered_set>

namespace candlewatcher {

BookSyncResult SyncBook(HttpClient& client, const std::string& bookUrl,
                        const std::optional<BookState>& previous) {
    const std::size_t requestsBefore = client.RequestCount();
    BookSyncResult result;
    result.Book = ReadAddressBook(client, bookUrl);
    const BookState empty;
    const BookState& cached = previous ? *previous : empty;
    if (previous && !result.Book.CollectionTag.empty() &&
        result.Book.CollectionTag == previous->CollectionTag) {
        result.State = *previous;
        result.Statistics.Requests = client.RequestCount() - requestsBefore;
        return result;
    }

    const CardListing listing = result.Book.SyncCollection ? ListChanges(client, bookUrl, cached.SyncToken)
                                                           : ListCardsByEtag(client, bookUrl);
    SyncPlan plan = listing.Complete ? PlanFromListing(cached.Cards, listing.Cards)
                                     : PlanFromChanges(cached.Cards, listing.Cards, listing.Removed);
    const std::vector<CachedCard> fetched = FetchCards(client, bookUrl, plan.Fetch);
    // A card listed as changed but gone by the time it was fetched is gone.
    std::unordered_set<std::string> arrived;
    for (const CachedCard& card : fetched)
        arrived.insert(HrefPath(card.Href));
    for (const std::string& href : plan.Fetch)
        if (arrived.count(HrefPath(href)) == 0)
            plan.Remove.push_back(href);

    result.State.SyncToken = listing.SyncToken;
    result.State.CollectionTag = result.Book.CollectionTag;
    result.State.Cards = ApplySync(cached.Cards, plan.Remove, fetched);
    result.Statistics.Requests = client.RequestCount() - requestsBefore;
    result.Statistics.CardsFetched = fetched.size();
    return result;
}

} // namespace candlewatcher
