// The high-score service: single scores and batches, the 0.05-s coalescing of
// scores taken online, the server batch, and the stored scores sent after a
// login.
#include "social/services/QVHighScoreService.h"

#include "platform/foundation/DateFormat.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "social/runtime/OAuthAPIRequestLoader.h"
#include "social/runtime/OAuthURLRequest.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVGameCenterRole.h"
#include "social/runtime/QVRequestUIRole.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVAbridgedHighScore.h"
#include "social/services/QVGameCenterHighScore.h"
#include "social/services/QVGameCenterMap.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVOfflineService.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVS3UploadParameters.h"
#include "social/services/QVScoreLimits.h"
#include "social/services/QVSentBlobs.h"
#include "social/services/QVUser.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace quorvel {

using platform::Ref;

namespace {

void submitToGameCenterOnly(const QVHighScoreBatch& batch)
{
    QVSubmitHighScoreToGameCenterOnly::create()->submitToGameCenterOnlyWithScores(batch);
}

QVRequestUIRole::BackgroundNotice highScoreNotice(const std::string& text)
{
    return { text, QVHighScoreService::kNoticeImage, 4, 4 };
}

} // namespace

// -- the batch entry -------------------------------------------------------------

Ref<QVHighScoreBatchEntry> QVHighScoreBatchEntry::create(std::string leaderboardId, int64_t score,
                                                         std::optional<std::string> displayText,
                                                         std::optional<std::string> customData,
                                                         std::optional<platform::Bytes> blob)
{
    auto e = create();
    e->leaderboardId = std::move(leaderboardId);
    e->score = score;
    e->displayText = std::move(displayText);
    e->customData = std::move(customData);
    e->blob = std::move(blob);
    return e;
}

void QVHighScoreBatchEntry::serialize(QVISerializer& s)
{
    s.io("leaderboard_id", leaderboardId);
    s.io("score", score);
    if (s.isReading() || displayText)
        s.io("display_text", displayText);
    if (s.isReading() || customData)
        s.io("custom_data", customData);
    bool hasBlob = blob.has_value();
    s.io("has_blob", hasBlob);
    if (s.isReading()) {
        unsigned int seconds = 0;
        s.io("gamecenter_timestamp", seconds);
        if (seconds)
            gameCenterDate = platform::Date { static_cast<double>(seconds) };
    } else if (gameCenterDate) {
        double t = gameCenterDate->seconds;
        unsigned int seconds = t > 0 && t < 4294967296.0 ? static_cast<unsigned int>(t) : 0;
        s.io("gamecenter_timestamp", seconds);
    }
}

void QVSerializeHighScoreBatch(QVISerializer& serializer, QVHighScoreBatch& batch)
{
    serializer.ioArray("high_scores", batch, "entry");
}

// -- life ------------------------------------------------------------------------------

QVHighScoreService::QVHighScoreService() = default;

QVHighScoreService::~QVHighScoreService()
{
    if (dispatchTimer_)
        dispatchTimer_->invalidate();
    QVOfflineStore::finalizeHighScoreStatements();
}

void QVHighScoreService::populateKnownResources(QVResourceNameMap& names)
{
    names.addResource<QVHighScore>(QVHighScore::getResourceName());
    names.addResource<QVAbridgedHighScore>(QVAbridgedHighScore::getResourceName());
    names.addResource<QVS3UploadParameters>(QVS3UploadParameters::getResourceName());
}

// -- single scores -----------------------------------------------------------------------

void QVHighScoreService::setHighScore(int64_t score, const std::string& leaderboardId, const QVDelegate& onSuccess,
                                      const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVHighScoreService::setHighScore");
    setHighScoreWithDisplayTextSilently(score, std::nullopt, leaderboardId, false, onSuccess, onFailure);
}

void QVHighScoreService::setHighScoreSilently(int64_t score, const std::string& leaderboardId, bool silently,
                                              const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVHighScoreService::setHighScoreSilently");
    setHighScoreWithDisplayTextSilently(score, std::nullopt, leaderboardId, silently, onSuccess, onFailure);
}

void QVHighScoreService::setHighScoreWithDisplayText(int64_t score, const std::optional<std::string>& displayText,
                                                     const std::string& leaderboardId, const QVDelegate& onSuccess,
                                                     const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVHighScoreService::setHighScoreWithDisplayText");
    setHighScoreWithDisplayTextSilently(score, displayText, leaderboardId, false, onSuccess, onFailure);
}

