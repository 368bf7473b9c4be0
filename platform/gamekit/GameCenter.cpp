// The game-network interface, its not-signed-in default and the scripted
// in-process network.
#include "platform/gamekit/GameCenter.h"

#include "platform/foundation/DateFormat.h"
#include "platform/foundation/RunLoop.h"

#include <algorithm>
#include <utility>

namespace platform::gamekit {

namespace {
Ref<GameCenter>& installed()
{
    static Ref<GameCenter> center;
    return center;
}

class NoGameCenter final : public GameCenter {
public:
    static NoGameCenter& shared()
    {
        static NoGameCenter* none = new NoGameCenter;
        return *none;
    }
};
} // namespace

GameCenter& GameCenter::current()
{
    Ref<GameCenter>& center = installed();
    return center ? *center : NoGameCenter::shared();
}

void GameCenter::install(Ref<GameCenter> center) { installed() = std::move(center); }

void GameCenter::later(std::function<void()> fn) { RunLoop::main().post(std::move(fn)); }

// -- the default: nobody signed in --------------------------------------------

void GameCenter::authenticateLocalPlayer(ErrorHandler completion)
{
    later([completion = std::move(completion)] {
        if (completion)
            completion(notSignedIn());
    });
}

void GameCenter::loadFriends(std::function<void(const std::vector<std::string>&, const OptionalError&)> completion)
{
    later([completion = std::move(completion)] {
        if (completion)
            completion({}, notSignedIn());
    });
}

Date GameCenter::reportScore(int64_t, const std::string&, ErrorHandler completion)
{
    Date made = dateNow();
    later([completion = std::move(completion)] {
        if (completion)
            completion(notSignedIn());
    });
    return made;
}

void GameCenter::reportAchievement(const std::string&, double, ErrorHandler completion)
{
    later([completion = std::move(completion)] {
        if (completion)
            completion(notSignedIn());
    });
}

void GameCenter::loadAchievements(std::function<void(const std::vector<Achievement>&, const OptionalError&)> completion)
{
    later([completion = std::move(completion)] {
        if (completion)
            completion({}, notSignedIn());
    });
}

void GameCenter::loadScores(const Leaderboard&,
                            std::function<void(const std::vector<Score>&, const OptionalError&)> completion)
{
    later([completion = std::move(completion)] {
        if (completion)
            completion({}, notSignedIn());
    });
}

void GameCenter::loadPlayers(const std::vector<std::string>&,
                             std::function<void(const std::vector<Player>&, const OptionalError&)> completion)
{
    later([completion = std::move(completion)] {
        if (completion)
            completion({}, notSignedIn());
    });
}

// -- leaderboard loads -----------------------------------------------------------

void Leaderboard::loadScores(std::function<void(const std::vector<Score>&, const OptionalError&)> completion)
{
    loading_ = true;
    Ref<Leaderboard> self(this);
    GameCenter::current().loadScores(*this, [self, completion = std::move(completion)](const std::vector<Score>& s,
                                                                                        const OptionalError& error) {
        self->scores_ = error ? std::vector<Score>() : s;
        self->loading_ = false;
        if (completion)
            completion(self->scores_, error);
    });
}

// -- the scripted network --------------------------------------------------------

OptionalError ScriptedGameCenter::loadError() const
{
    if (!authenticated_)
        return notSignedIn();
    return failLoads;
}

void ScriptedGameCenter::answerReport(std::function<void()> completion)
{
    if (holdReports)
        heldReports_.push_back(std::move(completion));
    else
        later(std::move(completion));
}

void ScriptedGameCenter::releaseHeldReports()
{
    for (auto& completion : std::exchange(heldReports_, {}))
        later(std::move(completion));
}

void ScriptedGameCenter::authenticateLocalPlayer(ErrorHandler completion)
{
    ++authenticateCalls;
    Ref<ScriptedGameCenter> self(this);
    later([self, completion = std::move(completion)] {
        self->authenticated_ = self->signsIn;
        if (completion)
            completion(self->authenticated_ ? OptionalError() : notSignedIn());
    });
}

void ScriptedGameCenter::loadFriends(std::function<void(const std::vector<std::string>&, const OptionalError&)> completion)
{
    OptionalError error = loadError();
    std::vector<std::string> list = error ? std::vector<std::string>() : friends;
    later([completion = std::move(completion), list = std::move(list), error] {
        if (completion)
            completion(list, error);
    });
}

Date ScriptedGameCenter::reportScore(int64_t value, const std::string& category, ErrorHandler completion)
{
    Date made = scoreDate ? *scoreDate : dateNow();
    OptionalError error = authenticated_ ? failReports : OptionalError(notSignedIn());
    if (!error) {
        reports.push_back({ "score", category, value, 0, made });
        scores.push_back({ playerID, category, value, std::to_string(value), made, 0 });
    }
    answerReport([completion = std::move(completion), error] {
        if (completion)
            completion(error);
    });
    return made;
}

void ScriptedGameCenter::reportAchievement(const std::string& identifier, double percentComplete,
                                           ErrorHandler completion)
{
    OptionalError error = authenticated_ ? failReports : OptionalError(notSignedIn());
    if (!error)
        reports.push_back({ "achievement", identifier, 0, percentComplete, dateNow() });
    answerReport([completion = std::move(completion), error] {
        if (completion)
            completion(error);
    });
}

void ScriptedGameCenter::loadAchievements(
    std::function<void(const std::vector<Achievement>&, const OptionalError&)> completion)
{
    OptionalError error = loadError();
    std::vector<Achievement> list = error ? std::vector<Achievement>() : achievements;
    later([completion = std::move(completion), list = std::move(list), error] {
        if (completion)
            completion(list, error);
    });
}

void ScriptedGameCenter::loadScores(const Leaderboard& request,
                                    std::function<void(const std::vector<Score>&, const OptionalError&)> completion)
{
    OptionalError error = loadError();
    std::vector<Score> page;
    if (!error) {
        double now = dateNow().seconds;
        double window = request.timeScope == kTimeScopeToday ? 86400.0
                        : request.timeScope == kTimeScopeWeek ? 7 * 86400.0
                                                              : -1;
        for (const Score& s : scores) {
            if (s.category != request.category)
                continue;
            if (window > 0 && now - s.date.seconds > window)
                continue;
            if (request.playerScope == kPlayerScopeFriendsOnly && s.playerID != playerID
                && std::find(friends.begin(), friends.end(), s.playerID) == friends.end())
                continue;
            page.push_back(s);
        }
        std::stable_sort(page.begin(), page.end(), [](const Score& a, const Score& b) { return a.value > b.value; });
        for (size_t i = 0; i < page.size(); ++i)
            page[i].rank = static_cast<int>(i) + 1;
        size_t first = static_cast<size_t>(std::max(1, request.rangeLocation)) - 1;
        size_t length = static_cast<size_t>(std::max(0, request.rangeLength));
        if (first >= page.size())
            page.clear();
        else
            page = std::vector<Score>(page.begin() + static_cast<long>(first),
                                      page.begin() + static_cast<long>(std::min(page.size(), first + length)));
    }
    later([completion = std::move(completion), page = std::move(page), error] {
        if (completion)
            completion(page, error);
    });
}

void ScriptedGameCenter::loadPlayers(const std::vector<std::string>& playerIDs,
                                     std::function<void(const std::vector<Player>&, const OptionalError&)> completion)
{
    OptionalError error = loadError();
    std::vector<Player> found;
    if (!error) {
        for (const auto& id : playerIDs)
            for (const auto& p : players)
                if (p.playerID == id)
                    found.push_back(p);
    }
    later([completion = std::move(completion), found = std::move(found), error] {
        if (completion)
            completion(found, error);
    });
}

} // namespace platform::gamekit
