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
#include "social/services/QVS3UploadParameters.h"
#include "social/services/QVUser.h"

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

// Stored as synchronised now, with the given blob.
void storeAnswered(const QVHighScore& score, const std::optional<platform::Bytes>& blob)
{
    QVHighScoreService::localSetHighScore(score.score(), score.leaderboardId(), ownerOf(score), score.displayText(),
                                          score.customData(), blob, platform::dateNow(), false, nullptr, true);
}

} // namespace

void QVHighScoreService::setPendingBlob(const platform::Bytes& blob, const std::string& leaderboardId, int64_t score)
{
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
    QVHighScoreService& shared = service();
    auto found = shared.pendingBlobIndex_.find(leaderboardId);
    if (found == shared.pendingBlobIndex_.end() || shared.mPendingBlobs[found->second].score != score)
        return std::nullopt;
    return shared.mPendingBlobs[found->second].blob;
}

Ref<QVSentBlobs> QVHighScoreService::takePendingBlobs(const QVHighScoreBatch& batch)
{
    auto sent = QVSentBlobs::create();
    QVHighScoreService& shared = service();
    if (shared.mPendingBlobs.empty())
        return sent;
    for (const auto& entry : batch) {
        if (!entry)
            continue;
        auto found = shared.pendingBlobIndex_.find(entry->leaderboardId);
        if (found == shared.pendingBlobIndex_.end() || shared.mPendingBlobs[found->second].score != entry->score)
            continue;
        sent->set(entry->leaderboardId, entry->score, std::move(shared.mPendingBlobs[found->second].blob));
        removePendingBlobForLeaderboard(entry->leaderboardId);
    }
    return sent;
}

Ref<QVSentBlobs> QVSentBlobs::ofEntries(const QVHighScoreBatch& batch)
{
    auto sent = create();
    for (const auto& entry : batch) {
        if (!entry)
            continue;
        if (entry->blob)
            sent->set(entry->leaderboardId, entry->score, *entry->blob);
        else
            sent->remove(entry->leaderboardId);
    }
    return sent;
}

void QVSentBlobs::set(const std::string& leaderboardId, int64_t score, platform::Bytes blob)
{
    blobs_[leaderboardId] = { score, std::move(blob) };
}

std::optional<platform::Bytes> QVSentBlobs::take(const std::string& leaderboardId, int64_t score)
{
    auto found = blobs_.find(leaderboardId);
    if (found == blobs_.end() || found->second.first != score)
        return std::nullopt;
    std::optional<platform::Bytes> blob = std::move(found->second.second);
    blobs_.erase(found);
    return blob;
}

void QVHighScoreService::_uploadBlobs(platform::Object* object, platform::Object* sentBlobs)
{
    auto* series = dynamic_cast<QVPaginatedSeries*>(object);
    if (!series)
        return;
    Ref<QVHighScoreService> keep(this);
    Ref<QVSentBlobs> sent(dynamic_cast<QVSentBlobs*>(sentBlobs));
    // The answered scores are stored in one transaction: one sync of the
    // store for the batch, not one per score.
    QVOfflineStore::Transaction transaction;
    for (const auto& answered : series->objects()) {
        auto* score = dynamic_cast<QVHighScore*>(answered.get());
        if (!score || score->leaderboardId().empty())
            continue;
        std::optional<platform::Bytes> blob = sent ? sent->take(score->leaderboardId(), score->score()) : std::nullopt;
        if (blob && score->blobUploadParameters())
            uploadBlob(blob, score);
        else
            storeAnswered(*score, blob);
    }
    transaction.commit();
}

void QVHighScoreService::uploadBlob(const std::optional<platform::Bytes>& blob, QVHighScore* highScore)
{
    if (!highScore || !highScore->blobUploadParameters() || !blob)
        return;
    const auto& action = highScore->blobUploadParameters()->action();
    if (!action || action->empty())
        return;
    highScore->setBlob(blob);
    // On its way until the upload ends, either way (onBlobUploaded, onBlobUploadFailed).
    scoreSetOff(highScore->leaderboardId(), highScore->score());
    QVHighScoreService& shared = service();
    QVCloudStorageService::uploadS3Blob(blob, highScore->blobUploadParameters().get(), highScore,
                                        QVDelegate(&shared, BRISKO_SELECTOR(QVHighScoreService, onBlobUploaded)),
                                        QVDelegate(&shared, BRISKO_SELECTOR(QVHighScoreService, onBlobUploadFailed)));
}

void QVHighScoreService::onBlobUploaded(platform::Object* object)
{
    auto* response = dynamic_cast<QVS3Response*>(object);
    auto* score = response ? dynamic_cast<QVHighScore*>(response->passThroughObject()) : nullptr;
    if (score) {
        storeAnswered(*score, score->blob());
        scoreArrived(score->leaderboardId(), score->score());
    }
}

// The score was sent already; it stays without a blob on the server, and
// unsynchronised with its blob in the store.
void QVHighScoreService::onBlobUploadFailed(platform::Object* object)
{
    auto* response = dynamic_cast<QVS3Response*>(object);
    if (auto* score = response ? dynamic_cast<QVHighScore*>(response->passThroughObject()) : nullptr)
        scoreArrived(score->leaderboardId(), score->score());
}

Ref<QVRequestHandle> QVHighScoreService::downloadBlobForHighScore(QVHighScore* highScore, const QVDelegate& onSuccess,
                                                                  const QVDelegate& onFailure)
{
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
    if (!highScore)
        return;
    service().send(kInvalidateBlob, { highScore->resourceId() }, nullptr, QVDelegate(), QVDelegate());
}

} // namespace quorvel
