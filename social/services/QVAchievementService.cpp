// The achievement service: progress updates (clamped, never lowered, stored
// first), held-back batches, the Game Center-only submitter, and the offline
// store's achievement tables.
#include "social/services/QVAchievementService.h"

#include "platform/foundation/DateFormat.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVResourceNameMap.h"
#include "social/runtime/QVGameCenterRole.h"
#include "social/runtime/QVRequestUIRole.h"
#include "social/runtime/QVSessionRole.h"
#include "social/runtime/QVServiceEndpoint.h"
#include "social/services/QVGameCenterAchievement.h"
#include "social/services/QVOfflineService.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVSocialNotificationService.h"
#include "social/services/QVUser.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

using platform::Ref;

namespace {

const QVServiceEndpoint kDefinitions { "GET", QVAchievementService::kDefinitionsPath, 2,
                                       QVAchievementService::kDownloadedNotice };
const QVServiceEndpoint kDefinitionsSilently { "GET", QVAchievementService::kDefinitionsPath, 0,
                                               QVAchievementService::kDownloadedNotice };
const QVServiceEndpoint kBatch { "POST", QVAchievementService::kBatchPath, 0, QVAchievementService::kBatchNotice,
                                 true, 6, 1 };

// A logged-in player: a decimal id above 0.
bool isValidUser(const std::string& userId) { return QVIsDecimalId(userId) && std::stoll(userId) > 0; }
// The placeholder player of a device where nobody has logged in yet.
bool isAnonymousUser(const std::string& userId) { return userId == "0"; }

std::string percentText(double percent) { return platform::format("%lf", percent); }

std::optional<std::string> orNull(const std::optional<std::string>& text) { return text; }

// The ids of the achievements whose progress waits in the store to be sent for the player.
std::vector<std::string> pendingAchievementIds(const std::string& userId)
{
    std::vector<std::string> ids;
    QVOfflineStore::Use q(QVOfflineStore::achievementStatements().pendingIds);
    q->bind("user_id", userId);
    while (q->step())
        ids.push_back(platform::format("%lld", static_cast<long long>(q->getInt64("achievement_definition_id"))));
    return ids;
}

} // namespace

// -- life ---------------------------------------------------------------------------

QVAchievementService::~QVAchievementService() { QVOfflineStore::finalizeAchievementStatements(); }

void QVAchievementService::populateKnownResources(QVResourceNameMap& names)
{
    names.addResource<QVAchievement>(QVAchievement::getResourceName());
    names.addResource<QVUnlockedAchievement>(QVUnlockedAchievement::getResourceName());
}

void QVAchievementService::setAutomaticallyPromptToPostUnlocks(bool prompt)
{
    QVSessionRole::requireMainThread("QVAchievementService::setAutomaticallyPromptToPostUnlocks");
    if (QVAchievementService* shared = sharedService())
        shared->mAutomaticallyPromptToPostUnlocks = prompt;
}

void QVAchievementService::setCustomUrlWithSocialNotification(const std::string& url)
{
    QVSessionRole::requireMainThread("QVAchievementService::setCustomUrlWithSocialNotification");
    service().mCustomUrlWithSocialNotification = url;
}

double QVAchievementService::clampPercent(double percent)
{
    if (!(percent < 100))
        return 100;
    return percent < 0 ? 0 : percent;
}

bool QVAchievementService::isPercentGiven(const std::string& achievementId, double percent)
{
    QVSessionRole::requireMainThread("QVAchievementService::isPercentGiven");
    if (!std::isnan(percent))
        return true;
    QVAchievementService* shared = sharedService();
    if (!shared || shared->mNotANumberSaid.insert(achievementId).second)
        platform::logWarning("Quorvel: achievement \"%s\" was given the percentage %s, which is not a number from 0 "
                             "to 100; nothing is kept or sent (the delegate hears "
                             "didFailUpdateProgressionCompleteQVAchievement)",
                             achievementId.c_str(), platform::format("%f", percent).c_str());
    return false;
}

// -- listing --------------------------------------------------------------------------

void QVAchievementService::getAchievementsForApplication(const std::string& applicationId,
                                                         const std::optional<std::string>& comparedToUserId,
                                                         unsigned page, const QVDelegate& onSuccess,
                                                         const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVAchievementService::getAchievementsForApplication");
    getAchievementsForApplication(applicationId, comparedToUserId, page, false, onSuccess, onFailure);
}

