// QVSentBlobs: the blobs a sent score batch carries, each under its own score
// (leaderboard and score). Only the answer to that batch uploads them, so a
// later batch of the same boards neither replaces nor drops them, and two
// scores of one board in one batch each keep their own. The blob stays where
// the batch holds it, in its entry: this keeps the entries, not copies.
//
// A blob whose score the answer does not hold (the server kept another best)
// is never uploaded. Main thread only.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"
#include "social/services/QVHighScoreService.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quorvel {

class QVSentBlobs final : public platform::Object {
public:
    static platform::Ref<QVSentBlobs> create() { return platform::adoptRef(new QVSentBlobs); }
    // The blobs of the batch's entries: each entry that carries one, the
    // later of two entries of the same score winning.
    static platform::Ref<QVSentBlobs> ofEntries(const std::vector<platform::Ref<QVHighScoreBatchEntry>>& batch);

    // Takes out the blob of exactly this leaderboard and score, or none.
    std::optional<platform::Bytes> take(const std::string& leaderboardId, int64_t score);
    bool empty() const { return entries_.empty(); }

    std::string className() const override { return "QVSentBlobs"; }

private:
    QVSentBlobs() = default;
    std::map<std::pair<std::string, int64_t>, platform::Ref<QVHighScoreBatchEntry>> entries_;
};

} // namespace quorvel