void QVHighScoreService::setHighScoreWithDisplayTextSilently(int64_t score,
                                                             const std::optional<std::string>& displayText,
                                                             const std::string& leaderboardId, bool silently,
                                                             const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVHighScoreService::setHighScoreWithDisplayTextSilently");
    setHighScoreWithCustomData(score, displayText, std::nullopt, leaderboardId, silently, onSuccess, onFailure);
}

void QVHighScoreService::setHighScoreWithCustomData(int64_t score, const std::optional<std::string>& displayText,
                                                    const std::optional<std::string>& customData,
                                                    const std::string& leaderboardId, bool silently,
                                                    const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVHighScoreService::setHighScoreWithCustomData");
    setHighScoreWithBlob(score, displayText, customData, std::nullopt, leaderboardId, silently, false, onSuccess,
                         onFailure);
}

void QVHighScoreService::setHighScoreWithCustomDataDeferred(int64_t score,
                                                            const std::optional<std::string>& displayText,
                                                            const std::optional<std::string>& customData,
                                                            const std::string& leaderboardId, bool silently,
                                                            bool deferred, const QVDelegate& onSuccess,
                                                            const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVHighScoreService::setHighScoreWithCustomDataDeferred");
    setHighScoreWithBlob(score, displayText, customData, std::nullopt, leaderboardId, silently, deferred, onSuccess,
                         onFailure);
}

void QVHighScoreService::setHighScoreWithBlob(int64_t score, const std::optional<std::string>& displayText,
                                              const std::optional<std::string>& customData,
                                              const std::optional<platform::Bytes>& blob,
                                              const std::string& leaderboardId, bool silently, bool deferred,
                                              const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVHighScoreService::setHighScoreWithBlob");
    if (!QVSessionRole::requireRunningClient("QVHighScoreService::setHighScore")) {
        onFailure.invoke(nullptr);
        return;
    }
    // Game Center takes the score alone, never its texts or blob: the
    // service's bounds do not hold it back from a player who declined the
    // service, as they do not on the batch road.
    bool sentToGameCenter = false;
    if (!QVSessionRole::current().hasUserApprovedQuorvel() && QVGameCenterRole::current().isLoggedIntoGameCenter()) {
        submitToGameCenterOnly({ QVHighScoreBatchEntry::create(leaderboardId, score) });
        sentToGameCenter = true;
    }
    if (!QVScoreCanBeSent(leaderboardId, score, displayText, customData, blob)) {
        onFailure.invoke(nullptr);
        return;
    }

    QVOfflineService::reopenStoreIfRemoved();
    if (goesWithoutStore()) {
        // Nothing can wait on the device: online the score goes at once and
        // the game hears the service's answer.
        if (deferred || !QVSessionRole::current().isOnline() || !QVSessionRole::current().hasUserApprovedQuorvel()) {
            onFailure.invoke(nullptr);
            return;
        }
        std::optional<platform::Bytes> uploaded;
        if (blob && blob->size() <= kMaxUploadedBlob)
            uploaded = blob;
        submitHighScoreBatch({ QVHighScoreBatchEntry::create(leaderboardId, score, displayText, customData, uploaded) },
                             silently, onSuccess, onFailure, std::nullopt);
        return;
    }
    std::string userId = QVUser::offlineRowsUserId();
    bool shouldSubmit = true;
    bool accepted = localSetHighScore(score, leaderboardId, userId, displayText, customData, blob, std::nullopt, false,
                                      &shouldSubmit, true);

    // A score the store refused (a leaderboard the device does not know) is
    // neither sent nor announced: the caller hears the failure, and a batch
    // of good scores is not refused for it.
    if (shouldSubmit && accepted) {
        const char* text = kNewHighScoreSavedLocally;
        if (!deferred && QVSessionRole::current().isOnline()) {
            QVHighScoreService& shared = service();
            // Scores another player took before a switch stay theirs: they wait in the store.
            if (shared.pendingScoresPlayer_ != userId)
                shared.dropQueuedScores();
            shared.pendingScoresPlayer_ = userId;
            // The blob waits for the dispatch in the pending list, which then
            // hands it to the score's entry; a blob too long for this road
            // stays in the store only.
            if (blob && blob->size() <= kMaxUploadedBlob)
                setPendingBlob(*blob, leaderboardId, score);
            else
                removePendingBlobForLeaderboard(leaderboardId);
            auto entry = QVHighScoreBatchEntry::create(leaderboardId, score, displayText, customData);
            // A run of scores taken within the delay goes out as one batch.
            if (shared.dispatchTimer_)
                shared.dispatchTimer_->invalidate();
            QVHighScoreService* target = &shared;
            shared.dispatchTimer_ = platform::RunLoop::main().performAfter(kDispatchDelay, [target] {
                target->dispatchTimer_ = nullptr;
                target->dispatchPendingScores();
            });
            shared.mPendingScores.push_back(entry);
            scoreSetOff(userId, leaderboardId, score);
            text = kNewHighScore;
        }
        if (!silently) {
            if (QVSessionRole::current().isOnline())
                QVRequestUIRole::current().setDefaultBackgroundNotice(highScoreNotice(text));
            else
                QVRequestUIRole::current().showBackgroundNotice(highScoreNotice(text));
        }
    } else if (!shouldSubmit && QVGameCenterRole::current().isLoggedIntoGameCenter() && !sentToGameCenter) {
        submitToGameCenterOnly({ QVHighScoreBatchEntry::create(leaderboardId, score) });
    }

    if (accepted)
        onSuccess.invoke(nullptr);
    else
        onFailure.invoke(nullptr);
}

