// The signed requests the service has taken, kept in the state's store so
// that one taken before a restart is refused after it too (the server's
// NonceMemory refuses replays while it runs; this is what it remembers when
// it starts again). They are written through a connection of their own that
// hands each write to the system without waiting for the disk: a request
// taken must outlive the program, a kill included, not the machine, and a
// signed request that only reads then waits for no disk at all.
#pragma once

#include "tools/standin/StandInServer.h"

#include <cstddef>
#include <optional>
#include <string>

struct sqlite3;

namespace standin {

struct Store;

namespace replays {

extern const char* const kSchema;

class Keeper {
public:
    // Opens its connection to the store's file at `path`; `store` is the
    // state's, whose lock its writes take.
    Keeper(Store& store, const std::string& path);
    ~Keeper();
    Keeper(const Keeper&) = delete;
    Keeper& operator=(const Keeper&) = delete;

    // The requests kept and not forgotten (those stamped further back than
    // `window` seconds from `now` are dropped; a window of 0 keeps all).
    StandInServer::TakenRequests load(long long now, long long window);
    // Keeps a request taken, and now and then lets go of those of its caller
    // the memory refuses without them (stamped up to `forgottenUpTo`, which
    // is kept as that caller's horizon).
    bool keep(const std::string& key, long long timestamp, const std::string& caller,
              std::optional<long long> forgottenUpTo);

private:
    Store& store_;
    sqlite3* db_ { nullptr };
    size_t sinceTidied_ { 0 };
};

} // namespace replays
} // namespace standin
