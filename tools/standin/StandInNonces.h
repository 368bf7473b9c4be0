// The signed requests the service has taken lately, so that one sent again (a
// replay) is refused. A request is known by its consumer, token, timestamp
// and nonce; it is remembered for as long as its timestamp could still be
// accepted, so forgetting it never lets its replay through: with a window,
// until its timestamp falls out of it; past the memory's budget of bytes, the
// oldest-stamped is forgotten and every request stamped no later than it is
// refused from then on. A memory kept on disk as well (the state's) is
// restored after a restart, so what was taken before it is refused after it.
//
// Forgetting is each caller's own (a caller is a consumer key and a token:
// each player's token is one). A caller holds at most its share of the
// budget; past it, or when the whole budget is full, the oldest of the
// caller holding the most is forgotten, and only that caller's requests
// stamped no later are refused. Nothing stamped after the service's clock is
// forgotten: the newcomer is refused instead, so a flood stamped at the
// window's far edge refuses none of its caller's honest requests stamped now,
// and no other caller's at all.
//
// The game's key alone signs every device's first requests (a first login,
// the account forms, a login after a forgotten token) and is in every copy of
// the game: its requests take their shares by the address they came from,
// and within its share an address's requests are never forgotten (their
// replays could come from anywhere): a full share refuses that address's
// newcomers until the window passes its requests. So a flood of them costs
// the address it came from, whenever it is stamped, and every other device
// signs in as before. Only when the whole budget is full may one of them be
// forgotten, and then every request of the game's key alone stamped no later
// is refused.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <unordered_set>

namespace standin {

// The longest oauth_nonce taken: a client's nonce is a short random text
// (this client's, 32 hexadecimal digits); a longer one is refused with why.
constexpr size_t kMaxNonceBytes = 128;

class NonceMemory {
public:
    // Remembers requests within `budget` bytes, a caller's within `share`
    // bytes (0: the whole budget): each costs its key and the bookkeeping
    // that finds it (cost()).
    explicit NonceMemory(size_t budget, size_t share = 0);

    // A signed request's OAuth fields, as sent, and the address it came from
    // (the share of a request the game's key alone signed; "" unknown).
    struct Stamp {
        std::string consumer;
        std::string token;
        std::string nonce;
        long long timestamp { 0 };
        std::string address {};
    };
    // What the memory knows a request by (wherever it came from); it begins
    // with its caller's name and '&'.
    static std::string key(const Stamp& stamp);
    // Whose request it is: the consumer key and the token.
    static std::string caller(const Stamp& stamp);
    // Whose share it takes: its caller's, or for the game's key alone the
    // caller's from that address.
    static std::string holder(const Stamp& stamp);
    static size_t cost(const std::string& key);

    // Why a request whose signature verified may not be taken: a nonce over
    // kMaxNonceBytes, a timestamp further than `window` seconds from `now` (a
    // window of 0 takes any), one at or before a forgotten request of its
    // caller's, a request taken before, or one that finds its caller's share
    // (or the whole memory) full of requests stamped later than `now` (for the
    // game's key alone, its address's share full of any). Empty
    // when it may be taken; it is remembered from then on. `problem` is told
    // OAuth's word for a refusal: "timestamp_refused" for the window alone
    // (the sender's clock), "nonce_used" for a request that is or may be a
    // replay, "parameter_rejected" for the nonce's length, and
    // "consumer_key_refused" while the memory has no room for its caller.
    std::string take(const Stamp& stamp, long long now, long long window, std::string* problem = nullptr);
    // Remembers what a memory kept on disk holds, as take() would have taken
    // it: every request of `caller` (every caller's, for an empty name)
    // stamped up to `forgottenUpTo` is refused, and a key is a request taken
    // (one the window or the budget no longer holds is forgotten as take()
    // forgets).
    void restoreForgotten(const std::string& caller, long long forgottenUpTo);
    void restore(const std::string& key, long long timestamp, long long now, long long window);

    // Every request of the caller stamped up to this is refused (none while
    // nothing of theirs was forgotten).
    std::optional<long long> forgottenUpTo(const std::string& caller) const;
    size_t size() const { return keys_.size(); }
    size_t bytes() const { return bytes_; }
    size_t budget() const { return budget_; }
    size_t share() const { return share_; }

private:
    struct Caller {
        size_t bytes { 0 };
        // The caller's keys by timestamp (they point into keys_).
        std::multimap<long long, const std::string*> byTimestamp;
        std::optional<long long> forgottenUpTo;
        // For an address's share of the game's key alone: the caller whose
        // horizon forgetting one of its requests raises.
        std::string shared {};
    };
    using Callers = std::map<std::string, Caller>;

    // Forgets one of the caller's keys; `raise` refuses from then on what the
    // caller stamped no later (not needed for what the window left behind).
    void forget(Callers::iterator caller, std::multimap<long long, const std::string*>::iterator entry, bool raise);
    void dropIfEmpty(Callers::iterator caller);
    std::string remember(const std::string& holderName, const std::string& callerName, const std::string& key,
                         long long timestamp, long long now, bool restoring);
    std::string stale(const std::string& callerName, long long timestamp, long long now, long long window,
                      std::string* problem);
    std::optional<long long> horizon(const std::string& callerName) const;

    size_t budget_;
    size_t share_;
    size_t bytes_ { 0 };
    // Each key is kept once; each caller's timestamps point at its keys.
    std::unordered_set<std::string> keys_;
    Callers callers_;
    // Every key by timestamp, with its caller, for what the window leaves behind.
    std::multimap<long long, std::pair<const std::string*, Callers::iterator>> byTimestamp_;
    // Restored from an older memory kept on disk: every caller's requests up to it.
    std::optional<long long> everyoneUpTo_;
};

} // namespace standin