namespace {

// The scores of one dispatched batch, for its failure: each that stays
// pending in the store is said in the log to go after the next login.
class DispatchedScores final : public platform::Object, public QVCallbackable {
public:
    explicit DispatchedScores(QVHighScoreBatch batch) : batch_(std::move(batch)) { }
    bool canReceiveCallbacksNow() override { return true; }
    void failed(platform::Object*)
    {
        for (const auto& entry : batch_)
            if (entry && QVHighScoreService::isScorePending(entry->leaderboardId, entry->score))
                platform::log("Quorvel: the score %lld on leaderboard %s did not reach the service; it is kept on the "
                              "device and will be sent after the next login",
                              static_cast<long long>(entry->score), entry->leaderboardId.c_str());
    }

private:
    QVHighScoreBatch batch_;
};

} // namespace

void QVHighScoreService::dropQueuedScores()
{
    for (const auto& entry : std::exchange(mPendingScores, {}))
        if (entry) {
            removePendingBlobForLeaderboard(entry->leaderboardId);
            scoreArrived(pendingScoresPlayer_, entry->leaderboardId, entry->score);
            platform::log("Quorvel: the score %lld on leaderboard %s was taken by a player no longer logged in; it is "
                          "kept on the device and will be sent after that player's next login",
                          static_cast<long long>(entry->score), entry->leaderboardId.c_str());
        }
}

void QVHighScoreService::dispatchPendingScores()
{
    Ref<QVHighScoreService> keep(this);
    // Signed with the local player's token, the batch would be theirs.
    if (pendingScoresPlayer_ != QVUser::offlineRowsUserId())
        dropQueuedScores();
    if (mPendingScores.empty())
        return;
    QVHighScoreBatch queued = std::move(mPendingScores);
    mPendingScores.clear();
    // The same score given again in the run goes once, as given last (its
    // texts and blob are the newest, as its row holds them): the service
    // keeps each score once, and its blob goes up under it.
    QVHighScoreBatch batch;
    batch.reserve(queued.size());
    std::set<std::pair<std::string, int64_t>> seen;
    for (auto entry = queued.rbegin(); entry != queued.rend(); ++entry)
        if (*entry && seen.insert({ (*entry)->leaderboardId, (*entry)->score }).second)
            batch.push_back(*entry);
    std::reverse(batch.begin(), batch.end());
    // Each pending blob goes into its score's entry and travels there from now on.
    if (!mPendingBlobs.empty()) {
        for (auto entry = batch.rbegin(); entry != batch.rend(); ++entry) {
            if (!*entry)
                continue;
            auto found = pendingBlobIndex_.find((*entry)->leaderboardId);
            if (found == pendingBlobIndex_.end() || mPendingBlobs[found->second].score != (*entry)->score)
                continue;
            (*entry)->blob = std::move(mPendingBlobs[found->second].blob);
            removePendingBlobForLeaderboard((*entry)->leaderboardId);
        }
    }
    auto sent = platform::adoptRef(new DispatchedScores(batch));
    submitHighScoreBatch(batch, true, QVDelegate(this, BRISKO_SELECTOR(QVHighScoreService, _onSetHighScore)),
                         QVDelegate(sent.get(), BRISKO_SELECTOR(DispatchedScores, failed)), std::nullopt);
    // Queued no more: their batch holds them on their way now.
    for (const auto& entry : queued)
        if (entry)
            scoreArrived(pendingScoresPlayer_, entry->leaderboardId, entry->score);
}