void QVAchievementService::getAchievementsForApplication(const std::string& applicationId,
                                                         const std::optional<std::string>& comparedToUserId,
                                                         unsigned page, bool silently, const QVDelegate& onSuccess,
                                                         const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVAchievementService::getAchievementsForApplication");
    if (!QVSessionRole::current().isOnline()) {
        getAchievementsLocal(onSuccess, onFailure);
        return;
    }
    auto params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    if (!applicationId.empty() && applicationId != "@me") {
        std::string app = applicationId;
        params->io("by_app", app);
    }
    if (comparedToUserId) {
        std::string compared = *comparedToUserId;
        params->io("compared_to_user_id", compared);
    }
    params->io("page", page);
    int perPage = 25;
    params->io("per_page", perPage);
    bool unlockedInfo = true;
    params->io("get_unlocked_info", unlockedInfo);
    service().send(silently ? kDefinitionsSilently : kDefinitions, {}, params.get(), onSuccess, onFailure);
}

// -- progress ------------------------------------------------------------------------------

Ref<QVRequestHandle> QVAchievementService::updateAchievement(const std::string& achievementId, double percentComplete,
                                                             bool showNotification, const QVDelegate& onSuccess,
                                                             const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVAchievementService::updateAchievement");
    if (!isPercentGiven(achievementId, percentComplete)) {
        onFailure.invoke(nullptr);
        return nullptr;
    }
    double percent = clampPercent(percentComplete);
    if (QVSessionRole::current().hasUserApprovedQuorvel()) {
        QVOfflineService::reopenStoreIfRemoved();
        std::string userId = QVUser::offlineRowsUserId();
        if (double kept = getPercentComplete(achievementId, userId); !(percent > kept)) {
            service().reportProgressNotAbove(achievementId, userId, percent, kept);
            onFailure.invoke(nullptr);
            return nullptr;
        }
        if (!isValidUser(userId) && !isAnonymousUser(userId))
            return nullptr;
        // Offline, and before any login (under the placeholder player), the
        // progress stays pending in the store and goes with the next login's
        // pending rows, once, as scores do. The game hears whether it was kept.
        const bool keptForLater = isAnonymousUser(userId) || !QVSessionRole::current().isOnline();
        if (keptForLater && hasAchievements() && !getAchievement(achievementId)) {
            // The game's list kept on the device lacks it: the service would refuse it too.
            platform::logWarning("Quorvel: achievement \"%s\" is not in the game's achievement list kept on the "
                                 "device; its progress is not kept",
                                 achievementId.c_str());
            onFailure.invoke(nullptr);
            return nullptr;
        }
        bool kept = localUpdateAchievement(achievementId, userId, percent);
        if (keptForLater) {
            if (!kept) {
                onFailure.invoke(nullptr);
                return nullptr;
            }
            if (showNotification) {
                Ref<QVAchievement> achievement = getAchievementLocalWithUnlockInfo(achievementId);
                QVRequestUIRole::current().showAchievementNotice(achievement.get(), percent);
            }
            onSuccess.invoke(nullptr);
            return nullptr;
        }
        Ref<QVGameCenterAchievement> submission = QVGameCenterAchievement::create();
        submission->setAchievementIds({ achievementId });
        submission->setPercentsComplete({ percent });
        Ref<QVRequestHandle> handle = submission->submitOnSuccess(onSuccess, onFailure);
        if (showNotification) {
            Ref<QVAchievement> achievement = getAchievementLocalWithUnlockInfo(achievementId);
            QVRequestUIRole::current().showAchievementNotice(achievement.get(), percent);
        }
        return handle;
    }
    if (QVGameCenterRole::current().isLoggedIntoGameCenter()) {
        QVSubmitAchievementToGameCenterOnly::create()->submitToGameCenterOnlyWithIds({ achievementId }, { percent },
                                                                                     onSuccess, onFailure);
        return nullptr;
    }
    // Nowhere to go: the game hears the failure, and the log says why, once an achievement.
    if (service().mUnapprovedSaid.insert(achievementId).second)
        platform::logWarning("Quorvel: achievement \"%s\" was not updated: the player has not approved Quorvel on "
                             "this device (or declined it), so nothing is kept or sent (the delegate hears "
                             "didFailUpdateProgressionCompleteQVAchievement)",
                             achievementId.c_str());
    onFailure.invoke(nullptr);
    return nullptr;
}

