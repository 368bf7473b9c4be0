// QVBootstrapService: the bootstrap request and its answer. The request logs
// the device in (or creates an account); the answer's <bootstrap> element
// carries one field per setting the facade stores, the access token and the
// presence settings (docs/wire-format.md, "Bootstrap"). On an answer the
// session role applies it, the add-ons are told, the offline data is
// synchronised, and the success value is invoked with the QVBootstrap.
// Anything else — no answer, an error status, an unreadable or wrong
// document, no token, no player whose id is a positive number — invokes the
// failure value with the request loader.
//
// The answer of a game with thousands of leaderboards is large, so its
// handling is spread over main-loop turns (QVTurns.h): the answer is read a
// piece at a time (QVBootstrapReader), the settings are applied in the turn
// after, the offline data is written over the turns it takes, and the success
// value is invoked in a turn of its own. The order of these steps is the one
// above. Once the session the request was made in is gone (the client shut
// down meanwhile), nothing more is done.
#pragma once

#include "social/runtime/QVDelegate.h"
#include "social/runtime/QVDistanceUnit.h"
#include "social/runtime/QVResource.h"
#include "social/runtime/QVXmlDocument.h"

#include <optional>

namespace quorvel {

class QVProvider;

class QVBootstrap : public platform::Object {
public:
    // Null when the document's top element is not <bootstrap>. `offline` is
    // the answer's offline part when it was read into a resource instead of
    // the document.
    static platform::Ref<QVBootstrap> fromDocument(platform::Ref<QVXmlDocument> document,
                                                   platform::Ref<QVResource> offline = nullptr);

    double pollingFrequencyDefault { 0 };
    double pollingFrequencyInChat { 0 };
    std::string accessToken;
    std::string accessTokenSecret;
    bool userHasSetName { false };
    bool userChatEnabled { false };
    bool userHadFriendsOnBootup { false };
    bool hasHttpBasicCredential { false };
    bool hasFbconnectCredential { false };
    bool hasTwitterCredential { false };
    bool isNewUser { false };
    std::string clientApplicationId;
    std::string clientApplicationIconUrl;
    int unviewedChallengesCount { 0 };
    int pendingFriendsCount { 0 };
    std::string suggestionsForumId;
    std::string initialDashboardScreen;
    std::string initialDashboardModalContentUrl;
    bool userSharesOnlineStatus { false };
    int unreadImCount { 0 };
    int unreadPostCount { 0 };
    int unreadInviteCount { 0 };
    bool locationSharingEnabled { false };
    bool presenceEnabled { false };
    std::string presenceQueue;

    bool hasNonDeviceCredential() const { return hasHttpBasicCredential || hasFbconnectCredential || hasTwitterCredential; }
    QVDistanceUnit userDistanceUnit() const
    {
        return locationSharingEnabled ? QVDistanceUnit::LocationShared : QVDistanceUnit::LocationOff;
    }
    // The nested records, read by the services that own their classes; null when absent.
    const QVXmlElement* userElement() const { return element("user"); }
    const QVXmlElement* gameProfileElement() const { return element("game_profile_page_info"); }
    const QVXmlElement* element(const char* name) const;
    // The offline part read as its resource (null when it was read as an element, or is absent).
    QVResource* offline() const { return offline_.get(); }

private:
    QVBootstrap() = default;
    platform::Ref<QVXmlDocument> document_;
    platform::Ref<QVResource> offline_;
};

class QVBootstrapService {
public:
    static constexpr const char* kPath = "bootstrap.xml";
    static void bootstrap(QVProvider& provider, const std::optional<platform::Bytes>& deviceToken,
                          bool forceCreateAccount, const std::optional<std::string>& userId,
                          const QVDelegate& onSuccess, const QVDelegate& onFailure);
};

// Text as a boolean the way the service writes them: true for text beginning
// with Y, y, T, t or a digit 1 to 9.
bool QVBoolFromText(const std::string& text);

} // namespace quorvel
