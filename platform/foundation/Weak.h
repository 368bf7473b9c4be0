// Non-owning links that answer null once their object has been destroyed:
// Weak<T> for an Object type, WeakLink<T> for any type of an object, its
// interfaces included. Safe to lock from another thread: lock() either gets a
// live reference or none.
#pragma once

#include "platform/foundation/Object.h"

#include <mutex>
#include <type_traits>

namespace platform {

// Shared between an object and its weak links; outlives the object.
class WeakControl {
public:
    explicit WeakControl(Object* o) : object_(o) { }

    void retain() { count_.fetch_add(1, std::memory_order_relaxed); }
    void release() { if (count_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this; }

    Object* lockObject()
    {
        std::lock_guard guard(mutex_);
        if (object_ && object_->tryRetain())
            return object_;
        return nullptr;
    }
    void clear()
    {
        std::lock_guard guard(mutex_);
        object_ = nullptr;
    }
    bool alive()
    {
        std::lock_guard guard(mutex_);
        return object_ != nullptr;
    }

private:
    std::atomic<int> count_ { 1 };
    std::mutex mutex_;
    Object* object_;
};

template <typename T>
class Weak {
public:
    Weak() = default;
    Weak(T* p) { reset(p); }
    Weak(const Ref<T>& r) { reset(r.get()); }
    Weak(const Weak& o) : ctl_(o.ctl_), raw_(o.raw_) { if (ctl_) ctl_->retain(); }
    Weak& operator=(const Weak& o)
    {
        if (this != &o) {
            if (o.ctl_) o.ctl_->retain();
            if (ctl_) ctl_->release();
            ctl_ = o.ctl_;
            raw_ = o.raw_;
        }
        return *this;
    }
    Weak& operator=(T* p) { reset(p); return *this; }
    ~Weak() { if (ctl_) ctl_->release(); }

    void reset(T* p = nullptr)
    {
        WeakControl* ctl = p ? static_cast<const Object*>(p)->weakControl() : nullptr;
        if (ctl) ctl->retain();
        if (ctl_) ctl_->release();
        ctl_ = ctl;
        raw_ = p;
    }

    Ref<T> lock() const
    {
        if (!ctl_ || !ctl_->lockObject())
            return {};
        return adoptRef(raw_);
    }
    bool expired() const { return !ctl_ || !ctl_->alive(); }
    // The address the link was made with, for identity comparisons only.
    T* unsafeGet() const { return raw_; }

private:
    WeakControl* ctl_ { nullptr };
    T* raw_ { nullptr };
};

// A non-owning link to an object seen through any of its types, an interface
// (a delegate or provider mix-in) included: get() answers null once the object
// is gone, and lock() keeps it alive for a call. A back pointer whose target can
// die first (a delegate, the screen a cell or helper works for) is one of these
// and is checked where it is used.
//
// The link watches the target's platform::Object. A target that is no Object
// (a game's own delegate) cannot be watched: it is answered as given, so
// whoever hands such a target over keeps it alive while it is linked.
template <typename T>
class WeakLink {
public:
    // The target kept alive while this is held; false when it is gone.
    class Locked {
    public:
        Locked() = default;
        Locked(Ref<Object> keep, T* target) : keep_(std::move(keep)), target_(target) { }
        T* get() const { return target_; }
        T* operator->() const { return target_; }
        T& operator*() const { return *target_; }
        explicit operator bool() const { return target_ != nullptr; }

    private:
        Ref<Object> keep_;
        T* target_ { nullptr };
    };

    WeakLink() = default;
    WeakLink(T* p) { reset(p); }
    WeakLink& operator=(T* p)
    {
        reset(p);
        return *this;
    }

    void reset(T* p = nullptr)
    {
        Object* object = nullptr;
        if constexpr (std::is_base_of_v<Object, T>)
            object = const_cast<Object*>(static_cast<const Object*>(p));
        else if (p)
            object = const_cast<Object*>(dynamic_cast<const Object*>(p));
        object_.reset(object);
        watched_ = object != nullptr;
        raw_ = p;
    }

    // The target, or null when none was linked or it has been destroyed. For
    // a call that may release the target's last owner, use lock().
    T* get() const { return watched_ && object_.expired() ? nullptr : raw_; }
    Locked lock() const
    {
        if (!watched_)
            return Locked({}, raw_);
        Ref<Object> keep = object_.lock();
        return keep ? Locked(std::move(keep), raw_) : Locked();
    }
    explicit operator bool() const { return get() != nullptr; }
    // A target was linked and has been destroyed since.
    bool targetDestroyed() const { return watched_ && object_.expired(); }
    // The address the link was made with, for identity comparisons only.
    T* unsafeGet() const { return raw_; }

private:
    Weak<Object> object_;
    T* raw_ { nullptr };
    bool watched_ { false };
};

} // namespace platform
