// The high-score record: its XML fields, the store row reader, the Game
// Center conversions, and the public class's submission and blob download.
#include "social/services/QVHighScore.h"

#include "platform/foundation/Format.h"
#include "platform/gamekit/GameCenter.h"
#include "social/runtime/QVSessionRole.h"
#include "social/runtime/QVSqlQuery.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVLeaderboard.h"
#include "social/services/QVS3UploadParameters.h"
#include "social/services/QVUser.h"

namespace quorvel {

using platform::Ref;

void QVHighScore::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVHighScore> f(map);
    f.custom("score", &QVHighScore::_setScore);
    f.custom("rank", &QVHighScore::setRank);
    f.custom("leaderboard_id", &QVHighScore::setLeaderboardId);
    f.custom("display_text", &QVHighScore::_setDisplayText);
    f.custom("to_high_rank_text", &QVHighScore::setToHighRankText);
    f.custom("custom_data", &QVHighScore::_setCustomData);
    f.custom("blob_url", &QVHighScore::setBlobUrl);
    f.custom("lat", &QVHighScore::setLatitude);
    f.custom("lng", &QVHighScore::setLongitude);
    f.custom("distance", &QVHighScore::setDistance);
    f.custom("gamecenter_timestamp", &QVHighScore::setGameCenterSeconds);
    f.nested("user", &QVHighScore::user_);
    f.nested("blob_upload_parameters", &QVHighScore::blobUploadParameters_);
}

void QVHighScore::setBlobUploadParameters(Ref<QVS3UploadParameters> parameters)
{
    blobUploadParameters_ = std::move(parameters);
}

QVService* QVHighScore::getService() { return QVHighScoreService::sharedService(); }

Ref<QVHighScore> QVHighScore::initForSubmissionWithScore(int64_t score)
{
    auto s = create();
    s->score_ = score;
    return s;
}

Ref<QVHighScore> QVHighScore::initWithLocalSQL(const QVSqlQuery& row, Ref<QVUser> user, int rank)
{
    auto s = create();
    s->user_ = std::move(user);
    s->leaderboardId_ = platform::format("%d", row.getInt("leaderboard_id"));
    s->score_ = row.getInt64("score");
    std::optional<std::string> display = row.getString("display_text");
    if (display && !display->empty())
        s->displayText_ = std::move(display);
    QVSqlQuery::Blob blob = row.getBlob("blob");
    if (blob.length > 0 && blob.bytes) {
        auto* bytes = static_cast<const uint8_t*>(blob.bytes);
        s->blob_ = platform::Bytes(bytes, bytes + blob.length);
    }
    if (std::optional<std::string> custom = row.getString("custom_data"))
        s->customData_ = std::move(custom);
    s->rank_ = rank;
    s->setResourceId("1");
    return s;
}

Ref<QVHighScore> QVHighScore::initWithGkScore(const platform::gamekit::Score& score, int rank)
{
    auto s = create();
    s->displayText_ = score.formattedValue;
    s->score_ = score.value;
    s->rank_ = rank;
    s->gameCenterId_ = score.playerID;
    return s;
}

Ref<QVHighScore> QVHighScore::initWithQvScore(const QVHighScore& other, int rank)
{
    auto s = create();
    s->user_ = other.user_;
    s->setResourceId(other.resourceId());
    s->score_ = other.score_;
    s->leaderboardId_ = other.leaderboardId_;
    s->displayText_ = other.displayText_;
    s->customData_ = other.customData_;
    s->blob_ = other.blob_;
    s->blobUrl_ = other.blobUrl_;
    s->blobUploadParameters_ = other.blobUploadParameters_;
    s->toHighRankText_ = other.toHighRankText_;
    s->gameCenterSeconds_ = other.gameCenterSeconds_;
    s->latitude_ = other.latitude_;
    s->longitude_ = other.longitude_;
    s->distance_ = other.distance_;
    s->rank_ = rank;
    return s;
}

std::string QVHighScore::displayText() const
{
    return displayText_ ? *displayText_ : platform::format("%lld", static_cast<long long>(score_));
}

std::string QVHighScore::description() const
{
    return platform::format("<QVHighScore %p> score %ld", static_cast<const void*>(this), static_cast<long>(score_));
}

void QVHighScore::setDelegate(QVHighScoreDelegate* delegate)
{
    QVSessionRole::requireMainThread("QVHighScore::setDelegate");
    QVHighScoreClass::setDelegate(delegate);
}
QVHighScoreDelegate* QVHighScore::delegate()
{
    QVSessionRole::requireMainThread("QVHighScore::delegate");
    return QVHighScoreClass::delegate();
}

std::vector<Ref<QVResource>> QVHighScore::allHighScoresForCurrentUser()
{
    QVSessionRole::requireMainThread("QVHighScore::allHighScoresForCurrentUser");
    std::vector<Ref<QVResource>> scores;
    for (const auto& board : QVLeaderboard::leaderboards()) {
        if (board->currentUserScore())
            scores.emplace_back(board->currentUserScore());
    }
    return scores;
}

void QVHighScore::submitTo(const QVLeaderboard& leaderboard)
{
    QVSessionRole::requireMainThread("QVHighScore::submitTo");
    Ref<QVHighScore> keep(this);
    QVHighScoreService::setHighScoreWithBlob(score_, displayText(), customData_, blob_, leaderboard.leaderboardId(),
                                             false, false,
                                             QVDelegate(this, BRISKO_SELECTOR(QVHighScore, _submitSucceeded)),
                                             QVDelegate(this, BRISKO_SELECTOR(QVHighScore, _submitFailed)));
}

void QVHighScore::_submitSucceeded(platform::Object*)
{
    Ref<QVHighScore> keep(this);
    QVHighScoreClass::notify([&](QVHighScoreDelegate& d) { d.didSubmit(this); });
}

void QVHighScore::_submitFailed(platform::Object*)
{
    Ref<QVHighScore> keep(this);
    QVHighScoreClass::notify([&](QVHighScoreDelegate& d) { d.didFailSubmit(this); });
}

Ref<QVRequestHandle> QVHighScore::downloadBlob()
{
    QVSessionRole::requireMainThread("QVHighScore::downloadBlob");
    Ref<QVHighScore> keep(this);
    if (!hasBlob()) {
        QVHighScoreClass::notify([&](QVHighScoreDelegate& d) { d.didFailDownloadBlob(this); });
        return nullptr;
    }
    if (blob_) {
        QVHighScoreClass::notify([&](QVHighScoreDelegate& d) { d.didDownloadBlob(this); });
        return nullptr;
    }
    return QVHighScoreClass::file(QVHighScoreService::downloadBlobForHighScore(
        this, QVDelegate(this, BRISKO_SELECTOR(QVHighScore, _downloadBlobSucceeded)),
        QVDelegate(this, BRISKO_SELECTOR(QVHighScore, _downloadBlobFailed))));
}

void QVHighScore::_downloadBlobSucceeded(platform::Object*)
{
    Ref<QVHighScore> keep(this);
    QVHighScoreClass::notify([&](QVHighScoreDelegate& d) { d.didDownloadBlob(this); });
}

void QVHighScore::_downloadBlobFailed(platform::Object*)
{
    Ref<QVHighScore> keep(this);
    QVHighScoreClass::notify([&](QVHighScoreDelegate& d) { d.didFailDownloadBlob(this); });
}

} // namespace quorvel
