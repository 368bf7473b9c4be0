// The game discovery service's requests and its three records.
#include "social/services/QVGameDiscoveryService.h"

#include "social/runtime/QVDashboardShape.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVResourceFields.h"
#include "social/services/QVPlayedGame.h"

namespace quorvel {

using platform::Ref;

namespace {

const QVServiceEndpoint kNamedPage { "GET", "game_discovery_categories/%@.xml", 0 };
const QVServiceEndpoint kIndex { "GET", "game_discovery_categories", 0 };

std::string orientation()
{
    QVDashboardShape& shape = QVDashboardShape::current();
    if (shape.isLargeScreen())
        return "ipad";
    return shape.isInLandscapeMode() ? "landscape" : "portrait";
}

} // namespace

void QVGameDiscoveryService::populateKnownResources(QVResourceNameMap& map)
{
    map.addResource<QVGameDiscoveryImageHyperlink>(QVGameDiscoveryImageHyperlink::getResourceName());
    map.addResource<QVGameDiscoveryNewsItem>(QVGameDiscoveryNewsItem::getResourceName());
    map.addResource<QVGameDiscoveryCategory>(QVGameDiscoveryCategory::getResourceName());
    map.addResource<QVPlayedGame>(QVPlayedGame::getResourceName());
    // The stats inside a played game are resolved by these names too, so
    // games of a discovery page keep them.
    map.addResource<QVUserGameStat>(QVUserGameStat::getResourceName());
}

Ref<QVRequestHandle> QVGameDiscoveryService::getDiscoveryPageNamed(const std::string& name, int page,
                                                                   const QVDelegate& onSuccess,
                                                                   const QVDelegate& onFailure)
{
    Ref<QVHttpNestedQueryStringWriter> params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    params->io("page", page);
    std::string layout = orientation();
    params->io("orientation", layout);
    if (name.empty())
        return service().send(kIndex, {}, params.get(), onSuccess, onFailure);
    return service().send(kNamedPage, { name }, params.get(), onSuccess, onFailure);
}

void QVGameDiscoveryService::getGameDiscoveryCategories(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    getDiscoveryPageNamed(std::string(), 1, onSuccess, onFailure);
}

Ref<QVRequestHandle> QVGameDiscoveryService::getIndexOnSuccess(const QVDelegate& onSuccess,
                                                               const QVDelegate& onFailure)
{
    getGameDiscoveryCategories(onSuccess, onFailure);
    return nullptr;
}

void QVGameDiscoveryService::getNowPlayingFeaturedPlacement(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    getDiscoveryPageNamed("now_playing_featured_placement", 1, onSuccess, onFailure);
}

void QVGameDiscoveryCategory::getDataMap(QVResourceDataMap& map)
{
    using T = QVGameDiscoveryCategory;
    QVResourceFields<T> f(map);
    f.read<QVFieldText>("icon_url", &T::iconUrl);
    f.read<QVFieldText>("name", &T::name);
    f.read<QVFieldText>("subtext", &T::subtext);
    f.read<QVFieldText>("secondary_text", &T::secondaryText);
    f.read<QVFieldText>("target_discovery_action_name", &T::targetDiscoveryActionName);
    f.read<QVFieldText>("target_discovery_page_title", &T::targetDiscoveryPageTitle);
}

void QVGameDiscoveryImageHyperlink::setSecondsToDisplayFromString(const std::string& text)
{
    secondsToDisplay = static_cast<float>(QVFieldDouble::read(text));
}

void QVGameDiscoveryImageHyperlink::getDataMap(QVResourceDataMap& map)
{
    using T = QVGameDiscoveryImageHyperlink;
    QVResourceFields<T> f(map);
    f.custom("seconds_to_display", &T::setSecondsToDisplayFromString);
    f.read<QVFieldText>("image_url", &T::imageUrl);
    f.read<QVFieldText>("target_application_ipurchase_id", &T::targetApplicationIPurchaseId);
    f.read<QVFieldText>("target_discovery_page_title", &T::targetDiscoveryPageTitle);
    f.read<QVFieldText>("target_discovery_action_name", &T::targetDiscoveryActionName);
    f.read<QVFieldText>("app_banner_placement", &T::appBannerPlacement);
}

void QVGameDiscoveryNewsItem::getDataMap(QVResourceDataMap& map)
{
    using T = QVGameDiscoveryNewsItem;
    QVResourceFields<T> f(map);
    f.read<QVFieldText>("icon_url", &T::iconUrl);
    f.read<QVFieldText>("title", &T::title);
    f.read<QVFieldText>("subtitle", &T::subtitle);
}

} // namespace quorvel
