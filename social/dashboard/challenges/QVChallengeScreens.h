// What the challenge screens share: the game's challenge delegate (the
// central class's, unless a test installs its own) and closing the dashboard.
#pragma once

#include "social/core/QuorvelDelegate.h"

#include <functional>

namespace quorvel::QVChallengeScreens {

QVChallengeDelegate* challengeDelegate();
// Installs the delegate source; an empty function restores the central class's.
void setChallengeDelegateSource(std::function<QVChallengeDelegate*()> source);
// The delegate, when it responds to the message; else null.
QVChallengeDelegate* delegateRespondingTo(QVChallengeDelegate::Message message);
void dismissDashboard();

} // namespace quorvel::QVChallengeScreens
