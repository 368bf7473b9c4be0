// Score blobs: the blob pending per leaderboard until its batch is answered,
// the upload to the storage host after the answer, downloads of other
// players' blobs, and the report of a blob the host no longer has.
#include "social/services/QVHighScoreService.h"

#include "platform/foundation/DateFormat.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVCloudStorageService.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVS3UploadParameters.h"
#include "social/services/QVUser.h"

#include <algorithm>
#include <unordered_map>

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

void QVHighScoreService::_uploadBlobs(platform::Object* object, platform::Object*)
{
    auto* series = dynamic_cast<QVPaginatedSeries*>(object);
    if (!series)
        return;
    Ref<QVHighScoreService> keep(this);
    const auto& objects = series->objects();
    // Two scores of one leaderboard in one batch: the earlier one's answer
    // leaves the blob of the later one waiting for it. The last answer that
    // matches each pending blob is found once, before the answers are handled
    // (handling them only ever removes pending blobs).
    std::unordered_map<std::string, size_t> lastMatch;
    if (!mPendingBlobs.empty()) {
        for (size_t i = 0; i < objects.size(); ++i) {
            auto* score = dynamic_cast<QVHighScore*>(objects[i].get());
            if (!score)
                continue;
            auto pending = pendingBlobIndex_.find(score->leaderboardId());
            if (pending != pendingBlobIndex_.end() && mPendingBlobs[pending->second].score == score->score())
                lastMatch[score->leaderboardId()] = i;
        }
    }
    // The answered scores are stored in one transaction: one sync of the
    // store for the batch, not one per score.
    QVOfflineStore::Transaction transaction;
    for (size_t i = 0; i < objects.size(); ++i) {
        auto* score = dynamic_cast<QVHighScore*>(objects[i].get());
        if (!score || score->leaderboardId().empty())
            continue;
        std::optional<platform::Bytes> blob = getPendingBlobForLeaderboard(score->leaderboardId(), score->score());
        if (blob && score->blobUploadParameters())
            uploadBlob(blob, score);
        else
            storeAnswered(*score, blob);
        auto later = lastMatch.find(score->leaderboardId());
        if (later == lastMatch.end() || later->second <= i)
            removePendingBlobForLeaderboard(score->leaderboardId());
    }
    transaction.commit();
}

void QVHighScoreService::uploadBlob(const std::optional<platform::Bytes>& blob, QVHighScore* highScore)
{
    if (!highScore || !highScore->blobUploadParameters() || !blob)
        return;
    highScore->setBlob(blob);
    QVHighScoreService& shared = service();
    QVCloudStorageService::uploadS3Blob(blob, highScore->blobUploadParameters().get(), highScore,
                                        QVDelegate(&shared, BRISKO_SELECTOR(QVHighScoreService, onBlobUploaded)),
                                        QVDelegate(&shared, BRISKO_SELECTOR(QVHighScoreService, onBlobUploadFailed)));
}

void QVHighScoreService::onBlobUploaded(platform::Object* object)
{
    auto* response = dynamic_cast<QVS3Response*>(object);
    auto* score = response ? dynamic_cast<QVHighScore*>(response->passThroughObject()) : nullptr;
    if (score)
        storeAnswered(*score, score->blob());
}

// The score was sent already; it stays without a blob on the server, and
// unsynchronised with its blob in the store.
void QVHighScoreService::onBlobUploadFailed(platform::Object*) { }

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
