// The high-score batch on its way: a batch cut into pieces the service takes
// one after the other, the scores of a sent batch on their way until its
// answer, the rest of a batch the service partly refused sent again, and the
// server batch request itself.
#include "social/services/QVHighScoreService.h"

#include "platform/foundation/Log.h"
#include "social/runtime/OAuthAPIRequestLoader.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVGameCenterRole.h"
#include "social/runtime/QVRequestUIRole.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVGameCenterHighScore.h"
#include "social/services/QVGameCenterMap.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVScoreLimits.h"
#include "social/services/QVSentBlobs.h"
#include "social/services/QVUser.h"

#include <algorithm>
#include <utility>

namespace quorvel {

using platform::Ref;

namespace {

const QVServiceEndpoint kBatch { "POST", QVHighScoreService::kBatchPath, 1, nullptr };

} // namespace

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

// The rest of a batch some of whose scores were refused went on without
// them: however the rest is answered, its caller hears a failure that names
// them (with the rest's answer), never a success for scores not all kept.
class PartlyRefused final : public platform::Object, public QVCallbackable {
public:
    PartlyRefused(Ref<QVRefusedHighScores> refused, const QVDelegate& onFailure)
        : refused_(std::move(refused)), onFailure_(onFailure)
    {
    }
    bool canReceiveCallbacksNow() override { return true; }
    QVDelegate onRestSucceeded() { return QVDelegate(this, BRISKO_SELECTOR(PartlyRefused, restSucceeded)); }
    QVDelegate onRestFailed() { return QVDelegate(this, BRISKO_SELECTOR(PartlyRefused, restFailed)); }
    void restSucceeded(platform::Object* answer)
    {
        refused_->setRest(answer, true);
        onFailure_.invoke(refused_.get());
    }
    void restFailed(platform::Object* answer)
    {
        // The rest had a refused score of its own: both are named.
        if (auto* more = dynamic_cast<QVRefusedHighScores*>(answer))
            refused_->takeFrom(*more);
        else
            refused_->setRest(answer, false);
        onFailure_.invoke(refused_.get());
    }

private:
    Ref<QVRefusedHighScores> refused_;
    QVDelegate onFailure_;
};

// A batch the service never answered (the connection cut, the answer lost)
// may have been kept all the same: its scores wait for a login's list of
// bests rather than going again on another road. An answer, whatever its
// status, is the service's verdict; one that refuses the batch for a
// leaderboard the service does not have retires that board, one that refuses
// one of its scores settles that score, and the batch's other scores go again
// without them. The caller then hears a failure naming the refused scores
// (QVRefusedHighScores), once the rest is answered: the rest's scores the
// service kept are in it, for the caller to store as sent.
class UnansweredBatch final : public platform::Object, public QVCallbackable {
public:
    UnansweredBatch(const QVHighScoreBatch& batch, std::string message, bool silently, const QVDelegate& onFailure)
        : batch_(batch), player_(QVUser::offlineRowsUserId()), message_(std::move(message)), onFailure_(onFailure),
          silently_(silently)
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
        std::vector<QVRefusedHighScores::Refusal> refusals;
        QVHighScoreBatch rest;
        if (std::optional<QVRefusedScore> refused = QVScoreTheServiceRefused(answer);
            refused && refused->index < batch_.size() && batch_[refused->index]) {
            // A score the service refused for itself waits no more.
            QVSettleRefusedScore(player_, *batch_[refused->index], refused->why);
            refusals.push_back({ batch_[refused->index], refused->why });
            rest = batch_;
            rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(refused->index));
        } else if (std::optional<std::string> lacking = QVLeaderboardTheServiceLacks(answer)) {
            for (const auto& entry : batch_)
                if (entry && entry->leaderboardId == *lacking)
                    refusals.push_back({ entry, "the service has no leaderboard " + *lacking });
                else if (entry)
                    rest.push_back(entry);
            if (!refusals.empty())
                QVRetireLeaderboard(*lacking);
        }
        if (refusals.empty()) {
            onFailure_.invoke(answer);
            return;
        }
        Ref<QVRefusedHighScores> named = QVRefusedHighScores::create(std::move(refusals));
        if (rest.empty()) {
            onFailure_.invoke(named.get());
            return;
        }
        sendAgain(rest, named);
    }

