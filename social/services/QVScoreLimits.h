// QVScoreLimits: what the service takes of a score. A score the device could
// never send (a leaderboard id that is no decimal number, texts or a blob
// beyond what the service or a reader takes) is refused when the game gives
// it, with the reason in the log, rather than told kept and refused at every
// login. And a leaderboard the service answers it no longer has is retired:
// its scores waiting on the device are not sent again, and the other scores
// of the refused batch go without them.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace quorvel {

class QVHighScoreBatchEntry;

// The most a form body holds that the service reads (docs/wire-format.md).
constexpr size_t kQVMaxRequestBody = 1024 * 1024;
// Room kept in a score's request for what the client adds to every request
// (its version, locale and session fields) and the player's place.
constexpr size_t kQVRequestFieldsRoom = 2048;

// The bytes a score's parameters take in a form-encoded body, with room for
// the Game Center date that the bridge may add.
size_t QVEncodedScoreBytes(const QVHighScoreBatchEntry& entry);

// Whether the service could ever take the score as given; when not, the log
// says why and the caller refuses it (failure callback, nothing kept).
bool QVScoreCanBeSent(const std::string& leaderboardId, int64_t score, const std::optional<std::string>& displayText,
                      const std::optional<std::string>& customData, const std::optional<platform::Bytes>& blob);
bool QVScoreCanBeSent(const QVHighScoreBatchEntry& entry);

// The leaderboard a refused score batch names as one the service does not
// have (400, "There is no leaderboard N"), or none.
std::optional<std::string> QVLeaderboardTheServiceLacks(platform::Object* failedAnswer);

// The service has no such leaderboard (any more): the player's scores on it
// that wait on the device are settled, never sent again, and its definition
// leaves the device, so a later score on it is refused when given. Said in
// the log, naming the board and how many waiting scores it held.
void QVRetireLeaderboard(const std::string& leaderboardId);

} // namespace quorvel
