#include "addressbook/sync_plan.h"

#include "addressbook/href_path.h"
#include "contacts/contact_import.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace candlewatcher {

namespace {

// Etags by HrefPath, since a server may spell one href in more than one way.
std::unordered_map<std::string, std::string> CachedEtags(const std::vector<CachedCard>& cached) {
    std::unordered_map<std::string, std::string> etags;
    for (const CachedCard& card : cached)
        etags.emplace(HrefPath(card.Href), card.Etag);
    return etags;
}

bool NeedsFetch(const std::unordered_map<std::string, std::string>& etags, const ListedCard& card) {
    const auto found = etags.find(HrefPath(card.Href));
    return found == etags.end() || card.Etag.empty() || found->second != card.Etag;
}

} // namespace

SyncPlan PlanFromListing(const std::vector<CachedCard>& cached, const std::vector<ListedCard>& listed) {
    const auto etags = CachedEtags(cached);
    SyncPlan plan;
    std::unordered_map<std::string, bool> present;
    for (const ListedCard& card : listed) {
        present.emplace(HrefPath(card.Href), true);
        if (NeedsFetch(etags, card))
            plan.Fetch.push_back(card.Href);
    }
    for (const CachedCard& card : cached)
        if (present.count(HrefPath(card.Href)) == 0)
            plan.Remove.push_back(card.Href);
    return plan;
}

SyncPlan PlanFromChanges(const std::vector<CachedCard>& cached, const std::vector<ListedCard>& changed,
                         const std::vector<std::string>& removed) {
    const auto etags = CachedEtags(cached);
    SyncPlan plan;
    for (const ListedCard& card : changed)
        if (NeedsFetch(etags, card))
            plan.Fetch.push_back(card.Href);
    for (const std::string& href : removed)
        if (etags.count(HrefPath(href)) != 0)
            plan.Remove.push_back(href);
    return plan;
}

std::vector<CachedCard> ApplySync(const std::vector<CachedCard>& cached,
                                  const std::vector<std::string>& removed,
                                  const std::vector<CachedCard>& fetched) {
    std::map<std::string, const CachedCard*> byPath;
    for (const CachedCard& card : cached)
        byPath[HrefPath(card.Href)] = &card;
    for (const std::string& href : removed)
        byPath.erase(HrefPath(href));
    for (const CachedCard& card : fetched)
        byPath[HrefPath(card.Href)] = &card;
    std::vector<CachedCard> cards;
    cards.reserve(byPath.size());
    for (const auto& [path, card] : byPath)
        cards.push_back(*card);
    return cards;
}

std::vector<BirthdayRecord> BirthdaysToShow(const std::vector<BirthdayRecord>& own,
                                            const std::vector<std::vector<VCardContact>>& books) {
    std::vector<VCardContact> contacts;
    for (const std::vector<VCardContact>& book : books)
        contacts.insert(contacts.end(), book.begin(), book.end());
    return PlanImport(own, contacts).Added;
}

std::vector<VCardContact> ContactsOf(const std::vector<CachedCard>& cards) {
    std::vector<VCardContact> contacts;
    contacts.reserve(cards.size());
    for (const CachedCard& card : cards)
        contacts.push_back(card.Contact);
    return contacts;
}

std::size_t CountBirthdays(const std::vector<VCardContact>& contacts) {
    // Each card judged alone, so that a name twice in one book counts twice, as two cards.
    std::size_t count = 0;
    for (const VCardContact& contact : contacts)
        count += PlanImport({}, {contact}).Added.size();
    return count;
}

} // namespace candlewatcher
