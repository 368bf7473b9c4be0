// Helpers of the offline-store tests: a store in a temporary folder, and a
// second connection to seed old files and read what the client wrote.
#pragma once

#include "support/SqliteSyncCounter.h"
#include "support/TestSupport.h"

#include "platform/foundation/Log.h"
#include "social/services/QVOfflineStore.h"

#include <sqlite3.h>

#include <string>
#include <vector>

namespace offline_testing {

// A plain connection of the test's own, beside the client's.
class RawDatabase {
public:
    explicit RawDatabase(const std::string& path) { sqlite3_open(path.c_str(), &db_); }
    ~RawDatabase() { sqlite3_close(db_); }
    RawDatabase(const RawDatabase&) = delete;
    RawDatabase& operator=(const RawDatabase&) = delete;

    bool exec(const std::string& sql)
    {
        char* error = nullptr;
        int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
        if (rc != SQLITE_OK)
            ADD_FAILURE() << sql << ": " << (error ? error : "");
        sqlite3_free(error);
        return rc == SQLITE_OK;
    }
    // Every row of a query, columns joined with "|" (NULL as "NULL").
    std::vector<std::string> rows(const std::string& sql)
    {
        std::vector<std::string> out;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db_);
            return out;
        }
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::string row;
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                if (i)
                    row += "|";
                const unsigned char* t = sqlite3_column_text(stmt, i);
                row += t ? reinterpret_cast<const char*>(t) : "NULL";
            }
            out.push_back(row);
        }
        sqlite3_finalize(stmt);
        return out;
    }
    std::string value(const std::string& sql)
    {
        auto r = rows(sql);
        return r.empty() ? std::string("(no row)") : r.front();
    }
    std::vector<std::string> columns(const std::string& table)
    {
        return rows("SELECT name FROM pragma_table_info('" + table + "')");
    }
    sqlite3* handle() const { return db_; }

private:
    sqlite3* db_ { nullptr };
};

class OfflineStoreTest : public testing::Test {
protected:
    // First member: the store's files go through it from SetUp until after
    // TearDown has closed the store.
    testing_support::SqliteSyncCounter syncs;

    void TearDown() override { quorvel::QVOfflineStore::teardownOfflineDatabase(); }

    std::string path() const { return dir.file(quorvel::QVOfflineStore::kFileName); }
    // Opens the client's store and builds every table.
    bool openStore()
    {
        if (!quorvel::QVOfflineStore::openDatabaseAtPath(path()))
            return false;
        quorvel::QVOfflineStore::setupOfflineSupport();
        return true;
    }

    testing_support::TempDir dir;
    platform::LogCapture log;
};

} // namespace offline_testing
