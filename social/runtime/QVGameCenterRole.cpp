// The Game Center role's defaults (no client running: report straight to the
// installed Game Center) and its slot.
#include "social/runtime/QVGameCenterRole.h"

#include "platform/gamekit/GameCenter.h"

#include <atomic>
#include <utility>

namespace quorvel {

namespace {
std::atomic<QVGameCenterRole*> installed { nullptr };
} // namespace

platform::Date QVGameCenterRole::submitScoreToGameCenter(int64_t score, const std::string& category,
                                                         std::function<void(bool failed)> completion)
{
    return platform::gamekit::GameCenter::current().reportScore(
        score, category, [completion = std::move(completion)](const platform::gamekit::OptionalError& error) {
            if (completion)
                completion(error.has_value());
        });
}

void QVGameCenterRole::submitAchievementToGameCenter(const std::string& identifier, double percentComplete,
                                                     std::function<void(bool failed)> completion)
{
    platform::gamekit::GameCenter::current().reportAchievement(
        identifier, percentComplete,
        [completion = std::move(completion)](const platform::gamekit::OptionalError& error) {
            if (completion)
                completion(error.has_value());
        });
}

QVGameCenterRole& QVGameCenterRole::current()
{
    static QVGameCenterRole fallback;
    QVGameCenterRole* role = installed.load();
    return role ? *role : fallback;
}

void QVGameCenterRole::setCurrent(QVGameCenterRole* role) { installed.store(role); }

} // namespace quorvel
