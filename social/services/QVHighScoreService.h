// QVHighScoreService: takes the game's scores. Every score is written to the
// offline store first — the best ten per player and leaderboard, in the
// leaderboard's order — and the store's verdict reaches the caller's callbacks
// before the call returns. A score the store marks for submission is queued
// while the player is online and sent a moment later (QVHighScoreBatchEntry,
// one POST per run of scores taken within 0.05 s), mirrored to Game Center
// first where the leaderboard maps to a Game Center category; a score taken
// offline waits in the store (server_sync_at NULL) until sendPendingHighScores
// runs after the next login.
//
// A score's blob goes with its batch and is uploaded under its own score once
// the batch is answered; until it has reached the storage host the score
// waits in the store with it, through failed uploads and the login's list,
// and goes again after the next login.
//
// Each local write (insert, trim, pending mark and the aggregate parents' own
// writes) runs inside one SAVEPOINT: a crash leaves the score whole or absent.
// Main thread only: the store's statements are shared, and every public entry
// point asks the client's one guard first (QVSessionRole::requireMainThread).
#pragma once

#include "social/runtime/QVISerializer.h"
#include "platform/foundation/RunLoop.h"
#include "social/runtime/QVService.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform::ui {
class Location;
}

namespace quorvel {

class QVHighScore;
class QVUser;

// One score of a batch, on every submission road.
class QVHighScoreBatchEntry : public platform::Object {
public:
    static platform::Ref<QVHighScoreBatchEntry> create() { return platform::adoptRef(new QVHighScoreBatchEntry); }
    static platform::Ref<QVHighScoreBatchEntry> create(std::string leaderboardId, int64_t score,
                                                       std::optional<std::string> displayText = std::nullopt,
                                                       std::optional<std::string> customData = std::nullopt,
                                                       std::optional<platform::Bytes> blob = std::nullopt);
    // Reads the fields through the serializer.
    explicit QVHighScoreBatchEntry(QVISerializer& serializer) { serialize(serializer); }

    // leaderboard_id, score, display_text and custom_data when set, has_blob,
    // and gamecenter_timestamp (whole seconds, unsigned 32-bit) when set.
    void serialize(QVISerializer& serializer);

    std::string leaderboardId;
    std::optional<std::string> displayText;
    std::optional<std::string> customData;
    std::optional<platform::Bytes> blob;
    std::optional<platform::Date> gameCenterDate;
    int64_t score { 0 };

    std::string className() const override { return "QVHighScoreBatchEntry"; }

private:
    QVHighScoreBatchEntry() = default;
};

using QVHighScoreBatch = std::vector<platform::Ref<QVHighScoreBatchEntry>>;
// Game Center's date of each mirrored score, by leaderboard id.
using QVGameCenterDates = std::map<std::string, platform::Date>;

// The batch as the array "high_scores" of "entry" elements.
void QVSerializeHighScoreBatch(QVISerializer& serializer, QVHighScoreBatch& batch);

// The failure value of a batch some of whose scores were refused (at the
// call, past what the service takes or by the store; or by the service, a
// score it named or every score on a leaderboard it no longer has) while the
// rest went on without them: the caller hears this failure once the rest is
// answered, or at once when nothing else went.
class QVRefusedHighScores final : public platform::Object {
public:
    struct Refusal {
        platform::Ref<QVHighScoreBatchEntry> entry;
        std::string why;
    };
    static platform::Ref<QVRefusedHighScores> create(std::vector<Refusal> refusals)
    {
        return platform::adoptRef(new QVRefusedHighScores(std::move(refusals)));
    }
    const std::vector<Refusal>& refusals() const { return refusals_; }
    // The answer to the rest of the batch: the scores the service kept (a
    // QVPaginatedSeries) when restKept(), else its failure's value; null when
    // nothing else went.
    platform::Object* rest() const { return rest_.get(); }
    bool restKept() const { return restKept_; }
    void setRest(platform::Object* answer, bool kept)
    {
        rest_ = answer;
        restKept_ = kept;
    }
    // These refusals and those of `other`, with its rest's answer.
    void takeFrom(const QVRefusedHighScores& other)
    {
        refusals_.insert(refusals_.end(), other.refusals_.begin(), other.refusals_.end());
        setRest(other.rest_.get(), other.restKept_);
    }
    std::string className() const override { return "QVRefusedHighScores"; }

private:
    explicit QVRefusedHighScores(std::vector<Refusal> refusals) : refusals_(std::move(refusals)) { }
    std::vector<Refusal> refusals_;
    platform::Ref<platform::Object> rest_;
    bool restKept_ { false };
};

class QVHighScoreService : public QVSharedService<QVHighScoreService> {
public:
    static constexpr const char* kBatchPath = "client_applications/@me/high_scores.xml";
    static constexpr const char* kDefaultBatchMessage = "Submitted High Scores";
    static constexpr const char* kNewHighScore = "New high score!";
    static constexpr const char* kNewHighScoreSavedLocally = "New high score! Saving locally.";
    static constexpr const char* kNoticeImage = "HighScoreNotificationIcon.png";
    static constexpr double kDispatchDelay = static_cast<double>(0.05f);
    // Taken online, a blob longer than this stays in the store and is not
    // uploaded (nor announced to the service: has_blob 0). Other roads upload
    // a stored blob of any accepted length.
    static constexpr size_t kMaxUploadedBlob = 51200;
    // The longest blob a score takes: what a reader expands a fetched blob
    // to at most (its stored form then stays within the storage host's form
    // limit too). A longer one could never be read back: the score is
    // refused when it is given, and the log says why.
    static constexpr size_t kMaxBlob = 1024 * 1024;