void QVHighScoreService::_onSetHighScore(platform::Object*, platform::Object* nextCall)
{
    if (auto* chained = QVDelegateChained::from(nextCall))
        chained->invoke();
}

// -- scores on their way -------------------------------------------------------------------

void QVHighScoreService::scoreSetOff(const std::string& player, const std::string& leaderboardId, int64_t score)
{
    QVSessionRole::requireMainThread("QVHighScoreService::scoreSetOff");
    if (QVHighScoreService* shared = sharedService())
        ++shared->scoresOnTheirWay_[{ player, leaderboardId, score }];
}

void QVHighScoreService::scoreArrived(const std::string& player, const std::string& leaderboardId, int64_t score)
{
    QVSessionRole::requireMainThread("QVHighScoreService::scoreArrived");
    QVHighScoreService* shared = sharedService();
    if (!shared)
        return;
    auto it = shared->scoresOnTheirWay_.find({ player, leaderboardId, score });
    if (it != shared->scoresOnTheirWay_.end() && --it->second <= 0)
        shared->scoresOnTheirWay_.erase(it);
}

void QVHighScoreService::scoreMayHaveArrived(const std::string& player, const std::string& leaderboardId,
                                             int64_t score)
{
    QVSessionRole::requireMainThread("QVHighScoreService::scoreMayHaveArrived");
    if (QVHighScoreService* shared = sharedService())
        shared->scoresThatMayHaveArrived_.insert({ player, leaderboardId, score });
}

void QVHighScoreService::bestsListed(const std::string& player)
{
    QVSessionRole::requireMainThread("QVHighScoreService::bestsListed");
    QVHighScoreService* shared = sharedService();
    if (!shared)
        return;
    auto& scores = shared->scoresThatMayHaveArrived_;
    for (auto it = scores.begin(); it != scores.end();)
        it = std::get<0>(*it) == player ? scores.erase(it) : std::next(it);
}

void QVHighScoreService::scoreArrivedUnmarked(const std::string& player, const std::string& leaderboardId,
                                              int64_t score)
{
    QVSessionRole::requireMainThread("QVHighScoreService::scoreArrivedUnmarked");
    if (QVHighScoreService* shared = sharedService())
        shared->scoresArrivedUnmarked_.insert({ player, leaderboardId, score });
}

bool QVHighScoreService::isScoreOnItsWay(const std::string& player, const std::string& leaderboardId, int64_t score)
{
    QVSessionRole::requireMainThread("QVHighScoreService::isScoreOnItsWay");
    QVHighScoreService* shared = sharedService();
    return shared && shared->scoresOnTheirWay_.count({ player, leaderboardId, score });
}

bool QVHighScoreService::mayScoreHaveArrived(const std::string& player, const std::string& leaderboardId,
                                             int64_t score)
{
    QVSessionRole::requireMainThread("QVHighScoreService::mayScoreHaveArrived");
    QVHighScoreService* shared = sharedService();
    return shared && shared->scoresThatMayHaveArrived_.count({ player, leaderboardId, score });
}

// -- batches ------------------------------------------------------------------------------

Ref<QVRequestHandle> QVHighScoreService::batchSetHighScores(QVHighScoreBatch& batch, const QVDelegate& onSuccess,
                                                            const QVDelegate& onFailure,
                                                            const std::optional<std::string>& message)
{
    QVSessionRole::requireMainThread("QVHighScoreService::batchSetHighScores");
    return batchSetHighScores(batch, false, onSuccess, onFailure, message, false);
}