void QVAchievementService::reportProgressNotAbove(const std::string& achievementId, const std::string& userId,
                                                  double percent, double kept)
{
    // Said once per player and achievement: a game may ask again on every tap.
    if (!mProgressNotAboveSaid.emplace(userId, achievementId).second)
        return;
    if (kept >= 100)
        platform::log("Quorvel: achievement \"%s\" is already unlocked; unlocking it again does nothing (the "
                      "delegate hears didFailUpdateProgressionCompleteQVAchievement)",
                      achievementId.c_str());
    else
        platform::log("Quorvel: the progress of achievement \"%s\" (%g%%) is not above the %g%% already kept; it is "
                      "not sent (the delegate hears didFailUpdateProgressionCompleteQVAchievement)",
                      achievementId.c_str(), percent, kept);
}

void QVAchievementService::queueUpdateAchievement(const std::string& achievementId, double percentComplete,
                                                  bool showNotification)
{
    QVSessionRole::requireMainThread("QVAchievementService::queueUpdateAchievement");
    if (!isPercentGiven(achievementId, percentComplete))
        return;
    double percent = clampPercent(percentComplete);
    if (QVSessionRole::current().hasUserApprovedQuorvel()) {
        std::string userId = QVUser::offlineRowsUserId();
        if (percent > getPercentComplete(achievementId, userId)
            && (isValidUser(userId) || isAnonymousUser(userId))) {
            localUpdateAchievement(achievementId, userId, percent);
            if (showNotification) {
                Ref<QVAchievement> achievement = getAchievement(achievementId);
                QVRequestUIRole::current().showAchievementNotice(achievement.get(), percent);
            }
        }
    } else if (QVGameCenterRole::current().isLoggedIntoGameCenter()) {
        QVAchievementService& shared = service();
        shared.onlySubmitToGameCenterDeferedAchievementIds.push_back(achievementId);
        shared.onlySubmitToGameCenterDeferedAchievementPercentCompletes.push_back(percent);
    }
}

Ref<QVRequestHandle> QVAchievementService::submitQueuedUpadteAchievements(const QVDelegate& onSuccess,
                                                                          const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVAchievementService::submitQueuedUpadteAchievements");
    Ref<QVAchievementService> shared(&service());
    std::vector<std::string> ids = std::move(shared->onlySubmitToGameCenterDeferedAchievementIds);
    std::vector<double> percents = std::move(shared->onlySubmitToGameCenterDeferedAchievementPercentCompletes);
    shared->onlySubmitToGameCenterDeferedAchievementIds.clear();
    shared->onlySubmitToGameCenterDeferedAchievementPercentCompletes.clear();

    std::string userId = QVUser::offlineRowsUserId();
    bool approved = QVSessionRole::current().hasUserApprovedQuorvel();
    if (!ids.empty() && !percents.empty() && approved && isValidUser(userId)) {
        for (size_t i = 0; i < std::min(ids.size(), percents.size()); ++i)
            localUpdateAchievement(ids[i], userId, percents[i]);
    }
    if (approved)
        return sendPendingAchievements(userId, false, onSuccess, onFailure);
    if (QVGameCenterRole::current().isLoggedIntoGameCenter())
        QVSubmitAchievementToGameCenterOnly::create()->submitToGameCenterOnlyWithIds(ids, percents, onSuccess,
                                                                                     onFailure);
    return nullptr;
}

// -- Game Center alone ---------------------------------------------------------------------

