// QVFeaturedGamesController ("FeaturedGames"): the developer's featured
// games, a page served by the social-gaming service for the running game.
#pragma once

#include "social/ui/QVWebViewController.h"

namespace quorvel {

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

} // namespace quorvel
