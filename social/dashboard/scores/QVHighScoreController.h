// QVHighScoreController ("HighScore"): for one leaderboard, the high scores of
// the player's friends and of everyone in a time scope (today, this week, all
// time), merged with the Game Center scores of that scope. Offline the list
// shows the scores stored on the device under a single "My Scores" tab.
//
// A high-score load is two requests plus the Game Center scores of the scope
// and completes only when all three are in. Each load is numbered: an answer
// of an earlier load is dropped, and a load that finishes after another tab
// was chosen is repeated for the tab now shown.
#pragma once

#include "social/core/QuorvelDashboardScreens.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVLeaderboard.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <string>

namespace quorvel {

class QVHighScoreController : public QVTableSequenceControllerHelper, public QVProfileFrame, public QVHighScoreListScreen {
    QV_DECLARE_CLASS(QVHighScoreController)
public:
    // Days sent with the score request, by time scope (today, this week, all time).
    static constexpr int kDaysForTimeScope[3] = { 1, 7, 0 };

    QVLeaderboard* leaderboard() const override { return leaderboard_.get(); }
    void setLeaderboard(QVLeaderboard* leaderboard) { leaderboard_ = leaderboard; }
    QVGameProfilePageInfo* gameProfileInfo() const { return gameProfileInfo_.get(); }
    void setGameProfileInfo(QVGameProfilePageInfo* info) { gameProfileInfo_ = info; }
    const std::string& noDataFoundMessage() const { return noDataFoundMessage_; }
    void setNoDataFoundMessage(const std::string& message) { noDataFoundMessage_ = message; }
    QVPaginatedSeries* friendResources() const { return friendResources_.get(); }
    QVPaginatedSeries* globalResources() const { return globalResources_.get(); }
    unsigned timeScope() const { return timeScope_; }
    void setTimeScope(unsigned scope) { timeScope_ = scope; }
    bool loadingInProcess() const { return loadingInProcess_; }
    bool gameCenterLoadFinished() const { return gameCenterLoadFinished_; }
    void setGameCenterLoadFinished(bool finished) { gameCenterLoadFinished_ = finished; }
    // The number of the newest load (each online load takes the next one).
    unsigned loadNumber() const { return loadNumber_; }

    // Tabs of the header.
    void setTimeScopingAll() { _setTimeScoping(2); }
    void setTimeScopingDay() { _setTimeScoping(0); }
    void setTimeScopingWeek() { _setTimeScoping(1); }
    void nullyMethod() { }

    void onFriendsLoadSuccess(platform::Object* series, platform::Object* load);
    void onGlobalLoadSuccess(platform::Object* series, platform::Object* load);
    void onLoadFailed(platform::Object* answer, platform::Object* load);
    void gameCenterScoresLoaded();
    void checkLoadFinished();
    void clickedMap();
    void downloadBlobForHighScore(QVHighScore* score);
    void onBlobDownloadedForHighScore(platform::Object* score);
    void onBlobFailedDownloading(platform::Object* answer);

    void populateResourceMap(QVResourceControllerMap& map) override;
    bool allowPagination() override { return false; }
    bool usePlainTableSectionHeaders() override { return true; }
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    QVService* getService() override;
    std::string getNoDataFoundMessage() override { return noDataFoundMessage_; }
    std::optional<std::string> getTableHeaderControllerName() override { return std::string("TabbedPageHeader"); }
    void onTableHeaderCreated(platform::ui::ViewController* header) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPathInTable) override;
    bool performSetter(const std::string& setterName, platform::Object* value) override;

    void viewDidLoad() override;
    void viewDidUnload() override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVHighScoreController() = default;
    ~QVHighScoreController() override;

private:
    void _setTimeScoping(unsigned scope);
    void _mapPressed(platform::Object*) { clickedMap(); }
    void _startLoad();
    bool _isCurrentLoad(platform::Object* load) const;
    std::string leaderboardName() const { return leaderboard_ ? leaderboard_->name() : std::string(); }
    std::string leaderboardId() const { return leaderboard_ ? leaderboard_->resourceId() : std::string(); }

    platform::Ref<QVLeaderboard> leaderboard_;
    std::string noDataFoundMessage_;
    platform::Ref<QVGameProfilePageInfo> gameProfileInfo_;
    platform::Ref<QVPaginatedSeries> friendResources_;
    platform::Ref<QVPaginatedSeries> globalResources_;
    unsigned timeScope_ { 2 };
    bool loadingInProcess_ { false };
    bool gameCenterLoadFinished_ { false };
    unsigned loadNumber_ { 0 };
    unsigned loadScope_ { 2 };
};

} // namespace quorvel
