// The signed requests the service has taken lately, so that one sent again (a
// replay) is refused. A request is known by its consumer, token, timestamp
// and nonce; it is remembered for as long as its timestamp could still be
// accepted, so forgetting it never lets its replay through: with a window,
// until its timestamp falls out of it; at the cap, the oldest-stamped is
// forgotten and every request stamped no later than it is refused from then on.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <unordered_set>

namespace standin {

class NonceMemory {
public:
    explicit NonceMemory(size_t capacity);

    // Why a request whose signature verified may not be taken: a timestamp
    // further than `window` seconds from `now` (a window of 0 takes any), one
    // at or before a forgotten request's, or a request taken before. Empty
    // when it may be taken; it is remembered from then on.
    std::string take(const std::string& request, long long timestamp, long long now, long long window);
    size_t size() const { return keys_.size(); }

private:
    void forgetOldest();

    size_t capacity_;
    std::multimap<long long, std::string> byTimestamp_;
    std::unordered_set<std::string> keys_;
    std::optional<long long> forgottenUpTo_;
};

} // namespace standin
