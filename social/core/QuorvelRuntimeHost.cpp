// The facade's answers to the runtime.
#include "social/core/QuorvelRuntimeHost.h"

#include "social/core/Quorvel.h"

namespace quorvel {

namespace {
QuorvelRuntimeHost& host()
{
    static QuorvelRuntimeHost instance;
    return instance;
}
} // namespace

void QuorvelRuntimeHost::install() { QVRuntimeHost::setCurrent(&host()); }

void QuorvelRuntimeHost::uninstall()
{
    if (&QVRuntimeHost::current() == &host())
        QVRuntimeHost::setCurrent(nullptr);
}

bool QuorvelRuntimeHost::areErrorScreensAllowed()
{
    Quorvel* q = Quorvel::sharedInstance();
    return q && q->mAllowErrorScreens;
}

bool QuorvelRuntimeHost::hasUserApprovedQuorvel() { return Quorvel::_hasUserApprovedQuorvel(); }

bool QuorvelRuntimeHost::isQuorvelDisabled() { return Quorvel::isDisabled(); }

std::string QuorvelRuntimeHost::sessionId() { return Quorvel::sessionId(); }

QVProvider* QuorvelRuntimeHost::provider() { return Quorvel::provider(); }

void QuorvelRuntimeHost::writeBootstrapParameters(QVHttpNestedQueryStringWriter& params)
{
    Quorvel::getUserStatsParams(params);
}

} // namespace quorvel
