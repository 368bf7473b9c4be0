// QVApplicationDescriptionController ("ApplicationDescription"): a game's
// store description, a page served by the social-gaming service. Like the
// other web pages it names only its server path, title, extra parameters and
// notice; the web screen does the rest.
#pragma once

#include "social/core/QuorvelDashboardScreens.h"
#include "social/ui/QVWebViewController.h"

namespace quorvel {

class QVApplicationDescriptionController : public QVWebViewController, public QVApplicationDescriptionScreen {
    QV_DECLARE_CLASS(QVApplicationDescriptionController)
public:
    // Loads "ApplicationDescription" for the game; the placement says where
    // the page was opened from (empty: none is sent). The caller pushes it.
    static platform::Ref<QVApplicationDescriptionController> applicationDescriptionForId(
        const std::string& resourceId, const std::string& appBannerPlacement);

    const std::string& resourceId() const { return resourceId_; }
    void setResourceId(const std::string& id) { resourceId_ = id; }
    const std::string& appBannerPlacement() const { return appBannerPlacement_; }
    void setAppBannerPlacement(const std::string& placement) { appBannerPlacement_ = placement; }
    void describeApplication(const std::string& applicationId, const std::string& bannerPlacement) override
    {
        resourceId_ = applicationId;
        appBannerPlacement_ = bannerPlacement;
    }

    std::string getTitle() override { return "Info"; }
    std::string getAction() override;
    OAuthURLRequest::Parameters getParameters() override;
    std::string notificationString() override { return "Downloaded Application Description"; }
    // "setResourceId" or "setApplicationId", and "setAppBannerPlacement".
    bool performSetter(const std::string& setterName, platform::Object* value) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVApplicationDescriptionController() = default;

private:
    std::string resourceId_;
    std::string appBannerPlacement_;
};

} // namespace quorvel
