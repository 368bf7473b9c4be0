// The game's pages end to end: the game tab offers what the service says the
// game has, the player's own tab lists the games played, a favourite and a
// review written from the fan club are kept and shape the favourites list,
// and a friend's profile lists their games and opens one of them.
#include "DashboardEndToEndSupport.h"

#include "platform/ui/Button.h"
#include "platform/ui/TextView.h"
#include "social/dashboard/games/QVFanClubController.h"
#include "social/dashboard/games/QVFavoriteThisGameController.h"
#include "social/dashboard/games/QVNewsLetterController.h"

#include <gtest/gtest.h>

using namespace e2e_testing;
using standin::StandInState;

namespace {

using GamesEndToEnd = DashboardEndToEndTest;

TEST_F(GamesEndToEnd, TheGameTabOffersOnlyWhatTheServiceSaysTheGameHas)
{
    // The operator turns the game's challenges off before the player comes.
    ASSERT_TRUE(arrange("UPDATE games SET has_challenges = 0 WHERE id = '321'"));
    launchAndLogIn();
    openDashboard();
    ASSERT_EQ(frontScreenName(), "QVGameProfileController");
    EXPECT_TRUE(shows("Welcome back, " + *state->userName(std::stoll(player()))));
    EXPECT_TRUE(shows("Leaderboards"));
    EXPECT_TRUE(shows("Achievements"));
    EXPECT_TRUE(shows("Fan Club"));
    EXPECT_FALSE(shows("Challenges"));
}

TEST_F(GamesEndToEnd, MyGamesListsWhatThePlayerPlaysAndAFriendsProfileListsTheirs)
{
    int64_t me = launchAndLogIn();
    state->addFriends(me, StandInState::kRivalUser);
    openDashboard();
    ASSERT_TRUE(tapTab("My Quorvel"));
    ASSERT_TRUE(waitForScreen("QVMyQuorvelController"));
    EXPECT_TRUE(shows(*state->userName(me)));

    ASSERT_TRUE(tapText("My Games"));
    ASSERT_TRUE(waitForText("Showing 1 of 1"));
    EXPECT_TRUE(shows("Brisko"));
    EXPECT_FALSE(shows("Puzzle Park"));
    ASSERT_TRUE(tapBack());

    // The friend's page: their games, then one of them compared with the player.
    ASSERT_TRUE(tapText("My Friends"));
    ASSERT_TRUE(waitForText("Rival"));
    ASSERT_TRUE(tapText("Rival"));
    ASSERT_TRUE(waitForScreen("QVProfileController"));
    EXPECT_TRUE(shows("Rival's Profile"));
    ASSERT_TRUE(tapText("Games"));
    ASSERT_TRUE(waitForText("Puzzle Park"));
    EXPECT_TRUE(shows("Brisko"));
    ASSERT_FALSE(serviceRequestsTo("profiles/18/list_games").empty());
    ASSERT_TRUE(tapText("Brisko"));
    ASSERT_TRUE(waitForScreen("QVGameProfileController"));
    EXPECT_TRUE(shows("Leaderboards"));
    // The running game's profile came with the login and is kept on the device: not asked again.
    EXPECT_TRUE(serviceRequestsTo("apps/321.xml").empty());
}

TEST_F(GamesEndToEnd, AFavouriteAndReviewFromTheFanClubAreKeptAndShapeTheFavouritesList)
{
    int64_t me = launchAndLogIn();
    const std::string favourite = "SELECT favorite FROM game_players WHERE user_id = " + std::to_string(me)
        + " AND game_id = '321'";
    openDashboard();
    ASSERT_TRUE(tapText("Fan Club"));
    ASSERT_TRUE(waitForText("Add Game as Favorite"));
    ASSERT_TRUE(tapText("Add Game as Favorite"));
    ASSERT_TRUE(waitForScreen("QVFavoriteThisGameController"));
    ASSERT_TRUE(waitForText("Press the star below"));
    auto* screen = dynamic_cast<quorvel::QVFavoriteThisGameController*>(frontStack()->visibleViewController());
    ASSERT_NE(screen, nullptr);

    // The star: kept as a favourite, and the comment box opens.
    ASSERT_TRUE(touch(screen->favoriteButton()));
    ASSERT_TRUE(waitUntil([&] { return kept(favourite) == "1"; }));
    ASSERT_TRUE(waitForText("You've added Brisko to your Favorites"));
    ASSERT_TRUE(typeInto(0, "Fast and fair"));
    ASSERT_TRUE(tapBarButton("Submit"));
    ASSERT_TRUE(waitUntil([&] { return driver->currentAlert() != nullptr; }));
    EXPECT_TRUE(driver->answerAlert("OK"));
    EXPECT_EQ(kept("SELECT review FROM game_players WHERE user_id = " + std::to_string(me) + " AND game_id = '321'"),
              "Fast and fair");
    auto reviews = serviceRequestsTo("client_applications/321/users/review.xml");
    ASSERT_FALSE(reviews.empty());
    EXPECT_EQ(reviews.back().param("client_application_user[review]"), "Fast and fair");

    // The favourites list of the player's games now holds the game.
    ASSERT_TRUE(tapTab("My Quorvel"));
    ASSERT_TRUE(tapText("My Games"));
    ASSERT_TRUE(waitForText("Brisko"));
    ASSERT_TRUE(tapText("Favorite Games"));
    ASSERT_TRUE(waitUntil([&] {
        for (auto& r : serviceRequestsTo("profiles/me/list_games"))
            if (r.param("only_favorites") == "1")
                return true;
        return false;
    }));
    EXPECT_TRUE(waitForText("Brisko"));
}

} // namespace
