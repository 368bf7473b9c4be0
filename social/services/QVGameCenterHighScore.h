// Double submission of a batch of scores: to Game Center (each score whose
// leaderboard maps to a Game Center category, when the player is signed in
// there) and to the social service, with one callback to the caller once both
// sides have answered. A failure on either side fails the whole submission;
// the other side's work is not undone. The failure's value is the service's
// (a QVRefusedHighScores naming the scores it refused, say) when the service
// failed, else null.
//
// Side status: 0 not used, 1 pending, 2 succeeded, 3 failed. The object keeps
// itself alive until its last answer: the service request's callbacks and the
// Game Center completions hold it.
#pragma once

#include "social/services/QVDoubleSubmission.h"
#include "social/services/QVHighScoreService.h"

#include <optional>
#include <string>

namespace quorvel {

class QVGameCenterHighScore : public platform::Object, public QVCallbackable, public QVDoubleSubmission {
public:
    // The batch is copied.
    static platform::Ref<QVGameCenterHighScore> initWithSeries(const QVHighScoreBatch& scores);

    bool silently() const { return silently_; }
    void setSilently(bool silently) { silently_ = silently; }
    const std::optional<std::string>& message() const { return message_; }
    void setMessage(std::optional<std::string> message) { message_ = std::move(message); }

    // Answers the batch request's handle, or null when none was made.
    platform::Ref<QVRequestHandle> submitOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure,
                                                   const QVDelegate& onUploadBlob);

    void quorvelSuccess(platform::Object* page);
    void quorvelFailure(platform::Object* loader);

    bool canReceiveCallbacksNow() override { return true; }
    std::string className() const override { return "QVGameCenterHighScore"; }

private:
    QVGameCenterHighScore() = default;
    void gameCenterAnswered(bool failed);
    void testCompletion(platform::Object* result = nullptr);

    QVHighScoreBatch scores_;
    bool silently_ { false };
    std::optional<std::string> message_;
    QVDelegate successDelegate_;
    QVDelegate failureDelegate_;
    QVDelegate uploadBlobDelegate_;
    platform::Ref<platform::Object> serviceFailure_;
    bool finished_ { false };
};

// Sends scores to Game Center only (the player declined the social service,
// or the store did not ask for a server submission); answers are ignored.
class QVSubmitHighScoreToGameCenterOnly : public platform::Object {
public:
    static platform::Ref<QVSubmitHighScoreToGameCenterOnly> create()
    {
        return platform::adoptRef(new QVSubmitHighScoreToGameCenterOnly);
    }
    void submitToGameCenterOnlyWithScores(const QVHighScoreBatch& scores);
    std::string className() const override { return "QVSubmitHighScoreToGameCenterOnly"; }

private:
    QVSubmitHighScoreToGameCenterOnly() = default;
};

} // namespace quorvel
