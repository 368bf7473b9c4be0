// Score blobs: the blob pending per leaderboard until its score is sent, the
// blobs a sent batch carries until its answer, the upload to the storage host
// after the answer, downloads of other players' blobs, and the report of a
// blob the host no longer has.
#include "social/services/QVHighScoreService.h"

#include "platform/foundation/DateFormat.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVCloudStorageService.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVOfflineStore.h"
#include "social/runtime/QVSqlQuery.h"
#include "social/services/QVS3UploadParameters.h"
#include "social/services/QVSentBlobs.h"
#include "social/services/QVUser.h"

#include <cstring>
#include <set>
#include <tuple>
#include <vector>

namespace quorvel {

using platform::Ref;

namespace {

const QVServiceEndpoint kInvalidateBlob { "POST", "high_scores/%@/invalidate_blob.xml", 0, nullptr };

// The score's player, else the local player.
std::string ownerOf(const QVHighScore& score)
{
    if (score.user() && !score.user()->resourceId().empty())
        return score.user()->resourceId();
    return QVUser::offlineRowsUserId();
}

// Stored as synchronised now, with the given blob. A row that could not be
// marked is remembered as arrived: it must not go a second time.
void storeAnswered(const QVHighScore& score, const std::optional<platform::Bytes>& blob)
{
    if (!QVHighScoreService::localSetHighScore(score.score(), score.leaderboardId(), ownerOf(score),
                                               score.displayText(), score.customData(), blob, platform::dateNow(),
                                               false, nullptr, true))
        QVHighScoreService::scoreArrivedUnmarked(ownerOf(score), score.leaderboardId(), score.score());
}

// Whether the score's row took another blob since this one was sent (the
// same score given again with a newer blob): that blob's own batch settles
// the row, whichever answer or upload comes in last.
bool rowHoldsNewerBlob(const QVHighScore& score, const platform::Bytes& blob)
{
    sqlite3* db = QVOfflineStore::getOfflineDatabaseHandle();
    if (!db)
        return false;
    QVSqlQuery q(db, "SELECT blob FROM high_scores WHERE user_id = :user_id AND leaderboard_id = :leaderboard_id "
                     "AND score = :score AND blob IS NOT NULL");
    q.bind("user_id", ownerOf(score));
    q.bind("leaderboard_id", score.leaderboardId());
    q.bindInt64("score", score.score());
    if (!q.step())
        return false;
    QVSqlQuery::Blob held = q.getBlob("blob");
    return static_cast<size_t>(held.length) != blob.size() || (held.length > 0 && std::memcmp(held.bytes, blob.data(), blob.size()) != 0);
}

// Stored as synchronised with its blob, unless a newer blob waits in its row.
void storeAnsweredWithBlob(const QVHighScore& score, const platform::Bytes& blob)
{
    if (!rowHoldsNewerBlob(score, blob))
        storeAnswered(score, blob);
}

} // namespace

void QVHighScoreService::setPendingBlob(const platform::Bytes& blob, const std::string& leaderboardId, int64_t score)
{
    QVSessionRole::requireMainThread("QVHighScoreService::setPendingBlob");
    QVHighScoreService& shared = service();
    auto found = shared.pendingBlobIndex_.find(leaderboardId);
    if (found != shared.pendingBlobIndex_.end()) {
        shared.mPendingBlobs[found->second] = { leaderboardId, score, blob };
        return;
    }
    shared.pendingBlobIndex_.emplace(leaderboardId, shared.mPendingBlobs.size());
    shared.mPendingBlobs.push_back({ leaderboardId, score, blob });
}

void QVHighScoreService::removePendingBlobForLeaderboard(const std::string& leaderboardId)
{
    QVSessionRole::requireMainThread("QVHighScoreService::removePendingBlobForLeaderboard");
    QVHighScoreService& shared = service();
    auto found = shared.pendingBlobIndex_.find(leaderboardId);
    if (found == shared.pendingBlobIndex_.end())
        return;
    // The last blob takes the removed one's place: no shifting of the rest.
    auto& blobs = shared.mPendingBlobs;
    const size_t at = found->second;
    shared.pendingBlobIndex_.erase(found);
    if (at + 1 != blobs.size()) {
        blobs[at] = std::move(blobs.back());
        shared.pendingBlobIndex_[blobs[at].leaderboardId] = at;
    }
    blobs.pop_back();
}

std::optional<platform::Bytes> QVHighScoreService::getPendingBlobForLeaderboard(const std::string& leaderboardId,
                                                                                int64_t score)
{
    QVSessionRole::requireMainThread("QVHighScoreService::getPendingBlobForLeaderboard");
    QVHighScoreService& shared = service();
    auto found = shared.pendingBlobIndex_.find(leaderboardId);
    if (found == shared.pendingBlobIndex_.end() || shared.mPendingBlobs[found->second].score != score)
        return std::nullopt;
    return shared.mPendingBlobs[found->second].blob;
}

void QVHighScoreService::_uploadBlobs(platform::Object* object, platform::Object* sentBlobs)
{
    Ref<QVSentBlobs> sent(dynamic_cast<QVSentBlobs*>(sentBlobs));
    BRISKO_ASSERT(sent, "A score batch's answer came without the blobs its batch carries");
    auto* series = dynamic_cast<QVPaginatedSeries*>(object);
    if (!series)
        return;
    Ref<QVHighScoreService> keep(this);
    // The answered scores are stored in one transaction: one sync of the
    // store for the batch, not one per score.
    QVOfflineStore::Transaction transaction;
    // A blob goes up under an answered score the service gave a form for,
    // first; the same score answered again without a form (sent twice) then
    // leaves the row to that upload, which alone marks it sent.
    std::set<std::pair<std::string, int64_t>> uploading;
    std::vector<std::tuple<std::string, std::string, int64_t>> marked;
    for (bool withForm : { true, false })
        for (const auto& answered : series->objects()) {
            auto* score = dynamic_cast<QVHighScore*>(answered.get());
            if (!score || score->leaderboardId().empty() || (score->blobUploadParameters() != nullptr) != withForm)
                continue;
            const std::pair<std::string, int64_t> key { score->leaderboardId(), score->score() };
            std::optional<platform::Bytes> blob = sent->take(key.first, key.second);
            if (blob && withForm) {
                uploading.insert(key);
                uploadBlob(blob, score);
            } else if (uploading.count(key)) {
                continue;
            } else if (blob) {
                storeAnsweredWithBlob(*score, *blob);
                marked.emplace_back(ownerOf(*score), key.first, key.second);
            } else {
                storeAnswered(*score, std::nullopt);
                marked.emplace_back(ownerOf(*score), key.first, key.second);
            }
        }
    // A commit that fails leaves every row of the answer waiting as before.
    if (!transaction.commit())
        for (const auto& [player, leaderboardId, score] : marked)
            scoreArrivedUnmarked(player, leaderboardId, score);
}

void QVHighScoreService::uploadBlob(const std::optional<platform::Bytes>& blob, QVHighScore* highScore)
{
    QVSessionRole::requireMainThread("QVHighScoreService::uploadBlob");
    if (!highScore || !highScore->blobUploadParameters() || !blob)
        return;
    const auto& action = highScore->blobUploadParameters()->action();
    if (!action || action->empty())
        return;
    highScore->setBlob(blob);
    // On its way until the upload ends, either way (onBlobUploaded, onBlobUploadFailed).
    scoreSetOff(ownerOf(*highScore), highScore->leaderboardId(), highScore->score());
    QVHighScoreService& shared = service();
    QVCloudStorageService::uploadS3Blob(blob, highScore->blobUploadParameters().get(), highScore,
                                        QVDelegate(&shared, BRISKO_SELECTOR(QVHighScoreService, onBlobUploaded)),
                                        QVDelegate(&shared, BRISKO_SELECTOR(QVHighScoreService, onBlobUploadFailed)));
}

void QVHighScoreService::onBlobUploaded(platform::Object* object)
{
    auto* response = dynamic_cast<QVS3Response*>(object);
    auto* score = response ? dynamic_cast<QVHighScore*>(response->passThroughObject()) : nullptr;
    if (score && score->blob())
        storeAnsweredWithBlob(*score, *score->blob());
    if (score)
        scoreArrived(ownerOf(*score), score->leaderboardId(), score->score());
}

// The score was sent already; it stays without a blob on the server, and
// waiting with its blob in the store: the next login sends it again, blob
// and all, and only the upload of its blob marks it sent.
void QVHighScoreService::onBlobUploadFailed(platform::Object* object)
{
    auto* response = dynamic_cast<QVS3Response*>(object);
    if (auto* score = response ? dynamic_cast<QVHighScore*>(response->passThroughObject()) : nullptr)
        scoreArrived(ownerOf(*score), score->leaderboardId(), score->score());
}

Ref<QVRequestHandle> QVHighScoreService::downloadBlobForHighScore(QVHighScore* highScore, const QVDelegate& onSuccess,
                                                                  const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVHighScoreService::downloadBlobForHighScore");
    if (!highScore || !highScore->hasBlob()) {
        onFailure.invoke(nullptr);
        return nullptr;
    }
    if (highScore->blob()) {
        onSuccess.invoke(highScore);
        return nullptr;
    }
    QVHighScoreService& shared = service();
    return QVCloudStorageService::downloadS3Blob(
        *highScore->blobUrl(), highScore,
        QVDelegate(&shared, BRISKO_SELECTOR(QVHighScoreService, onBlobDownloaded), onSuccess),
        QVDelegate(&shared, BRISKO_SELECTOR(QVHighScoreService, onBlobFailedDownloading), onFailure));
}

void QVHighScoreService::onBlobDownloaded(platform::Object* object, platform::Object* nextCall)
{
    auto* response = dynamic_cast<QVS3Response*>(object);
    Ref<QVHighScore> score(response ? dynamic_cast<QVHighScore*>(response->passThroughObject()) : nullptr);
    if (score)
        score->setBlob(response->data());
    if (auto* chained = QVDelegateChained::from(nextCall))
        chained->invokeWith(score.get());
}

void QVHighScoreService::onBlobFailedDownloading(platform::Object* object, platform::Object* nextCall)
{
    auto* response = dynamic_cast<QVS3Response*>(object);
    if (response && response->statusCode() == 404)
        reportMissingBlobForHighScore(dynamic_cast<QVHighScore*>(response->passThroughObject()));
    if (auto* chained = QVDelegateChained::from(nextCall))
        chained->invoke();
}

void QVHighScoreService::reportMissingBlobForHighScore(QVHighScore* highScore)
{
    QVSessionRole::requireMainThread("QVHighScoreService::reportMissingBlobForHighScore");
    if (!highScore)
        return;
    service().send(kInvalidateBlob, { highScore->resourceId() }, nullptr, QVDelegate(), QVDelegate());
}

} // namespace quorvel
