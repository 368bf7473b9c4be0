// The stand-in's shared store: running SQL on the connection, the caller a
// request's token names, prepared statements and the small parsers.
#include "tools/standin/StandInStore.h"

#include "tools/standin/StandInXml.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace standin {

namespace {
thread_local FailureWatch* watching = nullptr;
} // namespace

FailureWatch::FailureWatch() : outer_(watching) { watching = this; }

FailureWatch::~FailureWatch() { watching = outer_; }

void FailureWatch::note(const std::string& what)
{
    if (watching && watching->failure_.empty())
        watching->failure_ = what;
}

bool FailureWatch::failedAlready() { return watching && !watching->failure_.empty(); }

bool Store::exec(const std::string& sql)
{
    if (FailureWatch::failedAlready())
        return false;
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        error = message ? message : "SQL error";
        std::fprintf(stderr, "standin state: %s\n", error.c_str());
        sqlite3_free(message);
        FailureWatch::note(error);
        return false;
    }
    return true;
}

Answer Store::kept(const std::function<Answer()>& route)
{
    afterCommit.clear();
    auto refused = [this](const std::string& why) {
        afterCommit.clear();
        return xml::error(500, "The service could not keep what the request asked to: " + why);
    };
    // IMMEDIATE: the write lock is taken now, not midway, so another
    // connection to the file (a test's) waits its turn instead of failing this.
    if (!exec("BEGIN IMMEDIATE"))
        return refused(error);
    FailureWatch watch;
    Answer answer = route();
    std::string failure = watch.failure();
    // A refusal keeps nothing of what the route wrote on its way to it.
    if (failure.empty() && answer.status >= 400) {
        if (!exec("ROLLBACK"))
            return refused(error);
        afterCommit.clear();
        return answer;
    }
    if (failure.empty() && !exec("COMMIT"))
        failure = error;
    if (!failure.empty()) {
        // A commit the disk refused may have ended the transaction already.
        if (!sqlite3_get_autocommit(db))
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return refused(failure);
    }
    auto done = std::move(afterCommit);
    afterCommit.clear();
    for (auto& step : done)
        step();
    return answer;
}

int64_t Store::lastId() const { return sqlite3_last_insert_rowid(db); }

std::optional<int64_t> Store::caller(const LoggedRequest& r) const
{
    if (!r.signed_ || !r.signatureValid || r.oauthToken.empty())
        return std::nullopt;
    Statement q(db, "SELECT user_id FROM tokens WHERE token = ?");
    q.bind(1, r.oauthToken);
    if (!q.step())
        return std::nullopt;
    return q.integer(0);
}

Statement::Statement(sqlite3* db, const char* sql) : db_(db)
{
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "standin state: %s\n", sqlite3_errmsg(db));
        FailureWatch::note(sqlite3_errmsg(db));
    }
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement& Statement::bind(int i, int64_t v)
{
    sqlite3_bind_int64(stmt_, i, v);
    return *this;
}

Statement& Statement::bind(int i, double v)
{
    sqlite3_bind_double(stmt_, i, v);
    return *this;
}

Statement& Statement::bind(int i, const std::string& v)
{
    sqlite3_bind_text(stmt_, i, v.c_str(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
}

bool Statement::step()
{
    if (!stmt_ || FailureWatch::failedAlready())
        return false;
    int rc = sqlite3_step(stmt_);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        FailureWatch::note(sqlite3_errmsg(db_));
    return rc == SQLITE_ROW;
}

bool Statement::run()
{
    if (!stmt_ || FailureWatch::failedAlready())
        return false;
    int rc = sqlite3_step(stmt_);
    if (rc != SQLITE_DONE)
        FailureWatch::note(rc == SQLITE_ROW ? "a write answered rows" : sqlite3_errmsg(db_));
    return rc == SQLITE_DONE;
}

int64_t Statement::insert() { return run() ? sqlite3_last_insert_rowid(db_) : 0; }
int64_t Statement::integer(int c) const { return sqlite3_column_int64(stmt_, c); }
double Statement::real(int c) const { return sqlite3_column_double(stmt_, c); }
bool Statement::isNull(int c) const { return sqlite3_column_type(stmt_, c) == SQLITE_NULL; }

std::string Statement::text(int c) const
{
    // By its length: a kept blob may hold NUL bytes.
    const unsigned char* t = sqlite3_column_text(stmt_, c);
    return t ? std::string(reinterpret_cast<const char*>(t), static_cast<size_t>(sqlite3_column_bytes(stmt_, c)))
             : std::string();
}

std::string listPage(Store& s, const xml::Page& page, const std::string& columns, const std::string& from,
                     const std::string& order, const std::function<void(Statement&)>& bind,
                     const std::function<std::string(const Statement&)>& element)
{
    Statement total(s.db, ("SELECT COUNT(*) " + from).c_str());
    bind(total);
    const size_t count = total.step() ? static_cast<size_t>(total.integer(0)) : 0;
    // Both numbers are the service's own (a page is at most kMaxPage): written in, they cannot overflow.
    Statement q(s.db, ("SELECT " + columns + " " + from + " ORDER BY " + order + " LIMIT " + std::to_string(page.perPage)
                       + " OFFSET " + std::to_string(page.offset()))
                          .c_str());
    bind(q);
    std::string body;
    while (q.step())
        body += element(q);
    return xml::pageHeader(count, page) + body;
}

std::string now()
{
    std::time_t t = std::time(nullptr);
    std::tm tm {};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

std::optional<int64_t> number(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0')
        return std::nullopt;
    return v;
}

std::optional<int64_t> pathId(const std::string& path)
{
    size_t from = path.find('/');
    if (from == std::string::npos)
        return std::nullopt;
    std::string id = path.substr(from + 1);
    return number(id.substr(0, id.find('/')));
}

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace standin