void QVSubmitAchievementToGameCenterOnly::submitToGameCenterOnlyWithIds(const std::vector<std::string>& ids,
                                                                        const std::vector<double>& percentCompletes,
                                                                        const QVDelegate& onSuccess,
                                                                        const QVDelegate& onFailure)
{
    if (ids.size() != percentCompletes.size())
        return;
    Ref<QVSubmitAchievementToGameCenterOnly> keep(this);
    onSuccess_ = onSuccess;
    onFailure_ = onFailure;
    encounteredAnError = false;
    std::vector<std::pair<std::string, double>> reports;
    for (size_t i = 0; i < ids.size(); ++i) {
        if (std::optional<std::string> identifier = QVGameCenterRole::current().gameCenterAchievementId(ids[i])) {
            reports.emplace_back(*identifier, percentCompletes[i]);
            continue;
        }
        encounteredAnError = true;
        if (!sentFailure) {
            sentFailure = true;
            onFailure_.invoke(nullptr);
        }
    }
    // Every awaited answer is counted before the first report, so one that
    // answers at once cannot end the submission early.
    achievementStillToRecieveCallbackCount = static_cast<uint32_t>(reports.size());
    for (const auto& [identifier, percent] : reports)
        QVGameCenterRole::current().submitAchievementToGameCenter(identifier, percent, [keep](bool failed) { keep->answered(failed); });
}

void QVSubmitAchievementToGameCenterOnly::answered(bool failed)
{
    if (achievementStillToRecieveCallbackCount > 0)
        --achievementStillToRecieveCallbackCount;
    if (failed)
        encounteredAnError = true;
    if (achievementStillToRecieveCallbackCount > 0)
        return;
    if (encounteredAnError) {
        if (!sentFailure)
            onFailure_.invoke(nullptr);
        sentFailure = true;
    } else {
        onSuccess_.invoke(nullptr);
    }
}

// -- the offline store ---------------------------------------------------------------------

double QVAchievementService::getPercentComplete(const std::string& achievementId, const std::string& userId)
{
    QVSessionRole::requireMainThread("QVAchievementService::getPercentComplete");
    // Compared as the double it was stored as: a single-precision read-back
    // of 33.3 would lie below 33.3 and let the same value be sent again.
    QVOfflineStore::Use q(QVOfflineStore::achievementStatements().progress);
    q->bind("user_id", userId);
    q->bind("achievement_definition_id", achievementId);
    return q->step() ? q->getDouble("percent_complete") : 0;
}

bool QVAchievementService::localUpdateAchievement(const std::string& achievementId, const std::string& userId,
                                                  double percent)
{
    QVSessionRole::requireMainThread("QVAchievementService::localUpdateAchievement");
    int gamerscore = 0;
    {
        QVOfflineStore::Use q(QVOfflineStore::achievementStatements().oneDefinition);
        q->bind("id", achievementId);
        if (q->step())
            gamerscore = q->getInt("gamerscore");
    }
    double stored = getPercentComplete(achievementId, userId);
    if (gamerscore >= 1 && percent == 100 && stored != 100) {
        if (Ref<QVUser> local = QVSessionRole::current().localUser()) {
            local->adjustGamerscore(gamerscore);
            QVSessionRole::current().setLocalUser(local.get());
        }
    }
    QVOfflineStore::Use q(QVOfflineStore::achievementStatements().setLocalProgress);
    q->bind("achievement_definition_id", achievementId);
    q->bind("user_id", userId);
    q->bind("percent_complete", percentText(percent));
    return q->execute() == QVSqlQuery::kDone;
}

bool QVAchievementService::synchUnlockedAchievement(const std::string& achievementId, const std::string& userId,
                                                    const std::string& gamerScore,
                                                    std::optional<platform::Date> serverDate, double percentComplete)
{
    QVSessionRole::requireMainThread("QVAchievementService::synchUnlockedAchievement");
    QVOfflineStore::Use q(QVOfflineStore::achievementStatements().setConfirmedProgress);
    q->bind("user_id", userId);
    q->bind("achievement_definition_id", achievementId);
    q->bind("gamerscore", gamerScore);
    q->bind("percent_complete", percentText(percentComplete));
    q->bind("server_sync_at", platform::format("%d", serverDate ? QVStoreSeconds(serverDate->seconds) : 0));
    return q->execute() == QVSqlQuery::kDone;
}

