// QVSqlQuery: one prepared SQLite statement with named parameters and columns.
//
// execute()/step() run one step and keep its result: 100 (SQLITE_ROW) while a
// row is current, 0 once the statement is done (it then resets itself at
// once), or the SQLite error code. A statement that could not be prepared, or
// one without database, reports that error from every step; it never reads as
// "done". Columns are found by their exact name; a column that is not in the
// result reads as NULL / 0. A static statement object may be created empty and
// given its database and SQL later through reset(). The text and blob pointers
// stay valid until the next step, reset or destroy.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace quorvel {

class QVSqlQuery {
public:
    QVSqlQuery() = default;
    QVSqlQuery(sqlite3* database, const char* sql) { reset(database, sql); }
    ~QVSqlQuery() { destroyQuery(); }
    QVSqlQuery(const QVSqlQuery&) = delete;
    QVSqlQuery& operator=(const QVSqlQuery&) = delete;

    // Finalises any old statement, then prepares `sql` on `database`.
    void reset(sqlite3* database, const char* sql);

    // Binds UTF-8 text (copied) to ":name"; null binds NULL. False when the
    // statement has no such parameter or binding failed.
    bool bind(const char* name, const char* value);
    // The text's own length is bound, so a NUL inside it is kept with the rest.
    bool bind(const char* name, const char* value, size_t length);
    bool bind(const char* name, const std::string& value) { return bind(name, value.data(), value.size()); }
    bool bind(const char* name, const std::optional<std::string>& value)
    {
        return value ? bind(name, value->data(), value->size()) : bind(name, nullptr);
    }
    bool bindInt64(const char* name, int64_t value);
    bool bindBlob(const char* name, const void* bytes, int length);

    // One step; answers the stored result.
    int execute();
    // One step; true while a row is current.
    bool step() { return execute() == kRow; }
    int lastStepResult() const { return lastStepResult_; }
    // True when no row is current (done, error, or never stepped).
    bool hasReachedEnd() const { return lastStepResult_ != kRow; }
    // SQLite's message for the last failure, or "".
    const std::string& errorMessage() const { return errorMessage_; }
    bool isPrepared() const { return statement_ != nullptr; }

    const char* getText(const char* column) const;
    // The whole text, NULs inside it included; none for NULL or a missing column.
    std::optional<std::string> getString(const char* column) const;
    // True when the column is NULL or not in the result.
    bool isNull(const char* column) const;
    int getInt(const char* column) const;
    int64_t getInt64(const char* column) const;
    bool getBool(const char* column) const { return getInt64(column) != 0; }
    double getDouble(const char* column) const;
    struct Blob {
        const void* bytes { nullptr };
        int length { 0 };
    };
    Blob getBlob(const char* column) const;

    // Resets the statement (bindings stay) and clears the stored result.
    void resetQuery();
    // Sets every parameter back to NULL.
    void clearBindings();
    // Finalises the statement and forgets database and SQL; safe to repeat.
    void destroyQuery();

    static constexpr int kRow = 100;
    static constexpr int kDone = 0;

private:
    int column(const char* name) const;
    int parameter(const char* name) const;

    int lastStepResult_ { kDone };
    int prepareError_ { 0 };
    sqlite3* database_ { nullptr };
    sqlite3_stmt* statement_ { nullptr };
    std::string sql_;
    std::string errorMessage_;
    // Names by position, read once when prepared: a statement has few, and
    // comparing them costs less than building a key for every bind and read.
    std::vector<std::string> columns_;
    std::vector<std::string> parameters_; // without their ':', from index 1
};

// Opens (creating when needed) the database at `path`; null on failure, in
// which case the half-open handle has already been closed.
sqlite3* QVSqlOpenDatabase(const std::string& path, std::string* error = nullptr);

} // namespace quorvel
