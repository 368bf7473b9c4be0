// QVSharedInstance: the slot of a class's one shared instance, behind the
// class's own shared and purge functions (sharedX() / purgeSharedX() and
// their older names). Reference-counted classes are held by Ref; others pass
// std::unique_ptr as the holder.
//
//     QVImageCache* QVImageCache::sharedInstance() { return QVSharedInstance<QVImageCache>::shared(); }
#pragma once

#include "platform/foundation/Object.h"

#include <utility>

namespace quorvel {

template <typename Class, typename Holder = platform::Ref<Class>>
class QVSharedInstance {
public:
    // Null before set() and after purge().
    static Class* shared() { return slot().get(); }
    static void set(Holder instance) { slot() = std::move(instance); }
    static void purge() { slot() = nullptr; }

private:
    static Holder& slot()
    {
        static Holder instance;
        return instance;
    }
};

} // namespace quorvel
