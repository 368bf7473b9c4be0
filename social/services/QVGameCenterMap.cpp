// Reading the Game Center id map from the application's resources.
#include "social/services/QVGameCenterMap.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"

namespace quorvel {

namespace {
void readSection(const platform::Value& root, const char* key, std::map<std::string, std::string>& out)
{
    const platform::Value& section = root[key];
    if (!section.isDictionary())
        return;
    for (const auto& [id, value] : section.dictionary()) {
        if (value.isString() && !value.string().empty())
            out[id] = value.string();
    }
}
} // namespace

QVGameCenterMap QVGameCenterMap::fromBundle()
{
    QVGameCenterMap map;
    std::string path = platform::Bundle::main().pathForResource(kResource, "plist");
    if (path.empty())
        return map;
    std::string error;
    std::optional<platform::Value> root = platform::readPropertyListFile(path, &error);
    if (!root || !root->isDictionary()) {
        platform::logWarning("Quorvel: the Game Center map cannot be read: %s",
                             error.empty() ? "not a dictionary" : error.c_str());
        return map;
    }
    readSection(*root, "Leaderboards", map.leaderboards);
    readSection(*root, "Achievements", map.achievements);
    return map;
}

std::optional<std::string> QVGameCenterMap::leaderboardCategory(const std::string& leaderboardId) const
{
    auto it = leaderboards.find(leaderboardId);
    return it == leaderboards.end() ? std::nullopt : std::optional<std::string>(it->second);
}

std::optional<std::string> QVGameCenterMap::achievementId(const std::string& id) const
{
    auto it = achievements.find(id);
    return it == achievements.end() ? std::nullopt : std::optional<std::string>(it->second);
}

} // namespace quorvel
