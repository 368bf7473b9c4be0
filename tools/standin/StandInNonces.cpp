// Remembering the requests taken, by caller and timestamp and within a budget
// of bytes, to refuse their replays.
#include "tools/standin/StandInNonces.h"

#include <algorithm>

namespace standin {

namespace {

// What a remembered key costs besides its bytes: its node in the set, its
// nodes in the maps by timestamp, and the string's own bookkeeping.
constexpr size_t kEntryOverhead = 128;

std::string amount(size_t bytes)
{
    return bytes % (1024 * 1024) == 0 ? std::to_string(bytes / (1024 * 1024)) + " MiB"
                                      : std::to_string(bytes) + " bytes";
}

} // namespace

NonceMemory::NonceMemory(size_t budget, size_t share)
    : budget_(budget), share_(share == 0 || share > budget ? budget : share)
{
}

std::string NonceMemory::caller(const Stamp& stamp) { return stamp.consumer + '&' + stamp.token; }

std::string NonceMemory::holder(const Stamp& stamp)
{
    return stamp.token.empty() ? caller(stamp) + '@' + stamp.address : caller(stamp);
}

std::string NonceMemory::key(const Stamp& stamp)
{
    return caller(stamp) + '&' + std::to_string(stamp.timestamp) + '&' + stamp.nonce;
}

size_t NonceMemory::cost(const std::string& key) { return key.size() + kEntryOverhead; }

std::optional<long long> NonceMemory::horizon(const std::string& callerName) const
{
    std::optional<long long> upTo = everyoneUpTo_;
    if (auto c = callers_.find(callerName); c != callers_.end() && c->second.forgottenUpTo)
        upTo = std::max(upTo.value_or(*c->second.forgottenUpTo), *c->second.forgottenUpTo);
    return upTo;
}

std::optional<long long> NonceMemory::forgottenUpTo(const std::string& callerName) const
{
    auto c = callers_.find(callerName);
    return c == callers_.end() ? std::nullopt : c->second.forgottenUpTo;
}

void NonceMemory::forget(Callers::iterator c, std::multimap<long long, const std::string*>::iterator entry, bool raise)
{
    const long long timestamp = entry->first;
    const std::string* key = entry->second;
    if (raise) {
        // An address's request of the game's key alone: its replay could come from any address.
        std::optional<long long>& upTo
            = c->second.shared.empty() ? c->second.forgottenUpTo : callers_[c->second.shared].forgottenUpTo;
        upTo = std::max(upTo.value_or(timestamp), timestamp);
    }
    auto [from, to] = byTimestamp_.equal_range(timestamp);
    for (auto i = from; i != to; ++i)
        if (i->second.first == key) {
            byTimestamp_.erase(i);
            break;
        }
    const size_t bytes = cost(*key);
    bytes_ -= bytes;
    c->second.bytes -= bytes;
    c->second.byTimestamp.erase(entry);
    keys_.erase(*key);
}

void NonceMemory::dropIfEmpty(Callers::iterator c)
{
    if (c->second.byTimestamp.empty() && !c->second.forgottenUpTo)
        callers_.erase(c);
}

std::string NonceMemory::remember(const std::string& holderName, const std::string& callerName,
                                  const std::string& key, long long timestamp, long long now, bool restoring)
{
    const size_t needed = cost(key);
    auto mine = callers_.try_emplace(holderName).first;
    if (holderName != callerName)
        mine->second.shared = callerName;
    const bool shared = !mine->second.shared.empty();
    // Forgetting a request stamped later than now would refuse its caller's
    // requests stamped now: the newcomer is refused instead.
    auto full = [&](const char* whose, size_t bytes) {
        dropIfEmpty(mine);
        return std::string("the service remembers no more requests ") + whose + " (" + amount(bytes)
            + "), all of them stamped later than its clock: try again later";
    };
    // Past its share, the caller's own oldest give way; an address's requests
    // of the game's key alone do not (forgetting one would refuse every
    // device's): its newcomer is refused instead. What a restart brings back
    // is remembered whatever it costs.
    while (mine->second.bytes + needed > share_ && !mine->second.byTimestamp.empty()) {
        auto oldest = mine->second.byTimestamp.begin();
        if (shared && !restoring) {
            dropIfEmpty(mine);
            return "the service remembers no more requests of this caller from this address (" + amount(share_)
                + ") within its window: try again later";
        }
        if (oldest->first > now)
            return full("of this caller", share_);
        forget(mine, oldest, true);
    }
    // Past the whole budget, those of the caller holding the most (of those
    // whose oldest may be forgotten).
    while (bytes_ + needed > budget_ && !keys_.empty()) {
        auto biggest = callers_.end();
        for (auto c = callers_.begin(); c != callers_.end(); ++c)
            if (!c->second.byTimestamp.empty() && c->second.byTimestamp.begin()->first <= now
                && (biggest == callers_.end() || c->second.bytes > biggest->second.bytes))
                biggest = c;
        if (biggest == callers_.end())
            return full("in all", budget_);
        forget(biggest, biggest->second.byTimestamp.begin(), true);
        if (biggest != mine)
            dropIfEmpty(biggest);
    }
    if (auto upTo = horizon(callerName); upTo && timestamp <= *upTo) {
        dropIfEmpty(mine);
        return {}; // older than what was just forgotten: its replay is refused without it
    }
    auto [at, added] = keys_.insert(key);
    if (!added)
        return {};
    mine->second.byTimestamp.emplace(timestamp, &*at);
    byTimestamp_.emplace(timestamp, std::make_pair(&*at, mine));
    mine->second.bytes += needed;
    bytes_ += needed;
    return {};
}

// Why a timestamp cannot be taken any more; on the way, what the window no
// longer takes is forgotten.
std::string NonceMemory::stale(const std::string& callerName, long long timestamp, long long now, long long window,
                               std::string* problem)
{
    *problem = "timestamp_refused";
    if (window > 0) {
        long long skew = timestamp - now;
        if (skew > window || -skew > window)
            return "timestamp " + std::to_string(skew) + " s from the service's clock, outside its window of "
                + std::to_string(window) + " s";
        // Anything stamped further back is refused as stale: forgetting it refuses nothing more.
        while (!byTimestamp_.empty() && byTimestamp_.begin()->first < now - window) {
            auto c = byTimestamp_.begin()->second.second;
            auto& own = c->second.byTimestamp;
            auto entry = own.begin(); // the caller's oldest is the one stamped first
            forget(c, entry, false);
            dropIfEmpty(c);
        }
        if (auto c = callers_.find(callerName); c != callers_.end() && c->second.forgottenUpTo
            && *c->second.forgottenUpTo < now - window) {
            c->second.forgottenUpTo.reset();
            dropIfEmpty(c);
        }
    }
    // Not the clock's fault: the memory cannot tell this request from a replay.
    *problem = "nonce_used";
    if (auto upTo = horizon(callerName); upTo && timestamp <= *upTo)
        return "timestamp " + std::to_string(timestamp) + " is no later than a request of its caller the service has"
            " forgotten (it remembers requests within " + amount(budget_) + ", a caller's within " + amount(share_)
            + "): a replay could not be told";
    return {};
}

std::string NonceMemory::take(const Stamp& stamp, long long now, long long window, std::string* problem)
{
    std::string ignored;
    if (!problem)
        problem = &ignored;
    *problem = "parameter_rejected";
    if (stamp.nonce.size() > kMaxNonceBytes)
        return "oauth_nonce is " + std::to_string(stamp.nonce.size()) + " bytes long, over the limit of "
            + std::to_string(kMaxNonceBytes);
    const std::string callerName = caller(stamp);
    if (std::string why = stale(callerName, stamp.timestamp, now, window, problem); !why.empty())
        return why;
    std::string request = key(stamp);
    if (keys_.count(request))
        return "nonce already used: a replayed request";
    // Refused only for want of room: the caller is held back for now.
    *problem = "consumer_key_refused";
    std::string why = remember(holder(stamp), callerName, request, stamp.timestamp, now, false);
    if (why.empty())
        problem->clear();
    return why;
}

void NonceMemory::restoreForgotten(const std::string& callerName, long long upTo)
{
    std::optional<long long>& horizon = callerName.empty() ? everyoneUpTo_ : callers_[callerName].forgottenUpTo;
    horizon = std::max(horizon.value_or(upTo), upTo);
}

void NonceMemory::restore(const std::string& key, long long timestamp, long long now, long long window)
{
    // The caller is the key up to its timestamp: "<consumer>&<token>&<timestamp>&<nonce>"
    // (the first match: the nonce, which any signer chooses, comes last).
    const std::string stamp = '&' + std::to_string(timestamp) + '&';
    size_t at = key.find(stamp);
    if (at == std::string::npos)
        return;
    const std::string callerName = key.substr(0, at);
    // Where a request of the game's key alone came from is not kept: those restored share one address.
    const std::string holderName = callerName.ends_with('&') ? callerName + '@' : callerName;
    std::string problem;
    if (stale(callerName, timestamp, now, window, &problem).empty())
        remember(holderName, callerName, key, timestamp, now, true);
}

} // namespace standin
