// QVSqlQuery over SQLite 3: prepare, named binding, stepping with an honest
// result, and column access by exact name.
#include "social/runtime/QVSqlQuery.h"

#include "platform/foundation/Log.h"

#include <sqlite3.h>

namespace quorvel {

void QVSqlQuery::reset(sqlite3* database, const char* sql)
{
    destroyQuery();
    database_ = database;
    sql_ = sql ? sql : "";
    if (!database) {
        prepareError_ = SQLITE_MISUSE;
        errorMessage_ = "no database";
        lastStepResult_ = prepareError_;
        return;
    }
    int rc = sqlite3_prepare_v2(database, sql_.c_str(), -1, &statement_, nullptr);
    if (rc != SQLITE_OK || !statement_) {
        if (statement_)
            sqlite3_finalize(statement_);
        statement_ = nullptr;
        // An empty or comment-only text prepares to no statement: also an error here.
        prepareError_ = rc != SQLITE_OK ? rc : SQLITE_MISUSE;
        errorMessage_ = rc != SQLITE_OK ? sqlite3_errmsg(database) : "no statement in SQL";
        lastStepResult_ = prepareError_;
        platform::logWarning("QVSqlQuery: cannot prepare \"%s\": %s", sql_.c_str(), errorMessage_.c_str());
        return;
    }
    for (int i = 0, n = sqlite3_column_count(statement_); i < n; ++i) {
        const char* name = sqlite3_column_name(statement_, i);
        columns_.emplace_back(name ? name : "");
    }
    for (int i = 1, n = sqlite3_bind_parameter_count(statement_); i <= n; ++i) {
        const char* name = sqlite3_bind_parameter_name(statement_, i);
        parameters_.emplace_back(name && name[0] == ':' ? name + 1 : "");
    }
}

int QVSqlQuery::parameter(const char* name) const
{
    if (!statement_ || !name || !*name)
        return 0;
    for (size_t i = 0; i < parameters_.size(); ++i)
        if (parameters_[i] == name)
            return static_cast<int>(i) + 1;
    return 0;
}

bool QVSqlQuery::bind(const char* name, const char* value)
{
    int index = parameter(name);
    if (index == 0)
        return false;
    int rc = value ? sqlite3_bind_text(statement_, index, value, -1, SQLITE_TRANSIENT)
                   : sqlite3_bind_null(statement_, index);
    return rc == SQLITE_OK;
}

bool QVSqlQuery::bind(const char* name, const char* value, size_t length)
{
    int index = parameter(name);
    if (index == 0)
        return false;
    int rc = value ? sqlite3_bind_text64(statement_, index, value, length, SQLITE_TRANSIENT, SQLITE_UTF8)
                   : sqlite3_bind_null(statement_, index);
    return rc == SQLITE_OK;
}

bool QVSqlQuery::bindInt64(const char* name, int64_t value)
{
    int index = parameter(name);
    return index != 0 && sqlite3_bind_int64(statement_, index, value) == SQLITE_OK;
}

bool QVSqlQuery::bindBlob(const char* name, const void* bytes, int length)
{
    int index = parameter(name);
    if (index == 0)
        return false;
    int rc = bytes && length >= 0 ? sqlite3_bind_blob(statement_, index, bytes, length, SQLITE_TRANSIENT)
                                  : sqlite3_bind_null(statement_, index);
    return rc == SQLITE_OK;
}

int QVSqlQuery::execute()
{
    if (!statement_) {
        lastStepResult_ = prepareError_ ? prepareError_ : SQLITE_MISUSE;
        return lastStepResult_;
    }
    int rc = sqlite3_step(statement_);
    if (rc == SQLITE_DONE) {
        sqlite3_reset(statement_);
        lastStepResult_ = kDone;
    } else if (rc == SQLITE_ROW) {
        lastStepResult_ = kRow;
    } else {
        errorMessage_ = sqlite3_errmsg(database_);
        // Reset so the statement can run again; the step's own code is what counts.
        sqlite3_reset(statement_);
        lastStepResult_ = rc;
    }
    return lastStepResult_;
}

int QVSqlQuery::column(const char* name) const
{
    if (!statement_ || !name || lastStepResult_ != kRow)
        return -1;
    // The first column of the name, as a lookup by name found it.
    for (size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i] == name)
            return static_cast<int>(i);
    return -1;
}

const char* QVSqlQuery::getText(const char* name) const
{
    int i = column(name);
    if (i < 0 || sqlite3_column_type(statement_, i) == SQLITE_NULL)
        return nullptr;
    return reinterpret_cast<const char*>(sqlite3_column_text(statement_, i));
}

std::optional<std::string> QVSqlQuery::getString(const char* name) const
{
    int i = column(name);
    if (i < 0 || sqlite3_column_type(statement_, i) == SQLITE_NULL)
        return std::nullopt;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, i));
    return std::string(text ? text : "", text ? static_cast<size_t>(sqlite3_column_bytes(statement_, i)) : 0);
}

bool QVSqlQuery::isNull(const char* name) const
{
    int i = column(name);
    return i < 0 || sqlite3_column_type(statement_, i) == SQLITE_NULL;
}

int QVSqlQuery::getInt(const char* name) const
{
    int i = column(name);
    return i < 0 ? 0 : sqlite3_column_int(statement_, i);
}

int64_t QVSqlQuery::getInt64(const char* name) const
{
    int i = column(name);
    return i < 0 ? 0 : sqlite3_column_int64(statement_, i);
}

double QVSqlQuery::getDouble(const char* name) const
{
    int i = column(name);
    return i < 0 ? 0.0 : sqlite3_column_double(statement_, i);
}

QVSqlQuery::Blob QVSqlQuery::getBlob(const char* name) const
{
    int i = column(name);
    if (i < 0)
        return {};
    Blob b;
    b.bytes = sqlite3_column_blob(statement_, i);
    b.length = sqlite3_column_bytes(statement_, i);
    return b;
}

void QVSqlQuery::resetQuery()
{
    if (statement_)
        sqlite3_reset(statement_);
    lastStepResult_ = statement_ ? kDone : (prepareError_ ? prepareError_ : SQLITE_MISUSE);
}

void QVSqlQuery::clearBindings()
{
    if (statement_)
        sqlite3_clear_bindings(statement_);
}

void QVSqlQuery::destroyQuery()
{
    if (statement_)
        sqlite3_finalize(statement_);
    statement_ = nullptr;
    database_ = nullptr;
    sql_.clear();
    columns_.clear();
    parameters_.clear();
    prepareError_ = 0;
    errorMessage_.clear();
    lastStepResult_ = kDone;
}

sqlite3* QVSqlOpenDatabase(const std::string& path, std::string* error)
{
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        if (error)
            *error = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        // SQLite hands back a handle even when the open fails; it must still be closed.
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}

} // namespace quorvel