bool QVAchievementService::synchAchievementsList(const QVResourceArray& achievements, const std::string& userId)
{
    QVSessionRole::requireMainThread("QVAchievementService::synchAchievementsList");
    QVOfflineStore::Transaction transaction;
    for (const auto& resource : achievements) {
        auto* a = dynamic_cast<QVAchievement*>(resource.get());
        if (!a)
            continue;
        {
            QVOfflineStore::Use q(QVOfflineStore::achievementStatements().setDefinition);
            q->bind("id", a->resourceId());
            q->bind("title", orNull(a->title()));
            q->bind("description", orNull(a->achievementDescription()));
            q->bind("gamerscore", platform::format("%d", static_cast<int>(a->gamerscore())));
            q->bind("is_secret", a->isSecret() ? "1" : "0");
            q->bind("position", platform::format("%d", static_cast<int>(a->position())));
            q->bind("icon_file_name", a->iconUrl());
            q->bind("start_version", orNull(a->startVersion()));
            q->bind("end_version", orNull(a->endVersion()));
            q->execute();
        }
        if (a->percentComplete() > 0)
            synchUnlockedAchievement(a->resourceId(), userId,
                                     platform::format("%d", static_cast<int>(a->gamerscore())), a->unlockDate(),
                                     clampPercent(a->percentComplete()));
    }
    if (!transaction.commit())
        return false;
    QVOfflineStore::Use q(QVOfflineStore::achievementStatements().setSynchDate);
    q->bind("user_id", userId);
    q->execute();
    return true;
}

void QVAchievementService::syncOfflineAchievements(const QVPaginatedSeries* page)
{
    QVSessionRole::requireMainThread("QVAchievementService::syncOfflineAchievements");
    if (!page)
        return;
    std::string userId = QVUser::offlineRowsUserId();
    for (const auto& object : page->objects()) {
        auto* record = dynamic_cast<QVUnlockedAchievement*>(object.get());
        if (!record || !record->achievement())
            continue;
        QVAchievement* a = record->achievement();
        if (record->isInvalidResult()) {
            endRefusedProgress(a->resourceId(), userId);
            continue;
        }
        // Without a store nothing is kept; the service's answer alone tells the game.
        if (!QVOfflineStore::isOpen() || !keepsAnsweredProgress(*record, userId))
            continue;
        synchUnlockedAchievement(a->resourceId(), userId, platform::format("%d", static_cast<int>(a->gamerscore())),
                                 a->unlockDate().value_or(platform::dateNow()), clampPercent(record->percentComplete()));
    }
}

bool QVAchievementService::keepsAnsweredProgress(const QVUnlockedAchievement& record, const std::string& userId)
{
    QVSessionRole::requireMainThread("QVAchievementService::keepsAnsweredProgress");
    const std::string& id = record.achievement()->resourceId();
    // An achievement the device knows: one of the game's list, or one whose
    // progress it holds (sent before the list was known).
    bool known = false;
    {
        QVOfflineStore::Use q(QVOfflineStore::achievementStatements().oneDefinition);
        q->bind("id", id);
        known = q->step();
    }
    if (!known) {
        QVOfflineStore::Use q(QVOfflineStore::achievementStatements().progress);
        q->bind("user_id", userId);
        q->bind("achievement_definition_id", id);
        known = q->step();
    }
    if (!known) {
        platform::logWarning("Quorvel: the service's answer names achievement \"%s\", which the device does not know; "
                             "it is not kept",
                             id.c_str());
        return false;
    }
    if (!record.hasReadablePercent()) {
        platform::logWarning("Quorvel: the service's answer gives achievement \"%s\" a progress that is no number; "
                             "it is not kept",
                             id.c_str());
        return false;
    }
    return true;
}

