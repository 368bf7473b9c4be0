// QVServiceScreens: the screens the services open over the game through the
// running client — a challenge screen framed with a close button, the
// challenge list and detail, a received challenge's notice, the permission
// screen of a social post, the invite flow and screens made by name. The
// dashboard's screens are loaded by name and reached through the interfaces
// of QuorvelDashboardScreens.h. It answers the screens role of the services.
//
// What a received challenge does (fetch it, then open the dashboard on it at
// launch or show its notice while the game runs) is the challenge service's
// unless a test replaces it: the handlers are process-wide.
#pragma once

#include "social/core/QVClientPart.h"
#include "social/services/QVScreensRole.h"

#include <functional>
#include <string>

namespace quorvel {

class QVServiceScreens final : public QVClientPart, public QVScreensRole {
public:
    explicit QVServiceScreens(Quorvel& client)
        : QVClientPart(client)
    {
    }

    bool presentChallengeScreen(const QVChallengeScreen& screen) override;
    void showChallengeDetail(const std::string& challengeId) override;
    void showChallengeNotice(QVChallengeToUser* received) override;
    bool requestNotificationPermission(QVSocialNotification* notification,
                                       const std::vector<platform::Ref<QVUsersCredential>>& credentials) override;
    bool presentSendInviteScreen(const std::string& inviteIdentifier) override;
    platform::Ref<platform::ui::ViewController> loadScreen(const std::string& name) override;
    void launchDashboard(const std::string& tab,
                         const std::vector<platform::Ref<platform::ui::ViewController>>& controllers) override;

    // A received challenge, by its challenge-to-user id: at launch the
    // dashboard opens on it, while the game runs its notice shows.
    struct ChallengePushHandlers {
        std::function<void(const std::string& challengeToUserId)> showDetailView;
        std::function<void(const std::string& challengeToUserId)> showNotification;
    };
    // Empty handlers restore the challenge service's fetches.
    static void setChallengePushHandlers(ChallengePushHandlers handlers);
    static void showReceivedChallengeDetail(const std::string& challengeToUserId);
    static void showReceivedChallengeNotification(const std::string& challengeToUserId);

private:
    platform::Ref<platform::Object> closer_; // the close button's target of the challenge screens
};

} // namespace quorvel