private:
    // The rest goes again for the player who sent the batch only: signed
    // with another player's token it would be kept as theirs. It then waits
    // in the store for its own player's next login, and the caller hears the
    // failure.
    void sendAgain(QVHighScoreBatch& rest, const Ref<QVRefusedHighScores>& named)
    {
        if (QVUser::offlineRowsUserId() != player_) {
            sayTheyWaitForTheirPlayer(rest);
            onFailure_.invoke(named.get());
            return;
        }
        auto partly = platform::adoptRef(new PartlyRefused(named, onFailure_));
        QVHighScoreService::submitHighScoreBatch(rest, {}, message_, silently_, partly->onRestSucceeded(),
                                                 partly->onRestFailed());
    }

    QVHighScoreBatch batch_;
    std::string player_;
    std::string message_;
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
        // The pieces not sent yet are on their way too: a login meanwhile
        // sends no score of theirs again.
        hold(batch_.begin(), batch_.end(), true);
    }
    ~BatchPieces() override { hold(batch_.begin() + static_cast<std::ptrdiff_t>(next_), batch_.end(), false); }
    Ref<QVRequestHandle> sendNext()
    {
        if (next_ >= batch_.size())
            return nullptr;
        Ref<BatchPieces> keep(this);
        const size_t end = pieceEnd(batch_, next_);
        QVHighScoreBatch piece(std::make_move_iterator(batch_.begin() + static_cast<std::ptrdiff_t>(next_)),
                               std::make_move_iterator(batch_.begin() + static_cast<std::ptrdiff_t>(end)));
        next_ = end;
        // From here the piece's own request holds its scores.
        hold(piece.begin(), piece.end(), false);
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
    void pieceFailed(platform::Object* answer, platform::Object*)
    {
        failed_ = true;
        // A piece the service partly refused: its refused scores are named to
        // the caller, and what it kept of the piece counts among the answers.
        if (auto* refused = dynamic_cast<QVRefusedHighScores*>(answer)) {
            refusals_.insert(refusals_.end(), refused->refusals().begin(), refused->refusals().end());
            if (refused->restKept())
                pieceSucceeded(refused->rest(), nullptr);
            else
                pieceDone();
            return;
        }
        otherFailure_ = true;
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
            const auto rest = batch_.begin() + static_cast<std::ptrdiff_t>(next_);
            sayTheyWaitForTheirPlayer(QVHighScoreBatch(rest, batch_.end()));
            hold(rest, batch_.end(), false);
            next_ = batch_.size();
            failed_ = true;
        }
        if (next_ < batch_.size()) {
            sendNext();
            return;
        }
        finished_ = true;
        Ref<QVPaginatedSeries> answered = QVPaginatedSeries::paginatedSeriesFromArray(std::move(answers_));
        if (!refusals_.empty()) {
            Ref<QVRefusedHighScores> named = QVRefusedHighScores::create(std::move(refusals_));
            named->setRest(answered.get(), !otherFailure_);
            onFailure_.invoke(named.get());
        } else if (failed_) {
            onFailure_.invoke(nullptr);
        } else {
            onSuccess_.invoke(answered.get());
        }
    }

    void hold(QVHighScoreBatch::const_iterator from, QVHighScoreBatch::const_iterator to, bool onTheirWay) const
    {
        if (!QVHighScoreService::sharedService())
            return;
        for (auto it = from; it != to; ++it)
            if (*it) {
                if (onTheirWay)
                    QVHighScoreService::scoreSetOff(player_, (*it)->leaderboardId, (*it)->score);
                else
                    QVHighScoreService::scoreArrived(player_, (*it)->leaderboardId, (*it)->score);
            }
    }

    QVHighScoreBatch batch_; // the scores not sent yet from next_ on
    Ref<QVSentBlobs> blobs_; // of the whole batch, for each piece's answer
    std::string player_; // who sent the batch
    std::optional<std::string> message_;
    QVDelegate onSuccess_;
    QVDelegate onFailure_;
    QVPaginatedSeries::Objects answers_;
    std::vector<QVRefusedHighScores::Refusal> refusals_; // of every piece
    size_t next_ { 0 };
    bool silently_;
    bool failed_ { false };
    bool otherFailure_ { false }; // a piece failed for more than refused scores
    bool finished_ { false };
};

} // namespace

Ref<QVRequestHandle> QVHighScoreService::submitHighScoreBatch(const QVHighScoreBatch& batch, bool silently,
                                                              const QVDelegate& onSuccess, const QVDelegate& onFailure,
                                                              const std::optional<std::string>& message)
{
    QVSessionRole::requireMainThread("QVHighScoreService::submitHighScoreBatch");
    return submitHighScoreBatchWithout(batch, {}, silently, onSuccess, onFailure, message);
}

Ref<QVRequestHandle> QVHighScoreService::submitHighScoreBatchWithout(const QVHighScoreBatch& batch,
                                                                     std::vector<QVRefusedHighScores::Refusal> refusals,
                                                                     bool silently, const QVDelegate& onSuccess,
                                                                     const QVDelegate& onFailure,
                                                                     const std::optional<std::string>& message)
{
    // Scores without a leaderboard are dropped before the batch is cut, so no
    // piece is made of them alone (the server request would refuse it, and
    // the caller hear a failure for scores that all went out). A batch of
    // nothing else goes on whole, and fails where the request is built. A
    // score the service could never take is refused here, as a single score
    // is at its call; the rest goes without it.
    QVHighScoreBatch valid;
    valid.reserve(batch.size());
    for (const auto& entry : batch) {
        if (!entry || entry->leaderboardId.empty())
            continue;
        if (std::string why = QVWhyScoreCannotBeSent(*entry); !why.empty()) {
            platform::logWarning("Quorvel: %s; the score was not sent", why.c_str());
            refusals.push_back({ entry, std::move(why) });
            continue;
        }
        valid.push_back(entry);
    }
    QVDelegate succeeded = onSuccess, failed = onFailure;
    if (!refusals.empty()) {
        Ref<QVRefusedHighScores> named = QVRefusedHighScores::create(std::move(refusals));
        if (valid.empty()) {
            onFailure.invoke(named.get());
            return nullptr;
        }
        auto partly = platform::adoptRef(new PartlyRefused(named, onFailure));
        succeeded = partly->onRestSucceeded();
        failed = partly->onRestFailed();
    }
    Ref<QVSentBlobs> blobs = QVSentBlobs::ofEntries(valid);
    if (valid.empty())
        return submitThroughGameCenter(batch, blobs.get(), silently, succeeded, failed, message);
    if (pieceEnd(valid, 0) == valid.size())
        return submitThroughGameCenter(valid, blobs.get(), silently, succeeded, failed, message);
    auto sender = platform::adoptRef(new BatchPieces(std::move(valid), blobs, silently, message, succeeded, failed));
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
    auto unanswered = platform::adoptRef(new UnansweredBatch(batch, message, silently, onFailure));
    return service().send(endpoint, {}, params.get(), onSuccess,
                          QVDelegate(unanswered.get(), BRISKO_SELECTOR(UnansweredBatch, failed)), notice.get());
}

} // namespace quorvel
