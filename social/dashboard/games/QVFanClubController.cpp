// The fan club's rows and what they open.
#include "social/dashboard/games/QVFanClubController.h"

#include "social/core/QuorvelInternal.h"
#include "social/dashboard/frame/QVFeatureScreens.h"
#include "social/dashboard/games/QVPlayedGameController.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVAnnouncementService.h"
#include "social/services/QVClientApplicationService.h"
#include "social/services/QVForumService.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/ui/QVKitImages.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVFanClubController);

QVGameProfilePageInfo* QVFanClubController::pageGame() const
{
    return dynamic_cast<QVGameProfilePageInfo*>(getPageContextGame());
}

std::optional<QVTableControllerHelper::Sections> QVFanClubController::buildTableSectionDescriptions()
{
    rows_.clear();
    controllerNames_.clear();
    QVTableSectionDescription::Cells cells;
    auto createCell = [&](const std::string& title, const std::string& icon, const std::string& controllerName,
                          QVFanClubCell::CreateController create) {
        Ref<TableViewCell> loaded = QVControllerLoader::loadCell("FanClub", this);
        auto cell = Ref<QVFanClubCell>(
            loaded ? requireCast<QVFanClubCell>(loaded, "A menu row must take its title and action") : nullptr);
        if (!cell)
            return;
        cell->titleLabel()->setText(title);
        cell->iconView()->setImage(icon.empty() ? nullptr : QVLoadKitImage(icon).get());
        cell->badgeView()->setValue(0);
        cell->setCreateControllerSelector(std::move(create));
        rows_.push_back(cell);
        controllerNames_.push_back(controllerName);
        cells.emplace_back(cell.get());
    };
    Ref<QVGameProfilePageInfo> running(dynamic_cast<QVGameProfilePageInfo*>(QuorvelInternal::sessionRole().localGameProfileInfo().get()));
    // The rows may be built before the stack has given the page its game: the running game stands in.
    QVGameProfilePageInfo* game = pageGame() ? pageGame() : running.get();
    createCell("Add Game as Favorite", "QVFanClubIconStar.png", "FavoriteThisGame", nullptr);
    if (running && running->hasiPurchase())
        createCell("Invite a Friend to Play", "QVFanClubIconSendInvite.png", "", [this] { return inviteFriends(); });
    createCell("Developer Announcements", "QVFanClubIconDevAnnouncements.png", "AnnouncementBrowser", nullptr);
    createCell("Subscribe to Newsletter", "QVFanClubIconNewsLetter.png", "NewsLetter", nullptr);
    // Without a suggestions forum there is nothing to open.
    const bool suggestions = game && game->suggestionsForumId() && !game->suggestionsForumId()->empty()
        && *game->suggestionsForumId() != "0";
    if (QuorvelInternal::sessionRole().allowUserGeneratedContent() && suggestions)
        createCell("Suggest a Feature", "QVFanClubIconIdea.png", "", [this] { return createSuggestionBrowser(); });
    if (running && running->hasFeaturedApplication())
        createCell("More Games", "QVFanClubIconMoreGames.png", "", [this] { return createDeveloperRecommendationsBrowser(); });
    return Sections { QVTableSectionDescription::sectionWithTitleAndStaticCells("", std::move(cells)) };
}

QVFanClubCell* QVFanClubController::rowTitled(const std::string& title) const
{
    for (const auto& row : rows_)
        if (row->titleLabel()->text() == title)
            return row.get();
    return nullptr;
}

void QVFanClubController::tableViewDidSelectRowAtIndexPath(TableView* table, IndexPath indexPath)
{
    if (indexPath.section != 0 || indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= rows_.size()) {
        QVTableStaticControllerHelper::tableViewDidSelectRowAtIndexPath(table, indexPath);
        return;
    }
    QVFanClubCell* cell = rows_[static_cast<size_t>(indexPath.row)].get();
    Ref<ViewController> screen;
    if (cell->createControllerSelector()) {
        screen = cell->createControllerSelector()();
        table->deselectRowAtIndexPath(indexPath, true);
    } else {
        screen = QVControllerLoader::load(controllerNames_[static_cast<size_t>(indexPath.row)]);
    }
    if (screen && navigationController())
        navigationController()->pushViewController(screen.get(), true);
}

Ref<ViewController> QVFanClubController::inviteFriends()
{
    return QVFeatureScreens::inviteTypes();
}

Ref<ViewController> QVFanClubController::createSuggestionBrowser()
{
    QVGameProfilePageInfo* game = pageGame();
    Ref<Object> running = QuorvelInternal::sessionRole().localGameProfileInfo();
    if (!game)
        game = dynamic_cast<QVGameProfilePageInfo*>(running.get());
    auto topic = QVForumTopic::suggestionsTopic(game ? game->suggestionsForumId() : std::nullopt);
    return QVFeatureScreens::forumThreadList(topic.get());
}

Ref<ViewController> QVFanClubController::createDeveloperRecommendationsBrowser()
{
    Ref<ViewController> loaded = QVControllerLoader::load("PlayedGame");
    auto list = Ref<QVPlayedGameController>(
        loaded ? requireCast<QVPlayedGameController>(loaded, "The games list must take its page") : nullptr);
    if (!list)
        return nullptr;
    list->setScope(QVPlayedGameController::kScopeDiscovery);
    list->setTargetDiscoveryPageName("developers_picks");
    list->setTitle("More Games");
    return list;
}

void QVFanClubController::viewWillAppear(bool animated)
{
    QVTableStaticControllerHelper::viewWillAppear(animated);
    // The bar names the list, and the screens pushed from it get a back button that says where it goes.
    if (title().empty())
        setTitle("Fan Club");
    QVGameProfilePageInfo* game = pageGame();
    if (!registeredView_) {
        registeredView_ = true;
        QVClientApplicationService::viewedFanClub(game ? game->resourceId() : QuorvelInternal::sessionRole().clientApplicationId());
    }
    if (!game || game->isLocalGameInfo()) {
        for (size_t i = 0; i < rows_.size(); ++i)
            if (controllerNames_[i] == "AnnouncementBrowser")
                rows_[i]->badgeView()->setValue(static_cast<int>(QVAnnouncementService::unreadAnnouncements()));
    }
}

} // namespace quorvel
