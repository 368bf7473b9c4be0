// Selectors as values: a pointer to a member function of an Object subclass with
// a fixed argument list, plus the method's name for descriptions.
//
// Two selectors are equal when they designate the same member function (names
// are not compared). Make them with BRISKO_SELECTOR(Class, method):
//     Selector<float> s = BRISKO_SELECTOR(MyLayer, tick);
//     s.invoke(target, dt);
// The target passed to invoke must be an object of (a subclass of) Class.
#pragma once

#include "platform/foundation/Object.h"

namespace platform {

template <typename... Args>
class Selector {
public:
    using Method = void (Object::*)(Args...);

    constexpr Selector() = default;
    constexpr Selector(std::nullptr_t) { }
    template <typename C>
    Selector(void (C::*member)(Args...), const char* name)
        : method_(static_cast<Method>(member)), name_(name) { }

    void invoke(Object* target, Args... args) const { (target->*method_)(args...); }
    Method method() const { return method_; }
    const char* name() const { return name_ ? name_ : ""; }

    explicit operator bool() const { return method_ != nullptr; }
    friend bool operator==(const Selector& a, const Selector& b) { return a.method_ == b.method_; }

private:
    Method method_ { nullptr };
    const char* name_ { nullptr };
};

} // namespace platform

#define BRISKO_SELECTOR(Class, method) ::platform::Selector(&Class::method, #method)
