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

const QVServiceEndpoint kBatch { "POST", QVHighScoreService::kBatchPath, 1, nullptr };

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
    if (!QVSessionRole::requireRunningClient("QVHighScoreService::setHighScore")
        || !QVScoreCanBeSent(leaderboardId, score, displayText, customData, blob)) {
        onFailure.invoke(nullptr);
        return;
    }
    bool sentToGameCenter = false;
    if (!QVSessionRole::current().hasUserApprovedQuorvel() && QVGameCenterRole::current().isLoggedIntoGameCenter()) {
        submitToGameCenterOnly({ QVHighScoreBatchEntry::create(leaderboardId, score) });
        sentToGameCenter = true;
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

    bool verdict = true;
    if (!fromSynch)
        QVOfflineService::reopenStoreIfRemoved();
    if (!fromSynch && goesWithoutStore()) {
        // Nothing can wait on the device: online the batch goes as it is.
        verdict = QVSessionRole::current().isOnline()
            && std::all_of(batch.begin(), batch.end(),
                           [](const auto& entry) { return entry && QVScoreCanBeSent(*entry); });
    } else if (!fromSynch) {
        std::string userId = QVUser::offlineRowsUserId();
        std::vector<bool> keep(batch.size(), true);
        {
            // One transaction for the whole batch: one sync of the store, not one per score.
            QVOfflineStore::Transaction transaction;
            for (size_t i = batch.size(); i-- > 0;) {
                const auto& entry = batch[i];
                bool shouldSubmit = true;
                // Each score is kept with its blob, which goes with the batch
                // under its own score, whatever the entries around it.
                verdict = QVScoreCanBeSent(*entry)
                    && localSetHighScore(entry->score, entry->leaderboardId, userId, entry->displayText,
                                         entry->customData, entry->blob, std::nullopt, false, &shouldSubmit, true);
                // A score the store refused is not sent.
                keep[i] = verdict && shouldSubmit;
            }
            // A commit that fails keeps none of the batch: it is refused, not reported as kept.
            if (transaction.isActive() && !transaction.commit())
                verdict = false;
        }
        size_t kept = 0;
        for (size_t i = 0; i < batch.size(); ++i)
            if (keep[i])
                batch[kept++] = std::move(batch[i]);
        batch.resize(kept);
    }
    if (!verdict) {
        onFailure.invoke(nullptr);
        return nullptr;
    }
    return submitHighScoreBatch(batch, silently, onSuccess, onFailure,
                                message ? message : std::optional<std::string>(kDefaultBatchMessage));
}

