// What the challenge screens share: the game's challenge delegate (the
// central class's, unless a test installs its own), closing the dashboard,
// and the definition a received challenge is of.
#pragma once

#include "social/core/QuorvelDelegate.h"

#include <functional>

namespace quorvel {
class QVChallengeDefinition;
class QVChallengeToUser;
} // namespace quorvel

namespace quorvel::QVChallengeScreens {

QVChallengeDelegate* challengeDelegate();
// Installs the delegate source; an empty function restores the central class's.
void setChallengeDelegateSource(std::function<QVChallengeDelegate*()> source);
// The delegate, when it responds to the message; else null.
QVChallengeDelegate* delegateRespondingTo(QVChallengeDelegate::Message message);
void dismissDashboard();
// Tells the delegate, when it responds to the message, through the client's
// one door to the game (QVSessionRole::callGame); answers whether the client
// still runs afterwards (the game may shut it down from inside): false, and
// the screen stops there.
bool tellGame(QVChallengeDelegate::Message message, const std::function<void(QVChallengeDelegate&)>& call);
// Closes the dashboard, then tells the delegate the message when it responds to it.
void closeDashboardTelling(QVChallengeDelegate::Message message);
// The definition of the challenge the record is of, or null.
QVChallengeDefinition* definitionOf(QVChallengeToUser* record);

} // namespace quorvel::QVChallengeScreens
