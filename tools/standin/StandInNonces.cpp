// Remembering the requests taken, by timestamp and within a budget of bytes,
// to refuse their replays.
#include "tools/standin/StandInNonces.h"

#include <algorithm>

namespace standin {

namespace {

// What a remembered key costs besides its bytes: its node in the set, its
// node in the map by timestamp, and the string's own bookkeeping.
constexpr size_t kEntryOverhead = 128;

std::string amount(size_t bytes)
{
    return bytes % (1024 * 1024) == 0 ? std::to_string(bytes / (1024 * 1024)) + " MiB"
                                      : std::to_string(bytes) + " bytes";
}

} // namespace

NonceMemory::NonceMemory(size_t budget) : budget_(budget) { }

std::string NonceMemory::key(const Stamp& stamp)
{
    return stamp.consumer + '&' + stamp.token + '&' + std::to_string(stamp.timestamp) + '&' + stamp.nonce;
}

size_t NonceMemory::cost(const std::string& key) { return key.size() + kEntryOverhead; }

void NonceMemory::forgetOldest()
{
    auto oldest = byTimestamp_.begin();
    forgottenUpTo_ = std::max(forgottenUpTo_.value_or(oldest->first), oldest->first);
    const std::string* key = oldest->second;
    bytes_ -= cost(*key);
    byTimestamp_.erase(oldest);
    keys_.erase(*key);
}

void NonceMemory::remember(const std::string& key, long long timestamp)
{
    while (!keys_.empty() && bytes_ + cost(key) > budget_)
        forgetOldest();
    if (forgottenUpTo_ && timestamp <= *forgottenUpTo_)
        return; // older than what was just forgotten: refused without it
    auto [at, added] = keys_.insert(key);
    if (!added)
        return;
    byTimestamp_.emplace(timestamp, &*at);
    bytes_ += cost(key);
}

// Why a timestamp cannot be taken any more; on the way, what the window no
// longer takes is forgotten.
std::string NonceMemory::stale(long long timestamp, long long now, long long window, std::string* problem)
{
    if (problem)
        *problem = "timestamp_refused";
    if (window > 0) {
        long long skew = timestamp - now;
        if (skew > window || -skew > window)
            return "timestamp " + std::to_string(skew) + " s from the service's clock, outside its window of "
                + std::to_string(window) + " s";
        while (!byTimestamp_.empty() && byTimestamp_.begin()->first < now - window)
            forgetOldest();
    }
    // Not the clock's fault: the memory cannot tell this request from a replay.
    if (problem)
        *problem = "nonce_used";
    if (forgottenUpTo_ && timestamp <= *forgottenUpTo_)
        return "timestamp " + std::to_string(timestamp) + " is no later than a request the service has forgotten (it"
            " remembers requests within " + amount(budget_) + "): a replay could not be told";
    return {};
}

std::string NonceMemory::take(const Stamp& stamp, long long now, long long window, std::string* problem)
{
    if (problem)
        *problem = "parameter_rejected";
    if (stamp.nonce.size() > kMaxNonceBytes)
        return "oauth_nonce is " + std::to_string(stamp.nonce.size()) + " bytes long, over the limit of "
            + std::to_string(kMaxNonceBytes);
    if (std::string why = stale(stamp.timestamp, now, window, problem); !why.empty())
        return why;
    std::string request = key(stamp);
    if (problem)
        *problem = "nonce_used";
    if (keys_.count(request))
        return "nonce already used: a replayed request";
    remember(request, stamp.timestamp);
    if (problem)
        problem->clear();
    return {};
}

void NonceMemory::restoreForgotten(long long upTo) { forgottenUpTo_ = std::max(forgottenUpTo_.value_or(upTo), upTo); }

void NonceMemory::restore(const std::string& key, long long timestamp, long long now, long long window)
{
    if (stale(timestamp, now, window).empty())
        remember(key, timestamp);
}

} // namespace standin
