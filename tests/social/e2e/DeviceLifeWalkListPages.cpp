// The walk's road of the dashboard's long lists: the player's pending
// challenges, or the players waiting for them to follow back, grown past a
// page of the service's, opened and walked through their load-more row to the
// end. What holds once the list says there is no more: its rows are the
// records the service keeps for the player the list asked as, each once, and
// its count says so.
#include "DeviceLifeWalk.h"

#include "platform/ui/Label.h"
#include "social/core/QVDashboardHub.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVResource.h"
#include "social/ui/QVTabBarItem.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <algorithm>
#include <set>
#include <sstream>

using namespace quorvel;

namespace walk_testing {

namespace {

struct LongList {
    const char* screen;  // the list's controller
    const char* path;    // its requests
    const char* param;   // and a parameter only they carry, with its value
    const char* value;
    const char* records; // the service's rows of player ?1, in a query answering their ids
};

const LongList kPendingChallenges { "QVChallengeListController", "challenges_users.xml", "incomplete", "1",
                                    "SELECT id AS id FROM challenges_users WHERE user_id = ?1 AND ignored = 0 AND result IS NULL" };
const LongList kFollowersWaiting { "QVFriendsController", "users.xml", "scope", "followers",
                                   "SELECT f.user_id AS id FROM friends f WHERE f.friend_id = ?1 AND NOT EXISTS (SELECT 1 FROM"
                                   " friends g WHERE g.user_id = ?1 AND g.friend_id = f.user_id)" };

std::string forPlayer(const char* sql, const std::string& who)
{
    std::string out = sql;
    for (size_t at = out.find("?1"); at != std::string::npos; at = out.find("?1", at))
        out.replace(at, 2, who);
    return out;
}

std::multiset<std::string> split(const std::string& text)
{
    std::multiset<std::string> out;
    std::istringstream in(text);
    for (std::string id; std::getline(in, id, ',');)
        out.insert(id);
    return out;
}

} // namespace

void DeviceLifeWalkEndToEnd::listsOverPages()
{
    const bool challengesList = draw(2) == 0;
    const int wanted = 26 + static_cast<int>(draw(40)); // more than a page, now and then more than two
    const std::string who = player;
    if (!clientRunning() || !state || !networkUp || !serviceWanted || who.empty() || who == "?")
        return note("  (no player online: no list to walk)");
    const LongList& list = challengesList ? kPendingChallenges : kFollowersWaiting;
    // The player's list grows to `wanted` rows, from the walk's other players or new ones.
    const int has = std::stoi("0" + kept("SELECT COUNT(*) FROM (" + forPlayer(list.records, who) + ")"));
    for (int i = has; i < wanted; ++i) {
        if (challengesList) {
            state->addChallenge(std::stoll(otherPlayer()), 51, "A page's row", "row " + std::to_string(i), std::stoll(who));
        } else {
            const int64_t fan = state->addUser("Fan " + std::to_string(i));
            ASSERT_TRUE(keepNow("INSERT INTO friends VALUES (" + std::to_string(fan) + ", " + who + ")"));
        }
    }
    note("  the " + std::string(challengesList ? "pending challenges" : "players waiting to be followed back") + " of player "
         + who + ", " + std::to_string(std::max(has, wanted)) + " of them");
    if (QuorvelInternal::hub().isDashboardHubOpen()) {
        Quorvel::dismissDashboard();
        pass(0.6);
    }
    const size_t asksBefore = service ? service->requests().size() : 0;
    askLogin(player, false, "the dashboard's long list");
    if (challengesList) {
        Quorvel::launchDashboardWithChallengesPage();
    } else {
        Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel", std::string("Friends"));
        pass(0.6);
        letAnswersLand();
        for (auto* tab : visible<QVTabBarItem>())
            if (tab->name() == "Pending") {
                driver->tap(tab);
                break;
            }
    }
    // Down to the load-more row and through it, page after page.
    QVTableSequenceControllerHelper* front = nullptr;
    for (int page = 0; page < 12; ++page) {
        pass(0.6);
        letAnswersLand();
        front = dynamic_cast<QVTableSequenceControllerHelper*>(frontScreen());
        if (!front || frontScreenName() != list.screen || !front->tableView())
            return note("  (the list is not in front: " + frontScreenName() + ")");
        auto* table = front->tableView();
        table->setContentOffset(
            platform::Point(0, std::max(0.0f, table->contentSize().height - table->bounds().height())));
        driver->settle();
        if (showsNow("No More To Load"))
            break;
        front = nullptr;
        for (auto* label : visible<platform::ui::Label>())
            if (label->text().rfind("Load ", 0) == 0 && label->text().size() > 10
                && label->text().compare(label->text().size() - 5, 5, " More") == 0) {
                note("  \"" + label->text() + "\"");
                // A label takes no touch itself: its row does.
                const platform::Rect at = label->convertRectTo(label->bounds(), nullptr);
                driver->tapPoint(platform::Point(at.midX(), at.midY()));
                break;
            }
    }
    if (!front)
        return note("  (the list did not come to its end)");

    // Whose list it is: the player whose token its last request carried; and the pages it asked for.
    std::string asked;
    std::set<std::string> pages;
    if (service) {
        const auto log = service->requests();
        for (size_t i = std::min(asksBefore, log.size()); i < log.size(); ++i)
            if (log[i].path == list.path && log[i].param(list.param) == list.value
                && log[i].oauthToken.rfind("token-", 0) == 0) {
                asked = log[i].oauthToken.substr(6, log[i].oauthToken.find('-', 6) - 6);
                pages.insert(log[i].param("page"));
            }
    }
    if (asked.empty())
        return note("  (no request of the list reached the service)");
    std::multiset<std::string> shown;
    auto* table = front->tableView();
    for (int section = 0; section < table->numberOfSections(); ++section)
        for (int row = 0; row < table->numberOfRowsInSection(section); ++row)
            if (auto* resource = dynamic_cast<QVResource*>(front->getResourceAtIndexPath(platform::ui::IndexPath::forRow(row, section))))
                shown.insert(resource->resourceId());
    const auto records = split(kept("SELECT group_concat(id) FROM (" + forPlayer(list.records, asked) + ")"));
    EXPECT_EQ(shown, records) << list.screen << " of player " << asked
                              << " walked to its end: its rows are not the service's, each once";
    // A page at a time, the service's pages of 25, each once at least and none past the last.
    std::set<std::string> everyPage;
    for (size_t page = 1; page == 1 || (page - 1) * 25 < records.size(); ++page)
        everyPage.insert(std::to_string(page));
    EXPECT_EQ(pages, everyPage) << list.screen << " of player " << asked << " did not ask for its pages one by one";
    const std::string count = std::to_string(records.size());
    EXPECT_TRUE(showsNow("Showing " + count + " of " + count))
        << list.screen << " of player " << asked << " says otherwise than its " << count << " rows: " << screenText();
}

} // namespace walk_testing
