// Reference counting, weak-link control blocks and default descriptions of Object.
#include "platform/foundation/Object.h"
#include "platform/foundation/Weak.h"

#include <cstdio>
#include <cstdint>
#include <cxxabi.h>
#include <cstdlib>
#include <typeinfo>

namespace platform {

Object::~Object()
{
    if (WeakControl* ctl = weak_.load(std::memory_order_acquire))
        ctl->release();
}

void Object::release() const
{
    if (refCount_.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    if (WeakControl* ctl = weak_.load(std::memory_order_acquire))
        ctl->clear();
    delete this;
}

bool Object::tryRetain() const
{
    int n = refCount_.load(std::memory_order_relaxed);
    while (n > 0) {
        if (refCount_.compare_exchange_weak(n, n + 1, std::memory_order_acq_rel))
            return true;
    }
    return false;
}

WeakControl* Object::weakControl() const
{
    WeakControl* ctl = weak_.load(std::memory_order_acquire);
    if (ctl)
        return ctl;
    auto* fresh = new WeakControl(const_cast<Object*>(this));
    if (weak_.compare_exchange_strong(ctl, fresh, std::memory_order_acq_rel))
        return fresh;
    fresh->release();
    return ctl;
}

std::string Object::className() const
{
    const char* mangled = typeid(*this).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : mangled;
    std::free(demangled);
    if (auto pos = name.rfind("::"); pos != std::string::npos)
        name = name.substr(pos + 2);
    return name;
}

std::string addressString(const void* p)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(p)));
    return buf;
}

std::string Object::description() const
{
    return "<" + className() + " = " + addressString(this) + ">";
}

} // namespace platform
