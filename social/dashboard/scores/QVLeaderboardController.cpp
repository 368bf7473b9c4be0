// The leaderboard list: its request, with the compared player, and the tapped leaderboard.
#include "social/dashboard/scores/QVLeaderboardController.h"

#include "platform/ui/NavigationController.h"
#include "social/dashboard/scores/QVHighScoreController.h"
#include "social/runtime/QVActionRequest.h"
#include "social/runtime/QVRequestUIRole.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVUser.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Ref;

QV_REGISTER_CLASS(QVLeaderboardController);

namespace {

std::string resourceIdOf(Object* user)
{
    auto* u = dynamic_cast<QVUser*>(user);
    return u ? u->resourceId() : std::string();
}

} // namespace

// A list the game opens directly still names itself in the bar (and in the back button of what it opens).
void QVLeaderboardController::viewDidLoad()
{
    QVTableSequenceControllerHelper::viewDidLoad();
    if (title().empty())
        setTitle("Leaderboards");
}

void QVLeaderboardController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVLeaderboard>("Leaderboard");
}

QVService* QVLeaderboardController::getService() { return QVLeaderboardService::sharedService(); }

std::string QVLeaderboardController::getNoDataFoundMessage()
{
    return "There are no leaderboards for " + (gameProfileInfo_ ? gameProfileInfo_->name() : std::string());
}

void QVLeaderboardController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    Object* compared = getPageComparisonUser();
    if ((compared != nullptr) != isComparison_) {
        isComparison_ = compared != nullptr;
        resourceMap_ = QVResourceControllerMap::create();
        populateResourceMap(*resourceMap_);
    }
    QVLeaderboardService::getLeaderboardsForApplication(
        gameProfileInfo_ ? gameProfileInfo_->resourceId() : std::string(), resourceIdOf(compared), onSuccess,
        QVDelegate(this, BRISKO_SELECTOR(QVLeaderboardController, _loadFailed), onFailure));
}

void QVLeaderboardController::_loadFailed(Object* answer, Object* nextCall)
{
    Ref<QVLeaderboardController> keep(this);
    if (auto* chained = QVDelegateChained::from(nextCall))
        chained->invokeWith(answer);
    // An answer that could not be read, a dropped connection or a refusal
    // leads where a server error does (the request layer has shown that one
    // already, and a second is not shown): an empty list would say there are
    // no leaderboards.
    NavigationController* nav = navigationController();
    if (nav && nav->topViewController() == this)
        QVRequestUIRole::current().displayErrorMessage(QVActionRequest::kTryAgainMessage);
}

void QVLeaderboardController::onCellWasClicked(Object* resource, IndexPath)
{
    auto* leaderboard = dynamic_cast<QVLeaderboard*>(resource);
    if (!leaderboard)
        return;
    Ref<ViewController> scores = highScoresScreen(leaderboard);
    if (!scores)
        return;
    if (NavigationController* nav = navigationController())
        nav->pushViewController(scores.get(), true);
}

Ref<ViewController> QVLeaderboardController::highScoresScreen(QVLeaderboard* leaderboard)
{
    Ref<ViewController> loaded = QVControllerLoader::load("HighScore");
    if (!loaded)
        return nullptr;
    auto* scores = requireCast<QVHighScoreController>(loaded, "The score list must take its leaderboard");
    scores->setLeaderboard(leaderboard);
    scores->setGameProfileInfo(gameProfileInfo_.get());
    return loaded;
}

bool QVLeaderboardController::performSetter(const std::string& setterName, Object* value)
{
    if (setterName == "setGameProfileInfo") {
        setGameProfileInfo(dynamic_cast<QVGameProfilePageInfo*>(value));
        return true;
    }
    return QVTableSequenceControllerHelper::performSetter(setterName, value);
}

} // namespace quorvel
