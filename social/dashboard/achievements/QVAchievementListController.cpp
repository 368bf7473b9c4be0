// The achievement list: its paged request, its cell choice and its leading row.
#include "social/dashboard/achievements/QVAchievementListController.h"
#include "social/services/QVGameProfilePageInfo.h"

#include "platform/foundation/Boxed.h"
#include "social/core/QuorvelInternal.h"
#include "social/services/QVAchievement.h"
#include "social/services/QVAchievementService.h"
#include "social/services/QVPlayedGame.h"
#include "social/services/QVUser.h"
#include "social/ui/QVStandardCells.h"

namespace quorvel {

using platform::Object;

QV_REGISTER_CLASS(QVAchievementListController);

namespace {
std::string boxedText(Object* value)
{
    auto* boxed = dynamic_cast<platform::Boxed*>(value);
    return boxed ? boxed->value().asString() : std::string();
}
} // namespace

// A list the game opens directly still names itself in the bar (and in the back button of what it opens).
void QVAchievementListController::viewDidLoad()
{
    QVTableSequenceControllerHelper::viewDidLoad();
    if (title().empty())
        setTitle("Achievements");
}

std::string QVAchievementListController::comparedUserId() const
{
    auto* user = dynamic_cast<QVUser*>(getPageComparisonUser());
    return user ? user->resourceId() : std::string();
}

void QVAchievementListController::scopeToGame(QVGameProfilePageInfo* info)
{
    setApplicationName(info ? info->name() : std::string());
    setApplicationId(info ? info->resourceId() : std::string());
    setApplicationIconUrl(info ? info->iconUrl().value_or(std::string()) : std::string());
    setDoesUserHaveApplication(info && info->ownedByLocalPlayer());
}

void QVAchievementListController::postPushAchievementListController()
{
    std::string compared = comparedUserId();
    bool comparing = !compared.empty() && compared != QuorvelInternal::sessionRole().lastLoggedInUserId();
    achievementCellName_ = comparing ? "AchievementCompareList" : "AchievementProgressionList";
    resourceMap_ = QVResourceControllerMap::create();
    populateResourceMap(*resourceMap_);
}

void QVAchievementListController::populateResourceMap(QVResourceControllerMap& map)
{
    // Empty until the cell is chosen.
    if (!achievementCellName_.empty())
        map.addResource<QVAchievement>(achievementCellName_);
}

void QVAchievementListController::profileUsersChanged(QVUser*, QVUser*)
{
    // The rows change kind with the compared user: choose the cell before the new rows arrive.
    postPushAchievementListController();
    reloadDataFromServer();
}

void QVAchievementListController::populateContextualDataFromPlayedGame(const QVPlayedGame& game)
{
    applicationName_ = game.name();
    applicationId_ = game.clientApplicationId();
    applicationIconUrl_ = game.iconUrl();
    std::string localId = QuorvelInternal::sessionRole().lastLoggedInUserId();
    for (const auto& entry : game.userGameStats()) {
        auto* stat = dynamic_cast<QVUserGameStat*>(entry.get());
        if (stat && stat->userId() == localId)
            doesUserHaveApplication_ = stat->userHasGame();
    }
}

QVService* QVAchievementListController::getService() { return QVAchievementService::sharedService(); }

void QVAchievementListController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    doIndexActionWithPage(1, onSuccess, onFailure);
}

void QVAchievementListController::doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess,
                                                        const QVDelegate& onFailure)
{
    std::string compared = comparedUserId();
    QVAchievementService::getAchievementsForApplication(
        applicationId_, compared.empty() ? std::nullopt : std::optional<std::string>(compared),
        static_cast<unsigned>(page), false, onSuccess, onFailure);
}

std::optional<std::string> QVAchievementListController::getLeadingCellControllerNameForSection(int)
{
    if (getPageComparisonUser())
        return std::string("DefaultLeading");
    return std::nullopt;
}

void QVAchievementListController::onLeadingCellWasLoaded(platform::ui::TableViewCell* cell, int)
{
    // The leading row names the game beside both users' pictures.
    auto* leading = dynamic_cast<QVDefaultLeadingCell*>(cell);
    if (!leading)
        return;
    leading->enableLeftIconViewWithImageUrl(
        applicationIconUrl_.empty() ? std::nullopt : std::optional<std::string>(applicationIconUrl_),
        "QVDefaultApplicationIcon.png");
    if (leading->headerLabel())
        leading->headerLabel()->setText(applicationName_);
    leading->populateRightIconsAsComparison(dynamic_cast<QVUser*>(getPageComparisonUser()));
}

bool QVAchievementListController::performSetter(const std::string& setterName, Object* value)
{
    if (setterName == "setApplicationName") {
        applicationName_ = boxedText(value);
        return true;
    }
    if (setterName == "setApplicationId") {
        applicationId_ = boxedText(value);
        return true;
    }
    if (setterName == "setApplicationIconUrl") {
        applicationIconUrl_ = boxedText(value);
        return true;
    }
    if (setterName == "setDoesUserHaveApplication") {
        auto* boxed = dynamic_cast<platform::Boxed*>(value);
        doesUserHaveApplication_ = boxed && boxed->value().asBool();
        return true;
    }
    return QVTableSequenceControllerHelper::performSetter(setterName, value);
}

} // namespace quorvel