void QVAchievementService::endRefusedProgress(const std::string& achievementId, const std::string& userId)
{
    QVSessionRole::requireMainThread("QVAchievementService::endRefusedProgress");
    // The service refused the progress (an id it does not know, a value it
    // will not take): posting it again at every login cannot help, and it
    // was never confirmed, so the device drops its waiting row rather than
    // keep it as unlocked (the next login's list brings back what the
    // service holds).
    platform::logWarning("Quorvel: the service refused the progress of achievement \"%s\" (an id it does not "
                         "know?); it is not sent again",
                         achievementId.c_str());
    sqlite3* db = QVOfflineStore::getOfflineDatabaseHandle();
    if (!db)
        return;
    // An unlock counted in the player's gamerscore when it was stored is
    // taken out of it again.
    QVSqlQuery waiting(db, "SELECT u.percent_complete AS percent_complete, IFNULL(d.gamerscore, 0) AS gamerscore FROM "
                           "unlocked_achievements AS u LEFT JOIN achievement_definitions AS d ON d.id = "
                           "u.achievement_definition_id WHERE u.user_id = :user_id AND u.achievement_definition_id = "
                           ":achievement_definition_id AND u.server_sync_at IS NULL");
    waiting.bind("user_id", userId);
    waiting.bind("achievement_definition_id", achievementId);
    if (waiting.step() && waiting.getDouble("percent_complete") == 100 && waiting.getInt("gamerscore") >= 1) {
        if (Ref<QVUser> local = QVSessionRole::current().localUser()) {
            local->adjustGamerscore(-waiting.getInt("gamerscore"));
            QVSessionRole::current().setLocalUser(local.get());
        }
    }
    QVSqlQuery drop(db, "DELETE FROM unlocked_achievements WHERE user_id = :user_id AND achievement_definition_id = "
                        ":achievement_definition_id AND server_sync_at IS NULL");
    drop.bind("user_id", userId);
    drop.bind("achievement_definition_id", achievementId);
    drop.execute();
}

bool QVAchievementService::isProgressPending(const std::string& achievementId, const std::string& userId)
{
    QVSessionRole::requireMainThread("QVAchievementService::isProgressPending");
    const std::vector<std::string> pending = pendingAchievementIds(userId);
    return std::find(pending.begin(), pending.end(), achievementId) != pending.end();
}

void QVAchievementService::reportKeptForTheNextLogin(const std::vector<std::string>& ids,
                                                     const std::vector<double>& percents)
{
    QVSessionRole::requireMainThread("QVAchievementService::reportKeptForTheNextLogin");
    const std::string userId = QVUser::offlineRowsUserId();
    for (size_t i = 0; i < std::min(ids.size(), percents.size()); ++i)
        if (isProgressPending(ids[i], userId))
            platform::log("Quorvel: the progress of achievement \"%s\" (%g%%) did not reach the service; it is kept "
                          "on the device and will be sent after the next login",
                          ids[i].c_str(), percents[i]);
}

void QVAchievementService::_pendingProgressRefused(platform::Object* answer)
{
    // Progress kept on the device while offline, refused once it reached the
    // service: the game hears that achievement's failure now.
    auto* page = dynamic_cast<QVPaginatedSeries*>(answer);
    if (!page)
        return;
    for (const auto& object : page->objects()) {
        auto* record = dynamic_cast<QVUnlockedAchievement*>(object.get());
        if (!record || !record->isInvalidResult() || !record->achievement())
            continue;
        Ref<QVAchievement> refused = QVAchievement::achievement(record->achievement()->resourceId());
        // A game that shut the client down on one refusal hears no more.
        if (!QVAchievementClass::notify(
                [&](QVAchievementDelegate& d) { d.didFailUpdateProgressionCompleteQVAchievement(refused.get()); }))
            return;
    }
}

bool QVAchievementService::pageHasRefusedRecord(const QVPaginatedSeries* page)
{
    QVSessionRole::requireMainThread("QVAchievementService::pageHasRefusedRecord");
    if (!page)
        return false;
    for (const auto& object : page->objects())
        if (auto* record = dynamic_cast<QVUnlockedAchievement*>(object.get()); record && record->isInvalidResult())
            return true;
    return false;
}

void QVAchievementService::onAchievementUpdated(platform::Object* object, platform::Object* nextCall, bool duringSync,
                                                bool fromBatch)
{
    Ref<QVAchievementService> keep(this);
    auto* page = dynamic_cast<QVPaginatedSeries*>(object);
    syncOfflineAchievements(page);
    finishAchievementsPage(page, duringSync, fromBatch);
    if (auto* chained = dynamic_cast<QVDelegateChained*>(nextCall))
        chained->invokeWith(object);
}

