// Callback values: construction, copying (through the Ref members) and
// delivery on the target's run loop.
#include "social/runtime/QVDelegate.h"

#include "platform/foundation/Exception.h"

namespace quorvel {

using platform::Object;
using platform::Ref;
using platform::RunLoop;

QVDelegate::QVDelegate(Object* target, Method method)
    : target_(target), method_(method), thread_(&RunLoop::main())
{
}

QVDelegate::QVDelegate(Object* target, ShortMethod method)
    : target_(target), shortMethod_(method), thread_(&RunLoop::main())
{
}

QVDelegate::QVDelegate(Object* target, Method method, Object* userParam)
    : target_(target), method_(method), userParam_(userParam), thread_(&RunLoop::main())
{
}

QVDelegate::QVDelegate(Object* target, Method method, const QVDelegate& chained)
    : target_(target), method_(method), userParam_(QVDelegateChained::chainedWith(chained)), thread_(&RunLoop::main())
{
}

QVDelegateChained* QVDelegateChained::from(Object* userParam)
{
    auto* chained = dynamic_cast<QVDelegateChained*>(userParam);
    BRISKO_ASSERT(chained || !userParam, "A hook's user parameter is not the caller's chained values");
    return chained;
}

QVDelegateChained* QVDelegate::chained() const
{
    return dynamic_cast<QVDelegateChained*>(userParam_.get());
}

void QVDelegate::call(Object* argument) const
{
    if (auto* callbackable = dynamic_cast<QVCallbackable*>(target_.get())) {
        if (!callbackable->canReceiveCallbacksNow())
            return;
    }
    if (method_)
        method_.invoke(target_.get(), argument, userParam_.get());
    else if (shortMethod_)
        shortMethod_.invoke(target_.get(), argument);
}

void QVDelegate::invoke(Object* argument) const
{
    invoke(argument, 0);
}

void QVDelegate::invoke(Object* argument, double delay) const
{
    if (!target_ || !thread_)
        return;
    if (delay <= 0 && thread_->isCurrent()) {
        call(argument);
        return;
    }
    // The queued call holds its own copy of the value and of the argument, so
    // both stay alive until it runs.
    QVDelegate copy(*this);
    Ref<Object> arg(argument);
    RunLoop* loop = thread_;
    if (delay <= 0) {
        loop->post([copy, arg] { copy.call(arg.get()); });
    } else if (loop->isCurrent()) {
        loop->performAfter(delay, [copy, arg] { copy.call(arg.get()); });
    } else {
        loop->post([copy, arg, loop, delay] {
            loop->performAfter(delay, [copy, arg] { copy.call(arg.get()); });
        });
    }
}

} // namespace quorvel
