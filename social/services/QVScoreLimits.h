// QVScoreLimits: what the service takes of a score. A score the device could
// never send (a leaderboard id that is no decimal number, texts past the
// service's bounds, a blob longer than a reader takes) is refused when the game gives
// it, with the reason in the log, rather than told kept and refused at every
// login. And a leaderboard the service answers it no longer has is retired:
// its scores waiting on the device are not sent again, and the other scores
// of the refused batch go without them; so do those of a batch the service
// refused for one of its scores, which waits on the device no more.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace quorvel {

class QVHighScoreBatchEntry;

// The bytes a score's parameters take in a form-encoded body, with room for
// the Game Center date that the bridge may add.
size_t QVEncodedScoreBytes(const QVHighScoreBatchEntry& entry);

// Whether the service could ever take the score as given; when not, the log
// says why and the caller refuses it (failure callback, nothing kept).
bool QVScoreCanBeSent(const std::string& leaderboardId, int64_t score, const std::optional<std::string>& displayText,
                      const std::optional<std::string>& customData, const std::optional<platform::Bytes>& blob);
bool QVScoreCanBeSent(const QVHighScoreBatchEntry& entry);
// Why the service could never take the score as given, "" when it could.
std::string QVWhyScoreCannotBeSent(const std::string& leaderboardId, int64_t score,
                                   const std::optional<std::string>& displayText,
                                   const std::optional<std::string>& customData,
                                   const std::optional<platform::Bytes>& blob);
std::string QVWhyScoreCannotBeSent(const QVHighScoreBatchEntry& entry);

// The leaderboard a refused score batch names as one the service does not
// have (400, "There is no leaderboard N"), or none.
std::optional<std::string> QVLeaderboardTheServiceLacks(platform::Object* failedAnswer);

// A score the service refused for itself (a 4xx answer whose error begins
// "Score N of the batch: "): its place in the batch (from 0) and the reason.
struct QVRefusedScore {
    size_t index;
    std::string why;
};
std::optional<QVRefusedScore> QVScoreTheServiceRefused(platform::Object* failedAnswer);

// The refused score waits on the device no more (it would be refused at
// every login); a warning names it and the service's reason.
void QVSettleRefusedScore(const std::string& userId, const QVHighScoreBatchEntry& entry, const std::string& why);
// The same for a waiting score the service could never take (why: see
// QVWhyScoreCannotBeSent), refused before it is sent.
void QVSettleUnsendableScore(const std::string& userId, const QVHighScoreBatchEntry& entry, const std::string& why);

// The service has no such leaderboard (any more): the player's scores on it
// that wait on the device are settled, never sent again, and its definition
// leaves the device, so a later score on it is refused when given. Said in
// the log, naming the board and how many waiting scores it held.
void QVRetireLeaderboard(const std::string& leaderboardId);

} // namespace quorvel