void QVAchievementService::finishAchievementsPage(const QVPaginatedSeries* page, bool duringSync, bool)
{
    QVSessionRole::requireMainThread("QVAchievementService::finishAchievementsPage");
    if (!page || page->objects().empty())
        return;
    QVAchievementService* shared = sharedService();
    bool prompt = shared && shared->mAutomaticallyPromptToPostUnlocks;
    if (page->objects().size() == 1) {
        auto* record = page->recordAtIndex<QVUnlockedAchievement>(0, "an unlocked achievement");
        QVAchievement* a = record && !record->isInvalidResult() ? record->achievement() : nullptr;
        if (a && !duringSync && prompt && record->percentComplete() == 100)
            QVSocialNotificationService::sendWithAchievement(a->resourceId(), a->title().value_or(""), a->iconUrl(),
                                                             shared->mCustomUrlWithSocialNotification);
        return;
    }
    int unlocked = 0;
    for (const auto& object : page->objects()) {
        auto* record = dynamic_cast<QVUnlockedAchievement*>(object.get());
        if (record && !record->isInvalidResult() && record->percentComplete() == 100)
            ++unlocked;
    }
    if (duringSync)
        return;
    QVRequestUIRole::current().showBackgroundNotice({ kSubmittedNotice, {}, 6, 4 });
    if (prompt && unlocked > 0)
        QVSocialNotificationService::sendWithAchievements(static_cast<unsigned>(unlocked));
}

bool QVAchievementService::adoptAnonymousProgress(const std::string& userId)
{
    QVSessionRole::requireMainThread("QVAchievementService::adoptAnonymousProgress");
    sqlite3* db = QVOfflineStore::getOfflineDatabaseHandle();
    if (!db)
        return false;
    QVOfflineStore::Transaction transaction;
    // The user's rows that a pre-login row beats go; then the pre-login rows
    // the user's own rows match or beat; what is left moves to the user
    // without meeting the (achievement, user) unique index.
    QVSqlQuery beaten(db, "DELETE FROM unlocked_achievements WHERE user_id = :user_id AND EXISTS (SELECT 1 FROM "
                          "unlocked_achievements AS a WHERE (a.user_id IS NULL OR a.user_id = 0) AND "
                          "a.achievement_definition_id = unlocked_achievements.achievement_definition_id AND "
                          "a.percent_complete > unlocked_achievements.percent_complete)");
    beaten.bind("user_id", userId);
    QVSqlQuery matched(db, "DELETE FROM unlocked_achievements WHERE (user_id IS NULL OR user_id = 0) AND "
                           "achievement_definition_id IN (SELECT achievement_definition_id FROM "
                           "unlocked_achievements WHERE user_id = :user_id)");
    matched.bind("user_id", userId);
    if (beaten.execute() != QVSqlQuery::kDone || matched.execute() != QVSqlQuery::kDone)
        return false;
    {
        QVOfflineStore::Use adopt(QVOfflineStore::achievementStatements().adoptAnonymousRows);
        adopt->bind("user_id", userId);
        if (adopt->execute() != QVSqlQuery::kDone)
            return false;
    }
    return transaction.commit();
}

Ref<QVRequestHandle> QVAchievementService::sendPendingAchievements(const std::string& userId, bool syncOnly,
                                                                   const QVDelegate& onSuccess,
                                                                   const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVAchievementService::sendPendingAchievements");
    if (!QVSessionRole::current().isOnline() || !isValidUser(userId))
        return nullptr;

    std::vector<std::string> ids;
    std::vector<double> percents;
    if (QVGameCenterRole::current().isLoggedIntoGameCenter() && !QVGameCenterRole::current().isSynchedWithGameCenterAchievements()) {
        // Once: every stored achievement goes to Game Center (and the server).
        for (const auto& a : getAchievementsLocal()) {
            ids.push_back(a->resourceId());
            percents.push_back(a->percentComplete());
        }
        Ref<QVRequestHandle> handle;
        if (!ids.empty()) {
            Ref<QVGameCenterAchievement> submission = QVGameCenterAchievement::create();
            submission->setAchievementIds(std::move(ids));
            submission->setPercentsComplete(std::move(percents));
            submission->setBatch(true);
            submission->setSync(syncOnly);
            handle = submission->submitOnSuccess(onSuccess, onFailure);
        }
        QVGameCenterRole::current().setSynchWithGameCenterAchievements(true);
        return handle;
    }

    if (!adoptAnonymousProgress(userId))
        platform::logError("Quorvel: achievements stored before the login could not be given to user %s",
                           userId.c_str());
    ids = pendingAchievementIds(userId);
    if (ids.empty())
        return nullptr;
    for (const auto& id : ids)
        percents.push_back(getPercentComplete(id, userId));
    Ref<QVGameCenterAchievement> submission = QVGameCenterAchievement::create();
    submission->setAchievementIds(std::move(ids));
    submission->setPercentsComplete(std::move(percents));
    submission->setBatch(true);
    submission->setSync(syncOnly);
    return submission->submitOnSuccess(onSuccess, onFailure);
}