namespace {

// Scores of a batch not sent because the player who sent it is no longer the
// local player: they wait in the store for that player's next login.
void sayTheyWaitForTheirPlayer(const QVHighScoreBatch& scores)
{
    size_t count = 0;
    for (const auto& entry : scores)
        count += entry ? 1 : 0;
    platform::log("Quorvel: %zu score(s) of a batch were not sent: the player who sent it is no longer logged in; "
                  "they are kept on the device and go after that player's next login",
                  count);
}

// The scores of one sent batch, the player's who sends it, are on their way
// until the service answers it (an answered score with a blob stays so until
// its upload ends, see _uploadBlobs), or at once when nothing was sent. A
// batch whose request is cancelled (a logout, a shut-down) hears nothing: it
// says so when it goes, and its scores, which the service may have kept,
// wait for the player's next list of bests like those of an unanswered batch.
class BatchOnItsWay final : public platform::Object, public QVCallbackable {
public:
    BatchOnItsWay(const QVHighScoreBatch& batch, const QVDelegate& onSuccess, const QVDelegate& onFailure)
        : player_(QVUser::offlineRowsUserId()), onSuccess_(onSuccess), onFailure_(onFailure)
    {
        for (const auto& entry : batch)
            if (entry) {
                scores_.emplace_back(entry->leaderboardId, entry->score);
                QVHighScoreService::scoreSetOff(player_, entry->leaderboardId, entry->score);
            }
    }
    ~BatchOnItsWay() override
    {
        if (scores_.empty() || !QVHighScoreService::sharedService())
            return;
        platform::log("Quorvel: a batch of %zu score(s) was cancelled before the service answered it; they wait on "
                      "the device, and go after the next login unless its list of bests names them",
                      scores_.size());
        for (const auto& [leaderboardId, score] : scores_)
            QVHighScoreService::scoreMayHaveArrived(player_, leaderboardId, score);
        arrived();
    }
    bool canReceiveCallbacksNow() override { return true; }
    void succeeded(platform::Object* answer)
    {
        arrived();
        onSuccess_.invoke(answer);
    }
    void failed(platform::Object* answer)
    {
        arrived();
        onFailure_.invoke(answer);
    }
    // Nothing went (nothing to answer), or the answer came.
    void arrived()
    {
        for (const auto& [leaderboardId, score] : std::exchange(scores_, {}))
            QVHighScoreService::scoreArrived(player_, leaderboardId, score);
    }

private:
    std::string player_;
    std::vector<std::pair<std::string, int64_t>> scores_;
    QVDelegate onSuccess_;
    QVDelegate onFailure_;
};

// A batch the service never answered (the connection cut, the answer lost)
// may have been kept all the same: its scores wait for a login's list of
// bests rather than going again on another road. An answer, whatever its
// status, is the service's verdict; one that refuses the batch for a
// leaderboard the service does not have retires that board, one that refuses
// one of its scores settles that score, and the batch's other scores go again
// without them, to the same callers.
class UnansweredBatch final : public platform::Object, public QVCallbackable {
public:
    UnansweredBatch(const QVHighScoreBatch& batch, std::string message, bool silently, const QVDelegate& onSuccess,
                    const QVDelegate& onFailure)
        : batch_(batch), player_(QVUser::offlineRowsUserId()), message_(std::move(message)), onSuccess_(onSuccess),
          onFailure_(onFailure), silently_(silently)
    {
    }
    bool canReceiveCallbacksNow() override { return true; }
    void failed(platform::Object* answer)
    {
        auto* loader = dynamic_cast<OAuthAPIRequestLoader*>(answer);
        if (!loader || !loader->oauthResponse() || loader->oauthResponse()->statusCode() == 0)
            for (const auto& entry : batch_)
                if (entry)
                    QVHighScoreService::scoreMayHaveArrived(player_, entry->leaderboardId, entry->score);
        // A score the service refused for itself waits no more; the rest go again at once.
        if (std::optional<QVRefusedScore> refused = QVScoreTheServiceRefused(answer);
            refused && refused->index < batch_.size() && batch_[refused->index]) {
            QVSettleRefusedScore(player_, *batch_[refused->index], refused->why);
            QVHighScoreBatch rest = batch_;
            rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(refused->index));
            if (!rest.empty()) {
                sendAgain(rest, answer);
                return;
            }
        }
        if (std::optional<std::string> lacking = QVLeaderboardTheServiceLacks(answer)) {
            QVHighScoreBatch rest;
            for (const auto& entry : batch_)
                if (entry && entry->leaderboardId != *lacking)
                    rest.push_back(entry);
            if (rest.size() < batch_.size()) {
                QVRetireLeaderboard(*lacking);
                if (!rest.empty()) {
                    sendAgain(rest, answer);
                    return;
                }
            }
        }
        onFailure_.invoke(answer);
    }

private:
    // The rest goes again for the player who sent the batch only: signed
    // with another player's token it would be kept as theirs. It then waits
    // in the store for its own player's next login, and the caller hears the
    // failure.
    void sendAgain(QVHighScoreBatch& rest, platform::Object* answer)
    {
        if (QVUser::offlineRowsUserId() != player_) {
            sayTheyWaitForTheirPlayer(rest);
            onFailure_.invoke(answer);
            return;
        }
        QVHighScoreService::submitHighScoreBatch(rest, {}, message_, silently_, onSuccess_, onFailure_);
    }

    QVHighScoreBatch batch_;
    std::string player_;
    std::string message_;
    QVDelegate onSuccess_;
    QVDelegate onFailure_;
    bool silently_;
};

