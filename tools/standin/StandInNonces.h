// The signed requests the service has taken lately, so that one sent again (a
// replay) is refused. A request is known by its consumer, token, timestamp
// and nonce; it is remembered for as long as its timestamp could still be
// accepted, so forgetting it never lets its replay through: with a window,
// until its timestamp falls out of it; past the memory's budget of bytes, the
// oldest-stamped is forgotten and every request stamped no later than it is
// refused from then on. A memory kept on disk as well (the state's) is
// restored after a restart, so what was taken before it is refused after it.
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
    // Remembers requests within `budget` bytes: each costs its key and the
    // bookkeeping that finds it (cost()).
    explicit NonceMemory(size_t budget);

    // A signed request's OAuth fields, as sent.
    struct Stamp {
        std::string consumer;
        std::string token;
        std::string nonce;
        long long timestamp { 0 };
    };
    // What the memory knows a request by.
    static std::string key(const Stamp& stamp);
    static size_t cost(const std::string& key);

    // Why a request whose signature verified may not be taken: a nonce over
    // kMaxNonceBytes, a timestamp further than `window` seconds from `now` (a
    // window of 0 takes any), one at or before a forgotten request's, or a
    // request taken before. Empty when it may be taken; it is remembered from
    // then on. `problem` is told OAuth's word for a refusal: "timestamp_refused"
    // for the window alone (the sender's clock), "nonce_used" for a request
    // that is or may be a replay, "parameter_rejected" for the nonce's length.
    std::string take(const Stamp& stamp, long long now, long long window, std::string* problem = nullptr);
    // Remembers what a memory kept on disk holds, as take() would have taken
    // it: every request stamped up to `forgottenUpTo` is refused, and a key
    // is a request taken (one the window or the budget no longer holds is
    // forgotten as take() forgets).
    void restoreForgotten(long long forgottenUpTo);
    void restore(const std::string& key, long long timestamp, long long now, long long window);

    // Every request stamped up to this is refused (none while nothing was forgotten).
    std::optional<long long> forgottenUpTo() const { return forgottenUpTo_; }
    size_t size() const { return keys_.size(); }
    size_t bytes() const { return bytes_; }
    size_t budget() const { return budget_; }

private:
    void forgetOldest();
    void remember(const std::string& key, long long timestamp);
    std::string stale(long long timestamp, long long now, long long window, std::string* problem = nullptr);

    size_t budget_;
    size_t bytes_ { 0 };
    // Each key is kept once; the timestamps point at the keys.
    std::unordered_set<std::string> keys_;
    std::multimap<long long, const std::string*> byTimestamp_;
    std::optional<long long> forgottenUpTo_;
};

} // namespace standin
