// The counted objects of the client's value layer (serialisers, parameter
// writers, observers) and the two pointers that hold counted things.
//
// QVSmartObject counts references starting at 0: the first QVPointer that takes
// it adds the reference that keeps it alive, and the last release deletes it.
// The count is not atomic: a smart object belongs to one thread.
// QVRetainedPtr is the owning pointer for platform objects (it retains on
// assignment, releases the previous object and on destruction).
#pragma once

#include "platform/foundation/Object.h"

#include <utility>

namespace quorvel {

class QVSmartObject {
public:
    QVSmartObject(const QVSmartObject&) = delete;
    QVSmartObject& operator=(const QVSmartObject&) = delete;

    void addRef() { ++refCount_; }
    // Lowers the count and deletes the object when it reaches 0.
    void release()
    {
        if (--refCount_ <= 0)
            delete this;
    }
    int refCount() const { return refCount_; }

protected:
    QVSmartObject() = default;
    virtual ~QVSmartObject() = default;

private:
    int refCount_ { 0 };
};

template <typename T>
class QVPointer {
public:
    QVPointer() = default;
    QVPointer(std::nullptr_t) { }
    QVPointer(T* p) : ptr_(p) { if (ptr_) ptr_->addRef(); }
    QVPointer(const QVPointer& o) : QVPointer(o.ptr_) { }
    QVPointer(QVPointer&& o) noexcept : ptr_(std::exchange(o.ptr_, nullptr)) { }
    template <typename U>
    QVPointer(const QVPointer<U>& o) : QVPointer(o.get()) { }
    ~QVPointer() { if (ptr_) ptr_->release(); }

    // Taking the object already held changes nothing.
    QVPointer& operator=(T* p)
    {
        if (p == ptr_)
            return *this;
        if (p)
            p->addRef();
        T* old = std::exchange(ptr_, p);
        if (old)
            old->release();
        return *this;
    }
    QVPointer& operator=(const QVPointer& o) { return *this = o.ptr_; }
    QVPointer& operator=(QVPointer&& o) noexcept
    {
        if (this != &o) {
            T* old = std::exchange(ptr_, std::exchange(o.ptr_, nullptr));
            if (old)
                old->release();
        }
        return *this;
    }

    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    T& operator*() const { return *ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

private:
    T* ptr_ { nullptr };
};

template <typename T>
using QVRetainedPtr = platform::Ref<T>;

} // namespace quorvel