Ref<QVRequestHandle> QVAchievementService::updateAchievements(const std::vector<std::string>& ids,
                                                              const std::vector<double>& percentCompletes,
                                                              const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVAchievementService::updateAchievements");
    auto params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    size_t written = 0;
    {
        QVISerializer::Scope list(*params, "achievement_list", true);
        for (size_t i = 0; i < std::min(ids.size(), percentCompletes.size()); ++i) {
            if (ids[i].empty())
                continue;
            std::string id = ids[i];
            double percent = percentCompletes[i];
            QVISerializer::Scope entry(*params, "achievement");
            params->io("achievement_definition_id", id);
            params->io("percent_complete", percent);
            ++written;
        }
    }
    if (written == 0) {
        onFailure.invoke(nullptr);
        return nullptr;
    }
    return service().send(kBatch, {}, params.get(), onSuccess, onFailure);
}

// -- reading ---------------------------------------------------------------------------------

std::string QVAchievementService::getLastSyncDateForUserId(const std::string& userId)
{
    QVSessionRole::requireMainThread("QVAchievementService::getLastSyncDateForUserId");
    QVOfflineStore::Use q(QVOfflineStore::achievementStatements().lastSyncDate);
    q->bind("user_id", userId);
    const char* text = q->step() ? q->getText("last_sync_date") : nullptr;
    return text ? std::string(text) : std::string();
}

std::vector<Ref<QVAchievement>> QVAchievementService::getAchievementsLocal()
{
    QVSessionRole::requireMainThread("QVAchievementService::getAchievementsLocal");
    std::vector<Ref<QVAchievement>> out;
    QVOfflineStore::Use q(QVOfflineStore::achievementStatements().localList);
    q->bind("app_version", QVOfflineService::getFormattedAppVersion());
    q->bind("user_id", QVUser::offlineRowsUserId());
    while (q->step())
        out.push_back(QVAchievement::initWithLocalSQL(*q));
    return out;
}

void QVAchievementService::getAchievementsLocal(const QVDelegate& onSuccess, const QVDelegate&)
{
    QVSessionRole::requireMainThread("QVAchievementService::getAchievementsLocal");
    QVPaginatedSeries::Objects objects;
    for (auto& a : getAchievementsLocal())
        objects.emplace_back(a.get());
    Ref<QVPaginatedSeries> series = QVPaginatedSeries::paginatedSeriesFromArray(std::move(objects));
    onSuccess.invoke(series.get());
}

Ref<QVAchievement> QVAchievementService::getAchievementLocalWithUnlockInfo(const std::string& achievementId)
{
    QVSessionRole::requireMainThread("QVAchievementService::getAchievementLocalWithUnlockInfo");
    QVOfflineStore::Use q(QVOfflineStore::achievementStatements().localOne);
    q->bind("app_version", QVOfflineService::getFormattedAppVersion());
    q->bind("achievement_id", achievementId);
    q->bind("user_id", QVUser::offlineRowsUserId());
    return q->step() ? QVAchievement::initWithLocalSQL(*q) : nullptr;
}

Ref<QVAchievement> QVAchievementService::getAchievement(const std::string& achievementId)
{
    QVSessionRole::requireMainThread("QVAchievementService::getAchievement");
    QVOfflineStore::Use q(QVOfflineStore::achievementStatements().oneDefinition);
    q->bind("id", achievementId);
    return q->step() ? QVAchievement::initWithLocalSQL(*q) : nullptr;
}

bool QVAchievementService::hasAchievements()
{
    QVSessionRole::requireMainThread("QVAchievementService::hasAchievements");
    QVOfflineStore::Use q(QVOfflineStore::achievementStatements().allDefinitions);
    return q->step();
}

} // namespace quorvel
