// The offline store's shared state, private to its two sources: the one
// connection with what watches its file (QVOfflineStore.cpp) and the version
// and table statements the schema prepares (QVOfflineStoreSchema.cpp).
#pragma once

#include "social/services/QVOfflineStore.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quorvel::offline_store {

struct State {
    sqlite3* db { nullptr };
    std::string openError;
    int savepoints { 0 };
    uint64_t generation { 0 };
    // A descriptor of the store's file of our own, asked for its link count
    // (a removed file has none left while it stays open): -1 when none. It
    // is closed only after the connection, since closing a descriptor of a
    // file drops every lock the process holds on it.
    int fileFd { -1 };
    // The main loop's turn in which the store's path was last looked at.
    std::optional<uint64_t> pathLookedTurn;
    // A removed store could not be made again at its path: said once, until it is.
    bool remakeFailureSaid { false };
    QVSqlQuery getVersion;
    QVSqlQuery setVersion;
    QVAchievementStatements achievements;
    QVHighScoreStatements highScores;
    QVLeaderboardStatements leaderboards;
    QVUserStatements users;
};

State& state();
// Prepares `query` on the open connection.
void prepare(QVSqlQuery& query, const char* sql);
// The version statements go with the connection.
void finalizeVersionStatements();

} // namespace quorvel::offline_store
