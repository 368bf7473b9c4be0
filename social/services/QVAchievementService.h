// QVAchievementService: the game's achievements and the player's progress on
// them. Every progress update is clamped to 0..100 (+infinity counts as 100,
// -infinity as 0; NaN is refused at the call) and never lowers what is stored. For a player who approved the social service
// it is stored in the offline store first, then sent (at once, or held back
// and sent later as one batch), mirrored to Game Center where the achievement
// maps to an identifier there. A player who did not approve but is signed in
// to Game Center has the update sent to Game Center alone; with neither,
// nothing happens.
//
// The offline half: progress rows are pending (server_sync_at NULL) until the
// server's answer confirms them; rows stored before any login (user "0") are
// adopted by the first user who logs in, keeping the higher percentage.
#pragma once

#include "social/runtime/QVService.h"
#include "social/services/QVAchievement.h"

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quorvel {

class QVPaginatedSeries;

class QVAchievementService : public QVSharedService<QVAchievementService> {
public:
    static constexpr const char* kDefinitionsPath = "client_applications/@me/achievement_definitions.xml";
    static constexpr const char* kBatchPath = "users/@me/unlocked_achievements.xml";
    static constexpr const char* kDownloadedNotice = "Downloaded Achievement Information";
    static constexpr const char* kBatchNotice = "Submitted Unlocked Achivements";
    static constexpr const char* kSubmittedNotice = "Submitted Achievements To Server";

    void populateKnownResources(QVResourceNameMap& names) override;

    static void setAutomaticallyPromptToPostUnlocks(bool prompt);
    bool automaticallyPromptToPostUnlocks() const { return mAutomaticallyPromptToPostUnlocks; }
    static void setCustomUrlWithSocialNotification(const std::string& url);

    // 0..100: anything not below 100 (+infinity included) gives 100, a
    // negative value (-infinity included) 0.
    static double clampPercent(double percent);
    // A percentage the game may give: any number but NaN, which is refused at
    // the call (nothing kept or sent; the log says why, once per achievement),
    // since no progress or unlock is meant by it.
    static bool isPercentGiven(const std::string& achievementId, double percent);

    // -- the game's and the dashboard's operations
    static void getAchievementsForApplication(const std::string& applicationId,
                                              const std::optional<std::string>& comparedToUserId, unsigned page,
                                              const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static void getAchievementsForApplication(const std::string& applicationId,
                                              const std::optional<std::string>& comparedToUserId, unsigned page,
                                              bool silently, const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> updateAchievement(const std::string& achievementId, double percentComplete,
                                                            bool showNotification, const QVDelegate& onSuccess = {},
                                                            const QVDelegate& onFailure = {});
    static void queueUpdateAchievement(const std::string& achievementId, double percentComplete, bool showNotification);
    static platform::Ref<QVRequestHandle> submitQueuedUpadteAchievements(const QVDelegate& onSuccess,
                                                                         const QVDelegate& onFailure);
    // The held-back Game Center-only updates (not stored on disk).
    const std::vector<std::string>& deferredIds() const { return onlySubmitToGameCenterDeferedAchievementIds; }

    // -- the offline store
    static bool localUpdateAchievement(const std::string& achievementId, const std::string& userId, double percent);
    static double getPercentComplete(const std::string& achievementId, const std::string& userId);
    static bool synchUnlockedAchievement(const std::string& achievementId, const std::string& userId,
                                         const std::string& gamerScore, std::optional<platform::Date> serverDate,
                                         double percentComplete);
    // Writes the server's list in one transaction; false (nothing kept) when
    // it could not be committed.
    static bool synchAchievementsList(const QVResourceArray& achievements, const std::string& userId);
    // Stores what the page confirmed, its percentages clamped to 0 to 100; a
    // record the service refused drops that achievement's waiting progress
    // instead: it is neither sent again nor kept as confirmed.
    static void syncOfflineAchievements(const QVPaginatedSeries* page);
    // Whether a confirmed record may be stored: it names an achievement the
    // device knows (a definition, or the player's progress) with a
    // percentage that is a finite number.
    static bool keepsAnsweredProgress(const QVUnlockedAchievement& record, const std::string& userId);
    static void endRefusedProgress(const std::string& achievementId, const std::string& userId);
    // Whether the service refused some record of the page.
    static bool pageHasRefusedRecord(const QVPaginatedSeries* page);
    // Whether the player's progress on the achievement waits to be sent.
    static bool isProgressPending(const std::string& achievementId, const std::string& userId);
    // A submission that did not reach the service: each progress it carried
    // that stays pending is said in the log to go after the next login.
    static void reportKeptForTheNextLogin(const std::vector<std::string>& ids, const std::vector<double>& percents);
    static void finishAchievementsPage(const QVPaginatedSeries* page, bool duringSync, bool fromBatch);
    static platform::Ref<QVRequestHandle> sendPendingAchievements(const std::string& userId, bool syncOnly,
                                                                  const QVDelegate& onSuccess,
                                                                  const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> updateAchievements(const std::vector<std::string>& ids,
                                                             const std::vector<double>& percentCompletes,
                                                             const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // Gives the user the rows stored before any login, keeping for each
    // achievement the higher percentage. False when nothing could be committed.
    static bool adoptAnonymousProgress(const std::string& userId);
    static std::string getLastSyncDateForUserId(const std::string& userId);
    static std::vector<platform::Ref<QVAchievement>> getAchievementsLocal();
    static void getAchievementsLocal(const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static platform::Ref<QVAchievement> getAchievementLocalWithUnlockInfo(const std::string& achievementId);
    static platform::Ref<QVAchievement> getAchievement(const std::string& achievementId);
    static bool hasAchievements();

    // The failure of the pending progress sent after a login: each record the
    // service refused reaches the achievement delegate as that achievement's failure.
    void _pendingProgressRefused(platform::Object* page);

    // A confirmed page of unlocks: stored, then finished (notice and social
    // post); the chained next call, when there is one, then receives the page.
    void onAchievementUpdated(platform::Object* page, platform::Object* nextCall, bool duringSync, bool fromBatch);

    ~QVAchievementService() override;

private:
    // An update that does not raise the kept progress (an achievement already
    // unlocked, most often) is refused; the log says why, once per player and
    // achievement.
    void reportProgressNotAbove(const std::string& achievementId, const std::string& userId, double percent,
                                double kept);

    friend class QVSharedService<QVAchievementService>;
    QVAchievementService() = default;

    bool mAutomaticallyPromptToPostUnlocks { false };
    std::string mCustomUrlWithSocialNotification;
    std::vector<std::string> onlySubmitToGameCenterDeferedAchievementIds;
    std::vector<double> onlySubmitToGameCenterDeferedAchievementPercentCompletes;
    std::set<std::pair<std::string, std::string>> mProgressNotAboveSaid;
    // Achievements updated before the player approved the client, said once each.
    std::set<std::string> mUnapprovedSaid;
    // Achievements given a percentage that is no finite number, said once each.
    std::set<std::string> mNotANumberSaid;
};

// Sends a list of updates to Game Center alone and reports once, when every
// report has answered (or at once for an id without a Game Center identifier).
class QVSubmitAchievementToGameCenterOnly : public platform::Object {
public:
    static platform::Ref<QVSubmitAchievementToGameCenterOnly> create()
    {
        return platform::adoptRef(new QVSubmitAchievementToGameCenterOnly);
    }
    void submitToGameCenterOnlyWithIds(const std::vector<std::string>& ids, const std::vector<double>& percentCompletes,
                                       const QVDelegate& onSuccess, const QVDelegate& onFailure);
    std::string className() const override { return "QVSubmitAchievementToGameCenterOnly"; }

private:
    QVSubmitAchievementToGameCenterOnly() = default;
    void answered(bool failed);

    uint32_t achievementStillToRecieveCallbackCount { 0 };
    bool encounteredAnError { false };
    bool sentFailure { false };
    QVDelegate onSuccess_;
    QVDelegate onFailure_;
};

} // namespace quorvel
