#pragma once

#include "desktop/notifier.h"

#include <vector>

namespace candlewatcher {

// Stands in for the desktop's notifier until that is ready: the program connects to the session bus only
// once its panel is on screen, and a notification asked for before then is kept and goes out, in order,
// when the notifier is there. From then on every notification goes straight through.
class DeferredNotifier : public Notifier {
public:
    void Notify(const Notification& notification, std::function<void(bool accepted)> delivered,
                NotificationActions actions) override;

    // Sends the kept notifications through `notifier`, and every later one; `notifier` outlives this one.
    void Forward(Notifier& notifier);

private:
    struct Kept {
        Notification Notice;
        std::function<void(bool)> Delivered;
        NotificationActions Actions;
    };

    Notifier* m_target = nullptr;
    std::vector<Kept> m_kept;
};

} // namespace candlewatcher
