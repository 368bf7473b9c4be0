// Boxed: a Value carried as an Object, for callback arguments that are plain
// data (a status number, a body of bytes). Immutable once made.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"

namespace platform {

class Boxed final : public Object {
public:
    [[nodiscard]] static Ref<Boxed> box(Value value)
    {
        auto b = adoptRef(new Boxed);
        b->value_ = std::move(value);
        return b;
    }
    [[nodiscard]] static Ref<Boxed> number(long long n) { return box(Value(n)); }
    [[nodiscard]] static Ref<Boxed> data(Bytes bytes) { return box(Value(std::move(bytes))); }

    const Value& value() const { return value_; }
    std::string description() const override { return value_.asString(); }

private:
    Boxed() = default;
    Value value_;
};

} // namespace platform
