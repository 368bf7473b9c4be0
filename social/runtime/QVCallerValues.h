// The caller's two values of one request, carried as the user parameter of
// both of its hooks, so either ending (an unreadable answer too) reaches the
// right one.
#pragma once

#include "social/runtime/QVDelegate.h"

namespace quorvel {

class QVCallerValues final : public platform::Object {
public:
    static platform::Ref<QVCallerValues> with(const QVDelegate& onSuccess, const QVDelegate& onFailure)
    {
        auto c = platform::adoptRef(new QVCallerValues);
        c->onSuccess = onSuccess;
        c->onFailure = onFailure;
        return c;
    }
    QVDelegate onSuccess;
    QVDelegate onFailure;
};

} // namespace quorvel