Ref<QVRequestHandle> submitThroughGameCenter(const QVHighScoreBatch& batch, QVSentBlobs* blobs, bool silently,
                                             const QVDelegate& onSuccess, const QVDelegate& onFailure,
                                             const std::optional<std::string>& message)
{
    QVHighScoreService& shared = QVHighScoreService::service();
    auto submission = QVGameCenterHighScore::initWithSeries(batch);
    submission->setSilently(silently);
    submission->setMessage(message);
    auto onItsWay = platform::adoptRef(new BatchOnItsWay(batch, onSuccess, onFailure));
    Ref<QVRequestHandle> handle = submission->submitOnSuccess(
        QVDelegate(onItsWay.get(), BRISKO_SELECTOR(BatchOnItsWay, succeeded)),
        QVDelegate(onItsWay.get(), BRISKO_SELECTOR(BatchOnItsWay, failed)),
        QVDelegate(&shared, BRISKO_SELECTOR(QVHighScoreService, _uploadBlobs), blobs));
    // No handle and no answer: nothing went (a player who has not approved the service).
    if (!handle)
        onItsWay->arrived();
    return handle;
}

// Where the piece of the batch that starts at `start` ends (one past its last
// score). Worked out for each piece when it goes, so a batch of thousands is
// measured a piece per answer, not all at once.
size_t pieceEnd(const QVHighScoreBatch& batch, size_t start)
{
    size_t count = 0, bytes = 0;
    for (size_t i = start; i < batch.size(); ++i) {
        const size_t entryBytes = batch[i] ? QVEncodedScoreBytes(*batch[i]) : 0;
        if (count > 0
            && (count == QVHighScoreService::kMaxScoresPerRequest
                || bytes + entryBytes > QVHighScoreService::kMaxRequestBytes))
            return i;
        ++count;
        bytes += entryBytes;
    }
    return batch.size();
}


// The pieces of one large batch, sent one after the other: the next piece
// goes when the one before is answered, so a server sees one request of the
// batch at a time. Each piece is answered (and its scores stored as sent) on
// its own; a failed piece does not stop the others. The caller hears once,
// after the last answer.
class BatchPieces final : public platform::Object {
public:
    BatchPieces(QVHighScoreBatch batch, Ref<QVSentBlobs> blobs, bool silently, std::optional<std::string> message,
                const QVDelegate& onSuccess, const QVDelegate& onFailure)
        : batch_(std::move(batch)), blobs_(std::move(blobs)), player_(QVUser::offlineRowsUserId()),
          message_(std::move(message)), onSuccess_(onSuccess), onFailure_(onFailure), silently_(silently)
    {
    }
    Ref<QVRequestHandle> sendNext()
    {
        if (next_ >= batch_.size())
            return nullptr;
        Ref<BatchPieces> keep(this);
        const size_t end = pieceEnd(batch_, next_);
        QVHighScoreBatch piece(std::make_move_iterator(batch_.begin() + static_cast<std::ptrdiff_t>(next_)),
                               std::make_move_iterator(batch_.begin() + static_cast<std::ptrdiff_t>(end)));
        next_ = end;
        // One notice for the whole batch: the pieces before the last go silently.
        return submitThroughGameCenter(piece, blobs_.get(), silently_ || next_ < batch_.size(),
                                       QVDelegate(this, BRISKO_SELECTOR(BatchPieces, pieceSucceeded)),
                                       QVDelegate(this, BRISKO_SELECTOR(BatchPieces, pieceFailed)), message_);
    }
    void pieceSucceeded(platform::Object* answer, platform::Object*)
    {
        if (auto* series = dynamic_cast<QVPaginatedSeries*>(answer))
            for (const auto& object : series->objects())
                answers_.push_back(object);
        pieceDone();
    }
    void pieceFailed(platform::Object*, platform::Object*)
    {
        failed_ = true;
        pieceDone();
    }

private:
    void pieceDone()
    {
        if (finished_)
            return;
        // The pieces left are the sender's: signed with another player's
        // token they would be kept as theirs, so they wait in the store.
        if (next_ < batch_.size() && QVUser::offlineRowsUserId() != player_) {
            sayTheyWaitForTheirPlayer(
                QVHighScoreBatch(batch_.begin() + static_cast<std::ptrdiff_t>(next_), batch_.end()));
            next_ = batch_.size();
            failed_ = true;
        }
        if (next_ < batch_.size()) {
            sendNext();
            return;
        }
        finished_ = true;
        if (failed_)
            onFailure_.invoke(nullptr);
        else
            onSuccess_.invoke(QVPaginatedSeries::paginatedSeriesFromArray(std::move(answers_)).get());
    }

