// Notification centre: a list of observer entries, delivered from a snapshot.
//
// post() copies the entry list before calling out, so observers added during
// delivery wait for the next post; removal flags the shared entry at once, so a
// removed observer is skipped for the rest of the post in progress. The list
// itself is never touched by delivery, which keeps it consistent when a
// callback throws.
#include "platform/foundation/NotificationCenter.h"

#include <algorithm>

namespace platform {

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

void NotificationCenter::addObserver(const void* observer, const std::string& name, Callback callback, Object* sender)
{
    if (!callback)
        return;
    auto entry = std::make_shared<Entry>(Entry { observer, name, sender, std::move(callback) });
    entries_.push_back(std::move(entry));
}

void NotificationCenter::removeObserver(const void* observer)
{
    removeObserver(observer, {}, nullptr);
}

void NotificationCenter::removeObserver(const void* observer, const std::string& name, Object* sender)
{
    // An empty name or a null sender matches every entry of the observer.
    std::erase_if(entries_, [&](const std::shared_ptr<Entry>& e) {
        bool match = e->observer == observer && (name.empty() || e->name == name) && (!sender || e->sender == sender);
        if (match)
            e->removed = true;
        return match;
    });
}

void NotificationCenter::post(const std::string& name, Object* sender, Value userInfo)
{
    post(Notification { name, sender, std::move(userInfo), {} });
}

void NotificationCenter::post(const Notification& notification)
{
    // The snapshot keeps each entry (and its callback) alive even if it is
    // removed while it runs.
    std::vector<std::shared_ptr<Entry>> snapshot = entries_;
    for (const auto& e : snapshot) {
        if (e->removed)
            continue;
        if (!e->name.empty() && e->name != notification.name)
            continue;
        if (e->sender && e->sender != notification.sender)
            continue;
        e->callback(notification);
    }
}

size_t NotificationCenter::observerCount() const
{
    return entries_.size();
}

void NotificationCenter::removeAll()
{
    for (auto& e : entries_)
        e->removed = true;
    entries_.clear();
}

} // namespace platform
