#include "social/dashboard/QVChallengeScreens.h"

#include "social/core/Quorvel.h"
#include "social/ui/QVDashboardHost.h"

namespace quorvel::QVChallengeScreens {

namespace {
std::function<QVChallengeDelegate*()>& source()
{
    static std::function<QVChallengeDelegate*()> s;
    return s;
}
} // namespace

QVChallengeDelegate* challengeDelegate() { return source() ? source()() : Quorvel::getChallengeDelegate(); }

void setChallengeDelegateSource(std::function<QVChallengeDelegate*()> s) { source() = std::move(s); }

QVChallengeDelegate* delegateRespondingTo(QVChallengeDelegate::Message message)
{
    QVChallengeDelegate* d = challengeDelegate();
    return d && d->respondsTo(message) ? d : nullptr;
}

void dismissDashboard() { QVDashboardHost::current().dismissDashboard(); }

} // namespace quorvel::QVChallengeScreens
