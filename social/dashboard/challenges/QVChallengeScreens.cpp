// What the challenge screens share: the game's challenge delegate, closing the
// dashboard while telling the game, and a received challenge's definition.
#include "social/dashboard/challenges/QVChallengeScreens.h"

#include "social/core/QuorvelInternal.h"
#include "social/core/QuorvelDashboardScreens.h"
#include "social/dashboard/challenges/QVSendChallengeController.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeService.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVNavigationController.h"

namespace quorvel::QVChallengeScreens {

namespace {
std::function<QVChallengeDelegate*()>& source()
{
    static std::function<QVChallengeDelegate*()> s;
    return s;
}
} // namespace

QVChallengeDelegate* challengeDelegate() { return source() ? source()() : QuorvelInternal::sessionRole().getChallengeDelegate(); }

void setChallengeDelegateSource(std::function<QVChallengeDelegate*()> s) { source() = std::move(s); }

QVChallengeDelegate* delegateRespondingTo(QVChallengeDelegate::Message message)
{
    QVChallengeDelegate* d = challengeDelegate();
    return d && d->respondsTo(message) ? d : nullptr;
}

void dismissDashboard() { QuorvelInternal::dashboardRole().dismissDashboard(); }

bool tellGame(QVChallengeDelegate::Message message, const std::function<void(QVChallengeDelegate&)>& call)
{
    QVChallengeDelegate* d = delegateRespondingTo(message);
    return !d || QuorvelInternal::sessionRole().callGame([&] { call(*d); });
}

void closeDashboardTelling(QVChallengeDelegate::Message message)
{
    using Message = QVChallengeDelegate::Message;
    dismissDashboard();
    tellGame(message, [message](QVChallengeDelegate& game) {
        switch (message) {
        case Message::SendChallengeScreenClosed:
            game.sendChallengeScreenClosed();
            break;
        case Message::CompletedChallengeScreenClosed:
            game.completedChallengeScreenClosed();
            break;
        case Message::UserRestartedChallenge:
            game.userRestartedChallenge();
            break;
        default:
            break;
        }
    });
}

QVChallengeDefinition* definitionOf(QVChallengeToUser* record)
{
    QVChallenge* challenge = record ? record->challenge() : nullptr;
    return challenge ? challenge->challengeDefinition() : nullptr;
}

} // namespace quorvel::QVChallengeScreens
