// Remembering the requests taken, by timestamp, to refuse their replays.
#include "tools/standin/StandInNonces.h"

#include <algorithm>

namespace standin {

NonceMemory::NonceMemory(size_t capacity) : capacity_(std::max<size_t>(capacity, 1)) { }

void NonceMemory::forgetOldest()
{
    auto oldest = byTimestamp_.begin();
    forgottenUpTo_ = std::max(forgottenUpTo_.value_or(oldest->first), oldest->first);
    keys_.erase(oldest->second);
    byTimestamp_.erase(oldest);
}

std::string NonceMemory::take(const std::string& request, long long timestamp, long long now, long long window)
{
    if (window > 0) {
        long long skew = timestamp - now;
        if (skew > window || -skew > window)
            return "timestamp " + std::to_string(skew) + " s from the service's clock, outside its window of "
                + std::to_string(window) + " s";
        // What the window no longer takes needs no remembering.
        while (!byTimestamp_.empty() && byTimestamp_.begin()->first < now - window)
            forgetOldest();
    }
    if (forgottenUpTo_ && timestamp <= *forgottenUpTo_)
        return "timestamp " + std::to_string(timestamp) + " is no later than a request the service has forgotten (it"
            " remembers the latest " + std::to_string(capacity_) + "): a replay could not be told";
    if (keys_.count(request))
        return "nonce already used: a replayed request";
    while (keys_.size() >= capacity_)
        forgetOldest();
    keys_.insert(request);
    byTimestamp_.emplace(timestamp, request);
    return {};
}

} // namespace standin
