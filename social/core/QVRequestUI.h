// QVRequestUI: what the player sees of requests and of the services' events
// — server notifications, the in-game notices (handed to the shared
// QVNotification, which decides whether they show; the default background
// notice waits in one slot until the next successful answer), and the screens
// a request may need: the login flow, the extended credentials (HTTP 430),
// the upgrade (426) and maintenance (450) pages. It answers the request UI
// role for the runtime and the services.
//
// The login flow never shows a login screen: an error screen while a
// full-screen screen is up, else a notice; the request is abandoned.
#pragma once

#include "social/core/QVClientPart.h"
#include "social/runtime/QVRequestUIRole.h"

namespace quorvel {

class QVRequestUI final : public QVClientPart, public QVRequestUIRole {
public:
    explicit QVRequestUI(Quorvel& client)
        : QVClientPart(client)
    {
    }

    void launchLoginFlowAndShowDashboard(bool showDashboard, QVActionRequest* request);
    void launchLoginFlowToDashboard() { launchLoginFlowAndShowDashboard(true, nullptr); }
    void launchLoginFlowThenDismiss() { launchLoginFlowAndShowDashboard(false, nullptr); }
    void clearDefaultNotice();

    // The request UI role.
    void showServerNotification(const QVXmlElement& element, const QVResourceNameMap& names) override;
    void showDefaultNotice() override;
    bool areErrorScreensAllowed() override;
    void displayErrorMessage(const std::string& message) override;
    void displayUpgradeRequiredErrorMessage(const platform::Bytes& body) override;
    void displayServerMaintenanceNotice(const platform::Bytes& body) override;
    bool isShowingFullScreen() override;
    void launchLoginFlowForRequest(QVActionRequest& request) override;
    void accessTokenRefused(const std::string& token) override;
    void showBackgroundNoticeForLoader(QVActionRequest& request, platform::Object* notice) override;
    void launchGetExtendedCredentialsFlowForRequest(QVActionRequest& request, const platform::Bytes& body,
                                                    platform::Object* noticeUserData) override;
    platform::Ref<platform::Object> foregroundNotice(const std::string& text) override;
    platform::Ref<platform::Object> categorizedNotice(const std::string& text, int category, int type) override;
    platform::Ref<platform::Object> publishedEventNotice(const std::string& text, platform::Object* post) override;
    void showBackgroundNotice(const BackgroundNotice& notice) override;
    void setDefaultBackgroundNotice(const BackgroundNotice& notice) override;
    void showAchievementNotice(QVAchievement* achievement, double percentComplete) override;
};

} // namespace quorvel
