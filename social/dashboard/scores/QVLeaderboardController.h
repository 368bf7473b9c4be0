// QVLeaderboardController ("Leaderboard"): the leaderboards of one game; a
// tapped one opens its high scores ("HighScore"). A list that fails to load
// leads to the request layer's dead end, never to an empty list.
#pragma once

#include "social/dashboard/frame/QVDashboardProtocols.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <string>

namespace quorvel {

class QVLeaderboardController : public QVTableSequenceControllerHelper,
                                public QVProfileFrame,
                                public QVGameScopedScreen,
                                public QVLeaderboardListScreen {
    QV_DECLARE_CLASS(QVLeaderboardController)
public:
    void viewDidLoad() override;
    QVGameProfilePageInfo* gameProfileInfo() const { return gameProfileInfo_.get(); }
    void setGameProfileInfo(QVGameProfilePageInfo* info) { gameProfileInfo_ = info; }
    void scopeToGame(QVGameProfilePageInfo* info) override { setGameProfileInfo(info); }
    // "HighScore" for one of the game's boards (none when no such screen loads).
    platform::Ref<platform::ui::ViewController> highScoresScreen(QVLeaderboard* leaderboard) override;
    bool isComparison() const { return isComparison_; }

    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    QVService* getService() override;
    std::string getNoDataFoundMessage() override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPathInTable) override;
    bool supportsComparison() override { return false; }
    void profileUsersChanged(QVUser*, QVUser*) override { reloadDataFromServer(); }
    bool performSetter(const std::string& setterName, platform::Object* value) override;
    // The list's load failed: the dead end "Please try your request again in
    // a few moments.", whatever the failure was.
    void _loadFailed(platform::Object* answer, platform::Object* nextCall);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVLeaderboardController() = default;

private:
    platform::Ref<QVGameProfilePageInfo> gameProfileInfo_;
    bool isComparison_ { false };
};

} // namespace quorvel
