// QuorvelDelegate: what the game implements to hear from the social client.
// Every method is optional: the defaults do nothing. Where the client's
// behaviour depends on whether the game answers at all, the method answers
// std::optional and the default (nullopt) means "does not respond".
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"

#include <optional>
#include <string>

namespace quorvel {

class QuorvelDelegate {
public:
    virtual ~QuorvelDelegate() = default;

    // A full-screen screen of the client is about to appear / has appeared.
    virtual void dashboardWillAppear() { }
    virtual void dashboardDidAppear() { }
    // It is about to close / has closed.
    virtual void dashboardWillDisappear() { }
    virtual void dashboardDidDisappear() { }
    // Login finished online / offline, with the user id.
    virtual void userLoggedIn(const std::string& /*userId*/) { }
    virtual void offlineUserLoggedIn(const std::string& /*userId*/) { }
    // Asked before the client's own approval screen: true means the game shows
    // its own and the client shows nothing; nullopt means the game does not answer.
    virtual std::optional<bool> showCustomQuorvelApprovalScreen() { return std::nullopt; }
    // The player logged out; the id of the user who was logged in.
    virtual void userLoggedOut(const std::string& /*userId*/) { }
    // An announcement is opened (the announcement record).
    virtual void showCustomScreenForAnnouncement(platform::Object* /*announcement*/) { }
    // A high score's blob was downloaded (the blob, the high-score record).
    virtual void userDownloadedBlob(const platform::Bytes& /*blob*/, platform::Object* /*highScore*/) { }
};

// QVChallengeDelegate: what the game implements to hear from the challenge
// screens. A message is sent only when respondsTo answers true for it; the
// client's behaviour also changes with some of them (a start without
// userLaunchedChallenge keeps the dashboard open; the send screen offers a
// stronger challenge only with userRestartedCreateChallenge).
class QVChallengeDelegate {
public:
    enum class Message {
        UserLaunchedChallenge,
        UserSentChallenges,
        SendChallengeScreenClosed,
        CompletedChallengeScreenClosed,
        UserRestartedChallenge,
        UserRestartedCreateChallenge,
        CreateStrongerChallenge,
    };
    virtual ~QVChallengeDelegate() = default;

    virtual bool respondsTo(Message) const { return false; }
    // The player started a received challenge (the challenge-to-user record,
    // and its data when it has any).
    virtual void userLaunchedChallenge(platform::Object* /*challengeToUser*/, const std::optional<platform::Bytes>& /*data*/) { }
    virtual void userSentChallenges() { }
    virtual void sendChallengeScreenClosed() { }
    virtual void completedChallengeScreenClosed() { }
    virtual void userRestartedChallenge() { }
    virtual void userRestartedCreateChallenge() { }
    virtual void createStrongerChallenge() { }
};

} // namespace quorvel
