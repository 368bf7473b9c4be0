// What the stand-in's kept domains share: the SQLite connection and its lock,
// a prepared statement, the caller a request's token names, and small parsers.
#pragma once

#include "tools/standin/StandInServer.h"
#include "tools/standin/StandInXml.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace standin {

// The game's id on the service.
constexpr const char* kGameId = "321";

struct Store {
    sqlite3* db { nullptr };
    std::string error;
    mutable std::recursive_mutex mutex;
    // The storage host whose objects this store keeps, once one is attached:
    // score blobs are posted there with the forms it signs, and fetched there.
    const StorageHostStandIn* storage { nullptr };
    // What a route does once its writes are kept (a token made known to the
    // server, say); dropped when they are not.
    std::vector<std::function<void()>> afterCommit;

    // Runs SQL without results; on failure keeps and prints the error.
    bool exec(const std::string& sql);
    // Runs a route in one transaction and answers what it answered only
    // when everything it wrote is kept: a statement that failed on the way
    // (a write the disk refused, whether or not the route looked) or a
    // commit that failed rolls it all back, and the answer is 500 with the
    // reason. No statement runs after one failed (SQLite may have ended the
    // transaction already: one that ran would be kept on its own). A route
    // that refuses its request (a status of 400 or above) keeps nothing of
    // it either. The caller holds the mutex.
    Answer kept(const std::function<Answer()>& route);
    // The row id the last insert made (Statement::insert answers it with the insert's own outcome).
    int64_t lastId() const;
    // The user the request's token belongs to, when it verifies.
    std::optional<int64_t> caller(const LoggedRequest& r) const;
};

// Notes the first statement that fails on this thread while it lives, so a
// route's failures are seen in one place whatever the route checks itself.
class FailureWatch {
public:
    FailureWatch();
    ~FailureWatch();
    FailureWatch(const FailureWatch&) = delete;
    FailureWatch& operator=(const FailureWatch&) = delete;
    // Empty while nothing failed.
    const std::string& failure() const { return failure_; }
    // Tells the watch of this thread, if any.
    static void note(const std::string& what);
    // Whether a statement already failed under this thread's watch: nothing more runs then.
    static bool failedAlready();

private:
    FailureWatch* outer_ { nullptr };
    std::string failure_;
};

// One prepared statement, finalised on scope exit; a failure to prepare or
// to step is told to the thread's FailureWatch, and once one was told no
// statement steps under that watch any more (each answers as failed).
class Statement {
public:
    Statement(sqlite3* db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int i, int64_t v);
    Statement& bind(int i, double v);
    Statement& bind(int i, const std::string& v);
    bool step();
    bool run();
    // Runs an insert: the id of the row it made, 0 when it failed (never an
    // earlier insert's, as the connection's last id would be).
    int64_t insert();
    int64_t integer(int c) const;
    double real(int c) const;
    bool isNull(int c) const;
    // The whole value, NUL bytes included.
    std::string text(int c) const;

private:
    sqlite3* db_ { nullptr };
    sqlite3_stmt* stmt_ { nullptr };
};

// One page of a list the store holds: its header, counted over the whole
// list, then an element per row of the page. `from` is the list's FROM and
// WHERE clauses, its parameters bound by `bind`; `columns` the row's columns,
// in `order`, which must name the rows apart so that pages neither repeat nor
// skip a row.
std::string listPage(Store& s, const xml::Page& page, const std::string& columns, const std::string& from,
                     const std::string& order, const std::function<void(Statement&)>& bind,
                     const std::function<std::string(const Statement&)>& element);

// The time now, "yyyy-MM-dd HH:mm:ss" in UTC.
std::string now();
// A decimal 64-bit number filling the whole text, or nothing.
std::optional<int64_t> number(const std::string& text);
// The id after a path's first segment ("topics/201/discussions.xml": 201).
std::optional<int64_t> pathId(const std::string& path);
bool endsWith(const std::string& text, const std::string& tail);

} // namespace standin
