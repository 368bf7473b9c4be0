// The chat screens' polling: by default, the central class's poller.
#include "social/dashboard/common/QVCommunityPolling.h"

#include "social/core/QuorvelInternal.h"

namespace quorvel {

namespace {
QVCommunityPolling defaultPolling()
{
    QVCommunityPolling p;
    p.setChatFrequency = [] { QuorvelInternal::sessionRole().setPollingFrequency(QuorvelInternal::options().getPollingFrequencyInChat()); };
    p.restoreDefaultFrequency = [] { QuorvelInternal::sessionRole().setPollingToDefaultFrequency(); };
    p.chatFrequency = [] { return static_cast<double>(QuorvelInternal::options().getPollingFrequencyInChat()); };
    return p;
}
} // namespace

QVCommunityPolling& QVCommunityPolling::shared()
{
    static QVCommunityPolling polling = defaultPolling();
    return polling;
}

void QVCommunityPolling::resetToDefault() { shared() = defaultPolling(); }

} // namespace quorvel
