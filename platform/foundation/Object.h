// The root of every class of the system: an intrusively reference-counted object.
//
// Ownership is visible in the type: Ref<T> owns (retains), Weak<T> observes and
// answers null once the object is gone, and a raw pointer is a link that someone
// else keeps alive. A new object starts with one reference, which adoptRef()
// takes over; makeRef<T>(...) does both. The count is atomic so that objects may
// be handed between threads; everything else about an object belongs to the
// thread that uses it.
#pragma once

// The libraries ask objects what they are (dynamic_cast), the game's own
// subclasses among them: code built without RTTI would compile, then crash
// when a library asks. So a game is told here instead.
#if defined(__GNUC__) && !defined(__GXX_RTTI)
#error "Brisko needs RTTI: build the game without -fno-rtti (the libraries use dynamic_cast on the game's objects)"
#endif

#include <atomic>
#include <cstddef>
#include <string>
#include <utility>

namespace platform {

class WeakControl;

class Object {
public:
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    void retain() const { refCount_.fetch_add(1, std::memory_order_relaxed); }
    void release() const;
    int retainCount() const { return refCount_.load(std::memory_order_relaxed); }

    // Increments the count unless it already reached zero (used by Weak::lock).
    bool tryRetain() const;

    // The documented class name; by default the C++ class name without namespaces.
    virtual std::string className() const;
    // "<ClassName = 0123ABCD | ...>" for engine objects; plain "<ClassName = 0x...>" here.
    virtual std::string description() const;

    WeakControl* weakControl() const;

protected:
    Object() = default;
    virtual ~Object();

private:
    // The count last: a subclass's first small field takes the 4 bytes after it.
    mutable std::atomic<WeakControl*> weak_ { nullptr };
    mutable std::atomic<int> refCount_ { 1 };
};

// The address of an object in the 8-hex-digit form of descriptions (low 32 bits).
std::string addressString(const void* p);

template <typename T>
class Ref {
public:
    Ref() = default;
    Ref(std::nullptr_t) { }
    // Retains: wrapping a raw link keeps the object alive.
    Ref(T* p) : ptr_(p) { if (ptr_) ptr_->retain(); }
    Ref(const Ref& o) : ptr_(o.ptr_) { if (ptr_) ptr_->retain(); }
    Ref(Ref&& o) noexcept : ptr_(o.ptr_) { o.ptr_ = nullptr; }
    template <typename U>
    Ref(const Ref<U>& o) : ptr_(o.get()) { if (ptr_) ptr_->retain(); }
    template <typename U>
    Ref(Ref<U>&& o) noexcept : ptr_(o.leak()) { }
    ~Ref() { if (ptr_) ptr_->release(); }

    Ref& operator=(const Ref& o) { Ref(o).swap(*this); return *this; }
    Ref& operator=(Ref&& o) noexcept { Ref(std::move(o)).swap(*this); return *this; }
    template <typename U>
    Ref& operator=(const Ref<U>& o) { Ref(o).swap(*this); return *this; }
    template <typename U>
    Ref& operator=(Ref<U>&& o) noexcept { Ref(std::move(o)).swap(*this); return *this; }
    Ref& operator=(T* p) { Ref(p).swap(*this); return *this; }
    Ref& operator=(std::nullptr_t) { Ref().swap(*this); return *this; }

    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    T& operator*() const { return *ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    operator T*() const { return ptr_; }

    void swap(Ref& o) noexcept { std::swap(ptr_, o.ptr_); }
    // Gives up ownership without releasing.
    T* leak() { T* p = ptr_; ptr_ = nullptr; return p; }

    static Ref adopt(T* p) { Ref r; r.ptr_ = p; return r; }

private:
    T* ptr_ { nullptr };
};

// Takes over the creation reference of a freshly made object.
template <typename T>
Ref<T> adoptRef(T* p) { return Ref<T>::adopt(p); }

template <typename T, typename... Args>
Ref<T> makeRef(Args&&... args) { return adoptRef(new T(std::forward<Args>(args)...)); }

template <typename T, typename U>
Ref<T> dynamicRef(const Ref<U>& r) { return Ref<T>(dynamic_cast<T*>(r.get())); }

} // namespace platform

template <typename T>
struct std::hash<platform::Ref<T>> {
    size_t operator()(const platform::Ref<T>& r) const noexcept { return std::hash<T*>()(r.get()); }
};
