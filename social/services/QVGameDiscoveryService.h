// QVGameDiscoveryService: the discovery pages where the player finds other
// games — the index of categories, named pages of games, news items and
// banners, and the rotating featured placement. The three records are the
// rows a page holds besides played games; they are read from XML only.
#pragma once

#include "social/runtime/QVService.h"
#include "social/runtime/QVResource.h"

#include <string>

namespace quorvel {

class QVGameDiscoveryService : public QVSharedService<QVGameDiscoveryService> {
public:
    QVGameDiscoveryService() = default;

    // GET "game_discovery_categories/<name>.xml" ("game_discovery_categories"
    // without a name): "page", then "orientation" ("ipad", "landscape" or "portrait").
    static platform::Ref<QVRequestHandle> getDiscoveryPageNamed(const std::string& name, int page,
                                                                const QVDelegate& onSuccess,
                                                                const QVDelegate& onFailure);
    static void getGameDiscoveryCategories(const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static void getNowPlayingFeaturedPlacement(const QVDelegate& onSuccess, const QVDelegate& onFailure);

    platform::Ref<QVRequestHandle> getIndexOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void populateKnownResources(QVResourceNameMap& map) override;
};

// An entry of the discovery index leading to a discovery page.
class QVGameDiscoveryCategory : public QVResource {
    QV_DECLARE_RESOURCE(QVGameDiscoveryCategory)
public:
    static std::string getResourceName() { return "game_discovery_category"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVGameDiscoveryService::sharedService(); }

    std::string iconUrl, name, subtext, secondaryText, targetDiscoveryActionName, targetDiscoveryPageTitle;

protected:
    QVGameDiscoveryCategory() = default;
};

// A banner linking to a game's purchase page or to a discovery page.
class QVGameDiscoveryImageHyperlink : public QVResource {
    QV_DECLARE_RESOURCE(QVGameDiscoveryImageHyperlink)
public:
    static std::string getResourceName() { return "game_discovery_image_hyperlink"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVGameDiscoveryService::sharedService(); }

    bool isIPurchaseLink() const { return !targetApplicationIPurchaseId.empty(); }
    bool isCategoryLink() const { return !targetDiscoveryActionName.empty(); }
    void setSecondsToDisplayFromString(const std::string& text);

    float secondsToDisplay { 0 };
    std::string imageUrl, targetDiscoveryActionName, targetDiscoveryPageTitle, targetApplicationIPurchaseId,
        appBannerPlacement;

protected:
    QVGameDiscoveryImageHyperlink() = default;
};

// A news row of a discovery page.
class QVGameDiscoveryNewsItem : public QVResource {
    QV_DECLARE_RESOURCE(QVGameDiscoveryNewsItem)
public:
    static std::string getResourceName() { return "game_discovery_news_item"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVGameDiscoveryService::sharedService(); }

    std::string iconUrl, title, subtitle;

protected:
    QVGameDiscoveryNewsItem() = default;
};

} // namespace quorvel
