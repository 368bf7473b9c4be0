// QVGameCenterMap: which of the game's leaderboards and achievements are
// mirrored to Game Center, and under which Game Center ids — the bundle
// resource "QVGameCenter.plist", a dictionary holding the dictionaries
// "Leaderboards" (leaderboard id → category) and "Achievements" (achievement
// id → identifier). A missing or unreadable file maps nothing; entries whose
// values are not strings are skipped.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace quorvel {

struct QVGameCenterMap {
    static constexpr const char* kResource = "QVGameCenter";

    std::map<std::string, std::string> leaderboards;
    std::map<std::string, std::string> achievements;

    static QVGameCenterMap fromBundle();
    std::optional<std::string> leaderboardCategory(const std::string& leaderboardId) const;
    std::optional<std::string> achievementId(const std::string& achievementId) const;
};

} // namespace quorvel
