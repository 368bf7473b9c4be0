// The Game Center and service double submission of a score batch.
#include "social/services/QVGameCenterHighScore.h"

#include "social/runtime/QVGameCenterRole.h"
#include "social/runtime/QVSessionRole.h"
#include "social/runtime/QVRequestUIRole.h"
#include "social/runtime/QVSessionRole.h"

namespace quorvel {

using platform::Ref;

Ref<QVGameCenterHighScore> QVGameCenterHighScore::initWithSeries(const QVHighScoreBatch& scores)
{
    auto g = platform::adoptRef(new QVGameCenterHighScore);
    g->scores_ = scores;
    return g;
}

Ref<QVRequestHandle> QVGameCenterHighScore::submitOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure,
                                                            const QVDelegate& onUploadBlob)
{
    Ref<QVGameCenterHighScore> keep(this);
    successDelegate_ = onSuccess;
    failureDelegate_ = onFailure;
    uploadBlobDelegate_ = onUploadBlob;

    if (scores_.empty()) {
        successDelegate_.invoke(nullptr);
        if (!silently_ && message_)
            QVRequestUIRole::current().showBackgroundNotice({ *message_, {}, 4, 4 });
        return nullptr;
    }

    quorvelStatus_ = kNotUsed;
    gameCenterStatus_ = kNotUsed;
    gameCenterCount_ = 0;
    QVGameCenterDates dates;
    // A player who declined the service has had these scores sent to Game
    // Center alone already, by every road that leads here: only once.
    if (QVSessionRole::current().hasUserApprovedQuorvel() && QVGameCenterRole::current().isLoggedIntoGameCenter()) {
        for (const auto& entry : scores_) {
            std::optional<std::string> category = QVGameCenterRole::current().gameCenterLeaderboardCategory(entry->leaderboardId);
            if (!category)
                continue;
            ++gameCenterCount_;
            gameCenterStatus_ = kPending;
            dates[entry->leaderboardId] = QVGameCenterRole::current().submitScoreToGameCenter(
                entry->score, *category, [keep](bool failed) { keep->gameCenterAnswered(failed); });
        }
    }

    quorvelStatus_ = kPending;
    QVHighScoreBatch copy = scores_;
    Ref<QVRequestHandle> handle = QVHighScoreService::submitHighScoreBatch(
        copy, dates, message_.value_or(QVHighScoreService::kDefaultBatchMessage), silently_,
        QVDelegate(this, BRISKO_SELECTOR(QVGameCenterHighScore, quorvelSuccess)),
        QVDelegate(this, BRISKO_SELECTOR(QVGameCenterHighScore, quorvelFailure)));
    return handle;
}

void QVGameCenterHighScore::gameCenterAnswered(bool failed)
{
    gameCenterReportAnswered(failed);
    testCompletion();
}

void QVGameCenterHighScore::quorvelSuccess(platform::Object* page)
{
    Ref<QVGameCenterHighScore> keep(this);
    quorvelAnswered(false);
    uploadBlobDelegate_.invoke(page);
    testCompletion(page);
}

void QVGameCenterHighScore::quorvelFailure(platform::Object* answer)
{
    Ref<QVGameCenterHighScore> keep(this);
    // The service refused some of the batch and kept the rest: those it kept
    // are stored as sent (their blobs uploaded) as a batch answered in full.
    if (auto* refused = dynamic_cast<QVRefusedHighScores*>(answer); refused && refused->restKept())
        uploadBlobDelegate_.invoke(refused->rest());
    quorvelAnswered(true);
    serviceFailure_ = answer;
    testCompletion();
}

void QVGameCenterHighScore::testCompletion(platform::Object* result)
{
    if (finished_ || quorvelStatus_ == kPending || gameCenterStatus_ == kPending)
        return;
    // One callback per submission, even when a late answer arrives after the end.
    finished_ = true;
    if (quorvelStatus_ == kFailed || gameCenterStatus_ == kFailed)
        failureDelegate_.invoke(quorvelStatus_ == kFailed ? serviceFailure_.get() : nullptr);
    else
        successDelegate_.invoke(result);
}

void QVSubmitHighScoreToGameCenterOnly::submitToGameCenterOnlyWithScores(const QVHighScoreBatch& scores)
{
    for (const auto& entry : scores) {
        if (std::optional<std::string> category = QVGameCenterRole::current().gameCenterLeaderboardCategory(entry->leaderboardId))
            QVGameCenterRole::current().submitScoreToGameCenter(entry->score, *category, nullptr);
    }
}

} // namespace quorvel
