// A non-owning link that answers null once its object has been destroyed.
// Safe to lock from another thread: lock() either gets a live reference or none.
#pragma once

#include "platform/foundation/Object.h"

#include <mutex>

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

} // namespace platform
