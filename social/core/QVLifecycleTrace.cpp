// The life-cycle observer slot.
#include "social/core/QVLifecycleTrace.h"

namespace quorvel {

namespace {
QVLifecycleTrace::Observer& observer()
{
    static QVLifecycleTrace::Observer slot;
    return slot;
}
} // namespace

void QVLifecycleTrace::setObserver(Observer o) { observer() = std::move(o); }

void QVLifecycleTrace::step(const std::string& name)
{
    if (observer())
        observer()(name);
}

} // namespace quorvel
