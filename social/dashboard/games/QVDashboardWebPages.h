// The dashboard's pages served by the social-gaming service: a game's store
// description ("ApplicationDescription"), the developer's featured games, a
// discovery news item and the help page ("Help"). Each names only its server
// path, title, extra parameters and notice; the web screen does the rest.
#pragma once

#include "social/services/QVGameDiscoveryService.h"
#include "social/ui/QVWebViewController.h"

namespace quorvel {

class QVApplicationDescriptionController : public QVWebViewController {
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

class QVFeaturedGamesController : public QVWebViewController {
    QV_DECLARE_CLASS(QVFeaturedGamesController)
public:
    std::string getTitle() override { return "Featured Games"; }
    std::string getAction() override { return "featured_apps_by_dev.iphone"; }
    OAuthURLRequest::Parameters getParameters() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVFeaturedGamesController() = default;
};

class QVGameDiscoveryNewsItemController : public QVWebViewController {
    QV_DECLARE_CLASS(QVGameDiscoveryNewsItemController)
public:
    static platform::Ref<QVGameDiscoveryNewsItemController> create()
    {
        return platform::Ref<QVGameDiscoveryNewsItemController>(
            static_cast<QVGameDiscoveryNewsItemController*>(qvCreateInstance().get()));
    }
    QVGameDiscoveryNewsItem* newsItem() const { return newsItem_.get(); }
    void setNewsItem(QVGameDiscoveryNewsItem* item) { newsItem_ = item; }

    std::string getTitle() override { return "News"; }
    std::string getAction() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVGameDiscoveryNewsItemController() = default;

private:
    platform::Ref<QVGameDiscoveryNewsItem> newsItem_;
};

class QVHelpController : public QVWebViewController {
    QV_DECLARE_CLASS(QVHelpController)
public:
    std::string getTitle() override { return "Help"; }
    std::string getAction() override { return "help.iphone"; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVHelpController() = default;
};

} // namespace quorvel
