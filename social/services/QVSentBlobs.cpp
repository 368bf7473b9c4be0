// The blobs of a sent score batch, found by leaderboard and score in the
// batch's own entries until its answer takes them.
#include "social/services/QVSentBlobs.h"

#include "social/services/QVHighScoreService.h"

namespace quorvel {

platform::Ref<QVSentBlobs> QVSentBlobs::ofEntries(const std::vector<platform::Ref<QVHighScoreBatchEntry>>& batch)
{
    auto sent = create();
    for (const auto& entry : batch)
        if (entry && entry->blob)
            sent->entries_[{ entry->leaderboardId, entry->score }] = entry;
    return sent;
}

std::optional<platform::Bytes> QVSentBlobs::take(const std::string& leaderboardId, int64_t score)
{
    auto found = entries_.find({ leaderboardId, score });
    if (found == entries_.end())
        return std::nullopt;
    std::optional<platform::Bytes> blob = found->second->blob;
    entries_.erase(found);
    return blob;
}

} // namespace quorvel
