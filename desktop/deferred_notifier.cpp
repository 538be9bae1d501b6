#include "desktop/deferred_notifier.h"

#include <utility>

namespace candlewatcher {

void DeferredNotifier::Notify(const Notification& notification, std::function<void(bool)> delivered,
                              NotificationActions actions) {
    if (m_target != nullptr) {
        m_target->Notify(notification, std::move(delivered), std::move(actions));
        return;
    }
    m_kept.push_back({notification, std::move(delivered), std::move(actions)});
}

void DeferredNotifier::Forward(Notifier& notifier) {
    m_target = &notifier;
    // The target first and the list taken out: a notification asked for while the kept ones go out (from
    // an answer that comes at once) goes straight through and is not kept for ever.
    std::vector<Kept> kept = std::exchange(m_kept, {});
    for (Kept& notice : kept) {
        m_target->Notify(notice.Notice, std::move(notice.Delivered), std::move(notice.Actions));
    }
}

} // namespace candlewatcher