Ref<QVRequestHandle> QVHighScoreService::batchSetHighScores(QVHighScoreBatch& batch, bool silently,
                                                            const QVDelegate& onSuccess, const QVDelegate& onFailure,
                                                            const std::optional<std::string>& message, bool fromSynch)
{
    QVSessionRole::requireMainThread("QVHighScoreService::batchSetHighScores");
    if (!QVSessionRole::current().hasUserApprovedQuorvel() && QVGameCenterRole::current().isLoggedIntoGameCenter())
        submitToGameCenterOnly(batch);

    // A score the service could never take, or that the store refused, is
    // refused at the call on every road, as a single score is: the rest goes
    // without it, and the caller hears a failure naming it.
    std::vector<QVRefusedHighScores::Refusal> refusals;
    std::vector<bool> keep(batch.size(), true);
    if (!fromSynch)
        QVOfflineService::reopenStoreIfRemoved();
    if (!fromSynch && goesWithoutStore()) {
        // Nothing can wait on the device: online the batch goes as it is.
        if (!QVSessionRole::current().isOnline()) {
            onFailure.invoke(nullptr);
            return nullptr;
        }
        for (size_t i = 0; i < batch.size(); ++i)
            if (batch[i] && !QVScoreCanBeSent(*batch[i])) {
                refusals.push_back({ batch[i], QVWhyScoreCannotBeSent(*batch[i]) });
                keep[i] = false;
            }
    } else if (!fromSynch) {
        std::string userId = QVUser::offlineRowsUserId();
        std::vector<std::string> refused(batch.size());
        bool committed = true;
        {
            // One transaction for the whole batch: one sync of the store, not one per score.
            QVOfflineStore::Transaction transaction;
            for (size_t i = batch.size(); i-- > 0;) {
                const auto& entry = batch[i];
                if (!entry) {
                    keep[i] = false;
                    continue;
                }
                // Each score is kept with its blob, which goes with the batch
                // under its own score, whatever the entries around it.
                bool shouldSubmit = true;
                if (!QVScoreCanBeSent(*entry))
                    refused[i] = QVWhyScoreCannotBeSent(*entry);
                else if (!localSetHighScore(entry->score, entry->leaderboardId, userId, entry->displayText,
                                            entry->customData, entry->blob, std::nullopt, false, &shouldSubmit, true))
                    refused[i] = "the device could not keep it";
                // A score the store refused is not sent.
                keep[i] = refused[i].empty() && shouldSubmit;
            }
            // A commit that fails keeps none of the batch: it is refused, not reported as kept.
            committed = !transaction.isActive() || transaction.commit();
        }
        if (!committed) {
            onFailure.invoke(nullptr);
            return nullptr;
        }
        for (size_t i = 0; i < batch.size(); ++i)
            if (!refused[i].empty())
                refusals.push_back({ batch[i], refused[i] });
    } else {
        // The device's own rows: one an older client kept past a bound would
        // be refused at every login. It waits no more. (One without a
        // leaderboard is dropped where the batch is cut.)
        std::string userId = QVUser::offlineRowsUserId();
        for (size_t i = 0; i < batch.size(); ++i)
            if (batch[i] && !batch[i]->leaderboardId.empty())
                if (std::string why = QVWhyScoreCannotBeSent(*batch[i]); !why.empty()) {
                    QVSettleUnsendableScore(userId, *batch[i], why);
                    refusals.push_back({ batch[i], std::move(why) });
                    keep[i] = false;
                }
    }
    size_t kept = 0;
    for (size_t i = 0; i < batch.size(); ++i)
        if (keep[i])
            batch[kept++] = std::move(batch[i]);
    batch.resize(kept);
    return submitHighScoreBatchWithout(batch, std::move(refusals), silently, onSuccess, onFailure,
                                       message ? message : std::optional<std::string>(kDefaultBatchMessage));
}

// -- after a login ------------------------------------------------------------------------------

