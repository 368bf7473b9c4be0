// Named notifications posted to observers on the posting thread.
//
// Observers register a callback under an observer object (its identity is the
// Object pointer), optionally limited to one name and one sender. Observers
// added or removed while a notification is delivered take effect at once: a
// removed observer is not called later in the same post, an added one is not
// called for the post in progress. The centre is not locked: use it from one
// thread (the main run loop's).
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

struct Notification {
    std::string name;
    Object* sender { nullptr };
    Value userInfo;
    // User-info entries that are objects (arrays of records, responses), by key.
    std::vector<std::pair<std::string, Ref<Object>>> userObjects;

    Object* userObject(const std::string& key) const
    {
        for (auto& [k, v] : userObjects)
            if (k == key)
                return v.get();
        return nullptr;
    }
};

class NotificationCenter {
public:
    static NotificationCenter& defaultCenter();

    using Callback = std::function<void(const Notification&)>;
    // An empty name observes every name; a null sender every sender.
    void addObserver(const void* observer, const std::string& name, Callback callback, Object* sender = nullptr);
    void removeObserver(const void* observer);
    void removeObserver(const void* observer, const std::string& name, Object* sender = nullptr);

    void post(const std::string& name, Object* sender = nullptr, Value userInfo = {});
    void post(const Notification& notification);

    size_t observerCount() const;
    void removeAll();

private:
    struct Entry {
        const void* observer;
        std::string name;
        Object* sender;
        Callback callback;
        bool removed { false };
    };
    std::vector<std::shared_ptr<Entry>> entries_;
};

} // namespace platform
