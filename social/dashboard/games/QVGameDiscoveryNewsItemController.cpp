// The news item page: its path.
#include "social/dashboard/games/QVGameDiscoveryNewsItemController.h"

namespace quorvel {

QV_REGISTER_CLASS(QVGameDiscoveryNewsItemController);

std::string QVGameDiscoveryNewsItemController::getAction()
{
    return "game_discovery_news_items/" + (newsItem_ ? newsItem_->resourceId() : std::string()) + ".iphone";
}

} // namespace quorvel