    QVHighScoreBatch batch_; // the scores not sent yet from next_ on
    Ref<QVSentBlobs> blobs_; // of the whole batch, for each piece's answer
    std::string player_; // who sent the batch
    std::optional<std::string> message_;
    QVDelegate onSuccess_;
    QVDelegate onFailure_;
    QVPaginatedSeries::Objects answers_;
    size_t next_ { 0 };
    bool silently_;
    bool failed_ { false };
    bool finished_ { false };
};

} // namespace

Ref<QVRequestHandle> QVHighScoreService::submitHighScoreBatch(const QVHighScoreBatch& batch, bool silently,
                                                              const QVDelegate& onSuccess, const QVDelegate& onFailure,
                                                              const std::optional<std::string>& message)
{
    QVSessionRole::requireMainThread("QVHighScoreService::submitHighScoreBatch");
    // Scores without a leaderboard are dropped before the batch is cut, so no
    // piece is made of them alone (the server request would refuse it, and
    // the caller hear a failure for scores that all went out). A batch of
    // nothing else goes on whole, and fails where the request is built.
    QVHighScoreBatch valid;
    valid.reserve(batch.size());
    for (const auto& entry : batch)
        if (entry && !entry->leaderboardId.empty())
            valid.push_back(entry);
    Ref<QVSentBlobs> blobs = QVSentBlobs::ofEntries(valid);
    if (valid.empty())
        return submitThroughGameCenter(batch, blobs.get(), silently, onSuccess, onFailure, message);
    if (pieceEnd(valid, 0) == valid.size())
        return submitThroughGameCenter(valid, blobs.get(), silently, onSuccess, onFailure, message);
    auto sender = platform::adoptRef(new BatchPieces(std::move(valid), blobs, silently, message, onSuccess, onFailure));
    return sender->sendNext();
}

Ref<QVRequestHandle> QVHighScoreService::submitHighScoreBatch(QVHighScoreBatch& batch, const QVGameCenterDates& dates,
                                                              const std::string& message, bool silently,
                                                              const QVDelegate& onSuccess,
                                                              const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVHighScoreService::submitHighScoreBatch");
    batch.erase(std::remove_if(batch.begin(), batch.end(),
                               [](const Ref<QVHighScoreBatchEntry>& e) { return !e || e->leaderboardId.empty(); }),
                batch.end());
    for (auto& entry : batch) {
        auto date = dates.find(entry->leaderboardId);
        if (date != dates.end())
            entry->gameCenterDate = date->second;
    }
    if (batch.empty()) {
        onFailure.invoke(nullptr);
        return nullptr;
    }

    auto params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    QVSerializeHighScoreBatch(*params, batch);
    if (auto location = QVSessionRole::current().userLocation()) {
        double lat = location->first;
        double lng = location->second;
        params->io("lat", lat);
        params->io("lng", lng);
    }
    // The batch's notice is its message (category 4, type 1).
    Ref<platform::Object> notice = QVRequestUIRole::current().categorizedNotice(message, 4, 1);
    QVServiceEndpoint endpoint = kBatch;
    if (silently)
        endpoint.requestType = 0;
    auto unanswered = platform::adoptRef(new UnansweredBatch(batch, message, silently, onSuccess, onFailure));
    return service().send(endpoint, {}, params.get(), onSuccess,
                          QVDelegate(unanswered.get(), BRISKO_SELECTOR(UnansweredBatch, failed)), notice.get());
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
                && !mayScoreHaveArrived(userId, entry->leaderboardId, entry->score))
                pending.push_back(std::move(entry));
        }
    }
    if (pending.empty())
        return nullptr;
    return batchSetHighScores(pending, true, chained, onFailure, std::nullopt, true);
}

} // namespace quorvel