Ref<QVRequestHandle> QVHighScoreService::sendPendingHighScores(const std::string& userId, bool silently,
                                                               const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVHighScoreService::sendPendingHighScores");
    (void)silently; // the batches of this road always go silently
    QVHighScoreService& shared = service();
    QVDelegate chained(&shared, BRISKO_SELECTOR(QVHighScoreService, _onSetHighScore), onSuccess);

    if (!QVSessionRole::current().isOnline() || userId == "Invalid" || std::strtoll(userId.c_str(), nullptr, 10) <= 0)
        return nullptr;
    if (!QVIsDecimalId(userId)) {
        platform::logWarning("Quorvel: pending high scores not sent: the user id is not a number");
        return nullptr;
    }

    if (QVGameCenterRole::current().isLoggedIntoGameCenter() && !QVGameCenterRole::current().isSynchedWithGameCenterLeaderboards()) {
        QVHighScoreBatch catchUp;
        for (const auto& [leaderboardId, category] : QVGameCenterMap::fromBundle().leaderboards) {
            (void)category;
            for (const auto& score : getHighScoresLocal(leaderboardId))
                catchUp.push_back(QVHighScoreBatchEntry::create(leaderboardId, score->score(),
                                                                score->displayText(), score->customData(),
                                                                score->blob()));
        }
        batchSetHighScores(catchUp, true, chained, onFailure, std::nullopt, true);
        QVGameCenterRole::current().setSynchWithGameCenterLeaderboards(true);
    }

    {
        // The scores stored before the login become the user's in one
        // transaction: one sync of the store, however many boards they are on.
        QVOfflineStore::Transaction transaction;
        std::string lastSync = QVLeaderboardService::getLastSyncDateUnixForUserId(userId);
        std::vector<std::string> adopted;
        {
            QVOfflineStore::Use q(QVOfflineStore::highScoreStatements().anonymousLeaderboards);
            while (q->step())
                adopted.push_back(platform::format("%d", q->getInt("leaderboard_id")));
        }
        adoptAnonymousScores(userId);
        for (const auto& leaderboardId : adopted) {
            int64_t best = 0;
            getPreviousHighScoreLocal(&best, leaderboardId);
            QVOfflineStore::Use mark(QVOfflineStore::highScoreStatements().markOthersSynced);
            mark->bind("server_sync_at",
                       lastSync.empty() || lastSync == "(null)" ? std::optional<std::string>() : lastSync);
            mark->bind("user_id", userId);
            mark->bind("leaderboard_id", leaderboardId);
            mark->bind("score", platform::format("%lld", static_cast<long long>(best)));
            mark->execute();
        }
        transaction.commit();
    }

    // The player's scores the service kept whose rows could not be marked sent: marked now.
    for (auto it = shared.scoresArrivedUnmarked_.begin(); it != shared.scoresArrivedUnmarked_.end();) {
        const auto& [player, leaderboardId, score] = *it;
        if (player != userId) {
            ++it;
            continue;
        }
        QVSqlQuery mark(QVOfflineStore::getOfflineDatabaseHandle(),
                        "UPDATE high_scores SET server_sync_at = :server_sync_at WHERE user_id = :user_id AND "
                        "leaderboard_id = :leaderboard_id AND score = :score AND server_sync_at IS NULL");
        mark.bindInt64("server_sync_at", QVStoreSeconds(platform::dateNow().seconds));
        mark.bind("user_id", userId);
        mark.bind("leaderboard_id", leaderboardId);
        mark.bindInt64("score", score);
        it = mark.execute() == QVSqlQuery::kDone ? shared.scoresArrivedUnmarked_.erase(it) : std::next(it);
    }

    QVHighScoreBatch pending;
    {
        QVOfflineStore::Use q(QVOfflineStore::highScoreStatements().pendingScores);
        q->bind("user_id", userId);
        while (q->step()) {
            auto entry = QVHighScoreBatchEntry::create(platform::format("%d", q->getInt("leaderboard_id")),
                                                       q->getInt64("score"));
            entry->displayText = q->getString("display_text");
            entry->customData = q->getString("custom_data");
            QVSqlQuery::Blob blob = q->getBlob("blob");
            if (blob.length > 0 && blob.bytes) {
                auto* bytes = static_cast<const uint8_t*>(blob.bytes);
                entry->blob = platform::Bytes(bytes, bytes + blob.length);
            }
            // One on its way already (an earlier login's, or the game's own) is not sent again.
            if (!isScoreOnItsWay(userId, entry->leaderboardId, entry->score)
                && !mayScoreHaveArrived(userId, entry->leaderboardId, entry->score)
                && !shared.scoresArrivedUnmarked_.count({ userId, entry->leaderboardId, entry->score }))
                pending.push_back(std::move(entry));
        }
    }
    if (pending.empty())
        return nullptr;
    return batchSetHighScores(pending, true, chained, onFailure, std::nullopt, true);
}

} // namespace quorvel