    void populateKnownResources(QVResourceNameMap& names) override;

    // -- score queries (QVHighScoreQueries.cpp). Every one is a GET of pages of
    // high_score records handed to the success value as a QVPaginatedSeries.
    static constexpr const char* kDownloadedHighScores = "Downloaded High Scores";
    static constexpr int kDefaultQueryPageSize = 25;
    // A page of a leaderboard: everyone or friends only, optionally compared
    // with another player ("" for none) and limited to a time scope (0 for
    // all time). Each short form fills in the rest and calls the full one.
    static platform::Ref<QVRequestHandle> getPage(int page, const std::string& leaderboardId, bool friendsOnly,
                                                  const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> getPage(int page, const std::string& leaderboardId, bool friendsOnly,
                                                  bool silently, const QVDelegate& onSuccess,
                                                  const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> getPage(int page, const std::string& leaderboardId,
                                                  const std::string& comparedToUserId, bool friendsOnly,
                                                  bool silently, const QVDelegate& onSuccess,
                                                  const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> getPage(int page, const std::string& leaderboardId,
                                                  const std::string& comparedToUserId, bool friendsOnly,
                                                  bool silently, unsigned int timeScope, const QVDelegate& onSuccess,
                                                  const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> getPage(int page, int pageSize, const std::string& leaderboardId,
                                                  const std::string& comparedToUserId, bool friendsOnly,
                                                  bool silently, unsigned int timeScope, const QVDelegate& onSuccess,
                                                  const QVDelegate& onFailure);
    // The page that holds the local player.
    static platform::Ref<QVRequestHandle> getPageWithLoggedInUser(const std::string& leaderboardId,
                                                                  const QVDelegate& onSuccess,
                                                                  const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> getPageWithLoggedInUser(int pageSize, const std::string& leaderboardId,
                                                                  const QVDelegate& onSuccess,
                                                                  const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> getPageWithLoggedInUser(int pageSize, const std::string& leaderboardId,
                                                                  bool silently, const QVDelegate& onSuccess,
                                                                  const QVDelegate& onFailure);
    // The local player's scores on every leaderboard; the notice is the
    // message, "Downloaded High Scores" without one.
    static void getAllHighScoresForLoggedInUser(const QVDelegate& onSuccess, const QVDelegate& onFailure,
                                                const std::optional<std::string>& message);
    // Scores near a place (null: wherever the server places the player);
    // radius 0 and no map mode are left out.
    static void getHighScoresFromLocation(const platform::ui::Location* location, int radius, int page,
                                          const std::string& leaderboardId, const QVDelegate& onSuccess,
                                          const QVDelegate& onFailure);
    static void getHighScoresFromLocation(const platform::ui::Location* location, int radius, int page,
                                          const std::string& leaderboardId,
                                          const std::optional<std::string>& userMapMode,
                                          const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // A page of the scores from startScore on in steps of scoreDelta; the
    // values travel in the path.
    static platform::Ref<QVRequestHandle> getDistributedHighScoresAtPage(int page, int pageSize, int scoreDelta,
                                                                         int startScore,
                                                                         const std::string& leaderboardId,
                                                                         const QVDelegate& onSuccess,
                                                                         const QVDelegate& onFailure);

    // -- single scores: each short form fills in the rest and calls the full one.
    static void setHighScore(int64_t score, const std::string& leaderboardId, const QVDelegate& onSuccess,
                             const QVDelegate& onFailure);
    static void setHighScoreSilently(int64_t score, const std::string& leaderboardId, bool silently,
                                     const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static void setHighScoreWithDisplayText(int64_t score, const std::optional<std::string>& displayText,
                                            const std::string& leaderboardId, const QVDelegate& onSuccess,
                                            const QVDelegate& onFailure);
    static void setHighScoreWithDisplayTextSilently(int64_t score, const std::optional<std::string>& displayText,
                                                    const std::string& leaderboardId, bool silently,
                                                    const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static void setHighScoreWithCustomData(int64_t score, const std::optional<std::string>& displayText,
                                           const std::optional<std::string>& customData,
                                           const std::string& leaderboardId, bool silently,
                                           const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static void setHighScoreWithCustomDataDeferred(int64_t score, const std::optional<std::string>& displayText,
                                                   const std::optional<std::string>& customData,
                                                   const std::string& leaderboardId, bool silently, bool deferred,
                                                   const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // The full form.
    static void setHighScoreWithBlob(int64_t score, const std::optional<std::string>& displayText,
                                     const std::optional<std::string>& customData,
                                     const std::optional<platform::Bytes>& blob, const std::string& leaderboardId,
                                     bool silently, bool deferred, const QVDelegate& onSuccess,
                                     const QVDelegate& onFailure);

    // -- batches (the vector may be shortened)
    static platform::Ref<QVRequestHandle> batchSetHighScores(QVHighScoreBatch& batch, const QVDelegate& onSuccess,
                                                             const QVDelegate& onFailure,
                                                             const std::optional<std::string>& message);
    static platform::Ref<QVRequestHandle> batchSetHighScores(QVHighScoreBatch& batch, bool silently,
                                                             const QVDelegate& onSuccess, const QVDelegate& onFailure,
                                                             const std::optional<std::string>& message,
                                                             bool fromSynch = false);
    // A large batch goes out in pieces, one POST each (docs/wire-format.md):
    // at most this many scores, whose parameters take at most about
    // kMaxRequestBytes once encoded (a larger single score goes alone). A
    // server's limit on a request's size then cannot strand the whole batch,
    // and a failed piece leaves only its own scores pending.
    static constexpr size_t kMaxScoresPerRequest = 50;
    static constexpr size_t kMaxRequestBytes = 6144;
    // Game Center first, then the server; a large batch in pieces sent one
    // after the other, whose caller hears once, when every piece is answered
    // (success with the answers' scores together, failure when a piece
    // failed). The handle is that of the first piece. Each entry's blob goes
    // with the batch (QVSentBlobs) and is uploaded under its own score once
    // the batch is answered. A score the service could never take (see
    // QVScoreLimits.h) is refused here, as a single score is at its call,
    // and so is one the service refuses: the rest goes without it, and the
    // caller hears a failure naming it (QVRefusedHighScores), once.
    static platform::Ref<QVRequestHandle> submitHighScoreBatch(const QVHighScoreBatch& batch, bool silently,
                                                               const QVDelegate& onSuccess,
                                                               const QVDelegate& onFailure,
                                                               const std::optional<std::string>& message);
    // The server batch: entries without a leaderboard id are dropped; none
    // left fails with null and sends nothing.
    static platform::Ref<QVRequestHandle> submitHighScoreBatch(QVHighScoreBatch& batch, const QVGameCenterDates& dates,
                                                               const std::string& message, bool silently,
                                                               const QVDelegate& onSuccess,
                                                               const QVDelegate& onFailure);
    // After a login: the user's stored unsynchronised scores in one batch
    // (the caller's success value then runs with no argument). Null when
    // nothing was sent. A score whose batch went unanswered since the last
    // login's list of the player's bests stays: the service may hold it, and
    // only the next list tells (the network back under a logged-in player, or
    // a login whose list came before that batch, leave it waiting).
    static platform::Ref<QVRequestHandle> sendPendingHighScores(const std::string& userId, bool silently,
                                                                const QVDelegate& onSuccess,
                                                                const QVDelegate& onFailure);

    // Sends the queued scores, when the player who took them is still the
    // local player; another's stay waiting in the store for that player's next login.
    void dispatchPendingScores();
    // Success hook: runs the chained value, when there is one, with no argument.
    void _onSetHighScore(platform::Object* series, platform::Object* nextCall);
    // Blob-upload hook of a batch answer, given the batch's QVSentBlobs (any
    // other object is an assertion): each answered score with a blob of the
    // batch and upload parameters sends its blob to the storage host (and is
    // stored once it is there); every other answered score is stored as
    // synchronised at once, with its blob of the batch when it has one. A
    // score whose row took a newer blob meanwhile is left to that blob's
    // own batch: the newer blob wins.
    void _uploadBlobs(platform::Object* series, platform::Object* sentBlobs);
    size_t pendingScoreCount() const { return mPendingScores.size(); }

    // -- scores on their way to the service, each the player's who sent it
    // A score queued, in a batch the service has not answered yet, or whose
    // blob is being uploaded is on its way: the stored scores a login sends
    // leave it out, so that none reaches the service twice. Counted, since
    // one score can be on two roads at once (queued and in its batch, its
    // batch and its blob's upload). Another player's equal score on its way
    // holds nothing back.
    static void scoreSetOff(const std::string& player, const std::string& leaderboardId, int64_t score);
    static void scoreArrived(const std::string& player, const std::string& leaderboardId, int64_t score);
    static bool isScoreOnItsWay(const std::string& player, const std::string& leaderboardId, int64_t score);
    // A batch of these went unanswered (the connection cut, the answer lost,
    // the request cancelled): the service may hold them already.
    static void scoreMayHaveArrived(const std::string& player, const std::string& leaderboardId, int64_t score);
    static bool mayScoreHaveArrived(const std::string& player, const std::string& leaderboardId, int64_t score);
    // A login's list of the player's bests has been stored: that player's
    // scores that may have arrived before it are settled by it (marked
    // reached, or still waiting to go).
    static void bestsListed(const std::string& player);
    // The service kept this score, but its row could not be marked sent (a
    // failing disk): it is not sent again, and the next login's look at the
    // stored scores marks it.
    static void scoreArrivedUnmarked(const std::string& player, const std::string& leaderboardId, int64_t score);

    // -- blobs waiting for their batch's answer
    struct QVPendingBlob {
        std::string leaderboardId;
        int64_t score { 0 };
        platform::Bytes blob;
    };
    // The blobs of the scores queued and not sent yet, at most one per
    // leaderboard: a new one replaces the leaderboard's last. At the
    // dispatch each goes into its score's batch entry, the one place it
    // travels in from there. Each call takes constant time; removing one may
    // change the others' order.
    static void setPendingBlob(const platform::Bytes& blob, const std::string& leaderboardId, int64_t score);
    static void removePendingBlobForLeaderboard(const std::string& leaderboardId);
    // The blob pending for exactly this leaderboard and score, or none.
    static std::optional<platform::Bytes> getPendingBlobForLeaderboard(const std::string& leaderboardId,
                                                                       int64_t score);
    const std::vector<QVPendingBlob>& pendingBlobs() const { return mPendingBlobs; }

    // -- score blobs on the storage host
    // Sets the blob on the score and posts it to the score's upload form;
    // nothing without a form or a blob.
    static void uploadBlob(const std::optional<platform::Bytes>& blob, QVHighScore* highScore);
    // The success value receives the score (its blob set), the failure value
    // null. A score without any blob fails at once, one that holds its blob
    // succeeds at once; neither sends anything (null handle). A blob the host
    // no longer has (404) is reported to the server.
    static platform::Ref<QVRequestHandle> downloadBlobForHighScore(QVHighScore* highScore,
                                                                   const QVDelegate& onSuccess,
                                                                   const QVDelegate& onFailure);
    // Tells the server to drop the score's blob address.
    static void reportMissingBlobForHighScore(QVHighScore* highScore);
    void onBlobUploaded(platform::Object* response);
    void onBlobUploadFailed(platform::Object*);
    void onBlobDownloaded(platform::Object* response, platform::Object* nextCall);
    void onBlobFailedDownloading(platform::Object* response, platform::Object* nextCall);

    // -- the local store
    static bool localSetHighScore(int64_t score, const std::string& leaderboardId, const std::string& userId);
    static bool localSetHighScore(int64_t score, const std::string& leaderboardId, const std::string& userId,
                                  const std::optional<std::string>& displayText,
                                  const std::optional<platform::Date>& serverDate, bool addToExisting);
    static bool localSetHighScore(int64_t score, const std::string& leaderboardId, const std::string& userId,
                                  const std::optional<std::string>& displayText,
                                  const std::optional<std::string>& customData,
                                  const std::optional<platform::Date>& serverDate, bool addToExisting);
    static bool localSetHighScore(int64_t score, const std::string& leaderboardId, const std::string& userId,
                                  const std::optional<std::string>& displayText,
                                  const std::optional<std::string>& customData,
                                  const std::optional<platform::Date>& serverDate, bool addToExisting,
                                  bool* shouldSubmit);
    // The full form: answers whether the score was stored; sets *shouldSubmit
    // (when given) to whether it must go to the server.
    static bool localSetHighScore(int64_t score, const std::string& leaderboardId, const std::string& userId,
                                  const std::optional<std::string>& displayText,
                                  const std::optional<std::string>& customData,
                                  const std::optional<platform::Bytes>& blob,
                                  const std::optional<platform::Date>& serverDate, bool addToExisting,
                                  bool* shouldSubmit, bool overrideExisting);

    // The local player's best: true with it, false with 0 when there is none.
    static bool getPreviousHighScoreLocal(int64_t* score, const std::string& leaderboardId);
    // Whether the local player's score on the board waits in the store to be sent.
    static bool isScorePending(const std::string& leaderboardId, int64_t score);
    // The local player's best ten, best first, ranked 1 to 10.
    static std::vector<platform::Ref<QVHighScore>> getHighScoresLocal(const std::string& leaderboardId);
    static void getHighScoresLocal(const std::string& leaderboardId, const QVDelegate& onSuccess,
                                   const QVDelegate& onFailure);
    static void getLocalHighScores(const std::string& leaderboardId, const QVDelegate& onSuccess,
                                   const QVDelegate& onFailure)
    {
        getHighScoresLocal(leaderboardId, onSuccess, onFailure);
    }
    // A user's best on a leaderboard (rank 1), or null.
    static platform::Ref<QVHighScore> getHighScoreForUser(const QVUser& user, const std::string& leaderboardId,
                                                          bool descendingSortOrder);

    // The texts of the statements built from pieces; each variant is prepared
    // once, at its first use.
    static std::string buildSetHighScoreQuery(bool overrideExisting);
    static std::string buildScoreToKeepQuery(bool descending);
    static std::string buildDeleteScoresQuery(bool descending);
    static std::string buildGetHighScoresQuery(bool descending, int limit);

    // Whether the unknown-board warning is still to be said for this board:
    // once per board while the service runs (a launch), since a game may send
    // the same score on every tap.
    static bool firstUnknownBoardWarning(const std::string& leaderboardId);
    // True when the device has no store (its home cannot be written): scores
    // then go straight to the service while online and are refused offline.
    // Said in the log once while the service runs.
    static bool goesWithoutStore();

    // Gives the scores stored without a player (user 0 or NULL) to the user,
    // row by row: a score the user already holds keeps the user's row and the
    // anonymous copy goes, unless that row was sent and the copy waits to go
    // with a newer blob (the row was added before it, or has none): the copy
    // then takes its place.
    static void adoptAnonymousScores(const std::string& userId);

private:
    friend class QVSharedService<QVHighScoreService>;
    QVHighScoreService();
    ~QVHighScoreService() override;

    // The queued scores go no further (their rows wait in the store).
    void dropQueuedScores();
    // The batch road of submitHighScoreBatch, with the scores the caller
    // refused already: those and the ones past what the service takes are
    // named to the caller (QVRefusedHighScores) once the rest is answered.
    static platform::Ref<QVRequestHandle> submitHighScoreBatchWithout(
        const QVHighScoreBatch& batch, std::vector<QVRefusedHighScores::Refusal> refusals, bool silently,
        const QVDelegate& onSuccess, const QVDelegate& onFailure, const std::optional<std::string>& message);
    static bool storeScore(int64_t score, const std::string& leaderboardId, const std::string& userId,
                           const std::optional<std::string>& displayText, const std::optional<std::string>& customData,
                           const std::optional<platform::Bytes>& blob, const std::optional<platform::Date>& serverDate,
                           bool addToExisting, bool* shouldSubmit, bool overrideExisting, int depth);

    std::vector<QVPendingBlob> mPendingBlobs;
    // Where each leaderboard's pending blob is in mPendingBlobs.
    std::unordered_map<std::string, size_t> pendingBlobIndex_;
    QVHighScoreBatch mPendingScores;
    std::string pendingScoresPlayer_; // whose scores mPendingScores holds
    platform::Ref<platform::Timer> dispatchTimer_;
    // By player, leaderboard and score.
    using ScoreKey = std::tuple<std::string, std::string, int64_t>;
    std::map<ScoreKey, int> scoresOnTheirWay_;
    std::set<ScoreKey> scoresThatMayHaveArrived_;
    std::set<ScoreKey> scoresArrivedUnmarked_;
    std::set<std::string> unknownBoardsSaid_;
    bool noStoreSaid_ { false };
};

} // namespace quorvel
