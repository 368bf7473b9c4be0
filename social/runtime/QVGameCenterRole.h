// QVGameCenterRole: how the score and achievement services reach Game Center
// through the running client — whether it is in use, how leaderboards and
// achievements map to its categories and identifiers, the reports, and the
// user options recording that the local bests were copied there once.
//
// The central class implements it and installs it at start-up (setCurrent),
// removing it at shut-down. Without a running client: not signed in, no
// mapping, reports go straight to the installed Game Center, and everything
// counts as copied.
#pragma once

#include "platform/foundation/Value.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quorvel {

class QVGameCenterRole {
public:
    virtual ~QVGameCenterRole() = default;

    virtual bool isLoggedIntoGameCenter() { return false; }
    // The category a leaderboard maps to.
    virtual std::optional<std::string> gameCenterLeaderboardCategory(const std::string&) { return std::nullopt; }
    // A score report (its completion receives whether it failed), answering
    // the date Game Center gave the score.
    virtual platform::Date submitScoreToGameCenter(int64_t score, const std::string& category,
                                                   std::function<void(bool failed)> completion);
    virtual bool isSynchedWithGameCenterLeaderboards() { return true; }
    virtual void setSynchWithGameCenterLeaderboards(bool) { }
    // The Game Center identifier an achievement maps to.
    virtual std::optional<std::string> gameCenterAchievementId(const std::string&) { return std::nullopt; }
    // A progress report (its completion receives whether it failed).
    virtual void submitAchievementToGameCenter(const std::string& identifier, double percentComplete,
                                               std::function<void(bool failed)> completion);
    virtual bool isSynchedWithGameCenterAchievements() { return true; }
    virtual void setSynchWithGameCenterAchievements(bool) { }

    // The installed role, or the default one.
    static QVGameCenterRole& current();
    // Installs a role (not owned: the client's own lasts to the end of the
    // process, and whoever installs another removes it before it goes);
    // null restores the default.
    static void setCurrent(QVGameCenterRole* role);
};

} // namespace quorvel
