// The leaderboard page with Game Center's scores merged into the list of
// everyone: duplicates, order and ties, ranks, the "Friends" section and the
// cut to 25.
#include "platform/foundation/Format.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVGameCenterLeaderboardPage.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVUser.h"

#include <gtest/gtest.h>

using namespace quorvel;
using platform::Ref;
using platform::gamekit::Score;
using Page = QVGameCenterLeaderboardPage;

namespace {

Ref<QVHighScore> serviceScore(const std::string& id, int64_t value, uint32_t seconds = 0, int rank = 0)
{
    auto s = QVHighScore::create();
    s->setResourceId(id);
    s->setScore(value);
    s->setGameCenterSeconds(std::to_string(seconds));
    s->setOverrideRank(rank);
    return s;
}

Score gameCenterScore(const std::string& player, int64_t value, double seconds)
{
    Score s;
    s.playerID = player;
    s.value = value;
    s.formattedValue = std::to_string(value);
    s.date = platform::Date { seconds };
    return s;
}

Ref<QVPaginatedSeries> page(const std::vector<Ref<QVHighScore>>& scores)
{
    QVPaginatedSeries::Objects objects(scores.begin(), scores.end());
    return QVPaginatedSeries::paginatedSeriesFromArray(std::move(objects));
}

Ref<QVPaginatedSeries> sections(const std::vector<std::pair<std::string, Ref<QVPaginatedSeries>>>& list)
{
    QVPaginatedSeries::Objects objects;
    for (const auto& [title, scores] : list)
        objects.emplace_back(QVTableSectionDescription::sectionWithTitle(title, scores).get());
    return QVPaginatedSeries::paginatedSeriesFromArray(std::move(objects));
}

QVTableSectionDescription* section(const QVPaginatedSeries& p, size_t i)
{
    return dynamic_cast<QVTableSectionDescription*>(p.objectAtIndex(i));
}

std::vector<std::string> titles(const QVPaginatedSeries& p)
{
    std::vector<std::string> out;
    for (size_t i = 0; i < p.count(); ++i)
        out.push_back(section(p, i) ? section(p, i)->title() : "?");
    return out;
}

// "id:value#rank" for service scores, "gc player:value#rank" for Game Center ones.
std::vector<std::string> listing(const QVPaginatedSeries* p)
{
    std::vector<std::string> out;
    for (const auto& o : p->objects()) {
        auto* s = dynamic_cast<QVHighScore*>(o.get());
        if (!s) {
            out.push_back("not a score");
            continue;
        }
        std::string who = s->gameCenterId().empty() ? s->resourceId() : "gc " + s->gameCenterId();
        out.push_back(platform::format("%s:%lld#%d", who.c_str(), static_cast<long long>(s->score()), s->rank()));
    }
    return out;
}

TEST(QVGameCenterLeaderboardPage, SameSubmissionListedOnceOtherPlayersOfThatSecondKept)
{
    Page::Merge merge;
    merge.descending = true;
    merge.localPlayerID = "G:me";
    merge.gameCenterScores = {
        gameCenterScore("G:me", 900, 1700000000.7), // the service's 902, mirrored
        gameCenterScore("G:2", 900, 1700000000.2),  // another player, same second and value
        gameCenterScore("G:3", 1000, 1700000000.0), // another player, same second
        gameCenterScore("G:4", 500, 1600000000.0),
    };
    auto own = serviceScore("902", 900, 1700000000, 7);
    auto globals = sections({ { "My Score", page({ own }) },
                              { "Top", page({ serviceScore("901", 950), serviceScore("902", 900, 1700000000) }) } });
    auto friends = page({ serviceScore("930", 10) });

    auto result = Page::combinedPage(*globals, friends.get(), &merge);
    EXPECT_EQ(titles(*result), (std::vector<std::string> { "My Score", "Friends", "Top" }));
    EXPECT_EQ(listing(section(*result, 2)->page()),
              (std::vector<std::string> { "gc G:3:1000#1", "901:950#2", "902:900#3", "gc G:2:900#4", "gc G:4:500#5" }));
    // The player's score takes its rank from the merged list; the caller's keeps its own.
    EXPECT_EQ(listing(section(*result, 0)->page()), (std::vector<std::string> { "902:900#3" }));
    EXPECT_EQ(own->rank(), 7);
    EXPECT_EQ(listing(section(*result, 1)->page()), (std::vector<std::string> { "930:10#0" }));
    // The caller's pages are unchanged.
    EXPECT_EQ(globals->count(), 2u);
    EXPECT_EQ(section(*globals, 1)->page()->count(), 2u);
}

TEST(QVGameCenterLeaderboardPage, AscendingMergeGivesTiesToTheServiceScore)
{
    Page::Merge merge;
    merge.descending = false;
    merge.gameCenterScores = { gameCenterScore("G:5", 30, 10), gameCenterScore("G:6", 12, 11),
                               gameCenterScore("G:7", 20, 12) };
    auto merged = Page::combineScores(merge, page({ serviceScore("1", 10), serviceScore("2", 20) }).get());
    EXPECT_EQ(listing(merged.get()),
              (std::vector<std::string> { "1:10#1", "gc G:6:12#2", "2:20#3", "gc G:7:20#4", "gc G:5:30#5" }));
    EXPECT_EQ(listing(Page::combineScores(merge, nullptr).get()),
              (std::vector<std::string> { "gc G:6:12#1", "gc G:7:20#2", "gc G:5:30#3" }));
}

TEST(QVGameCenterLeaderboardPage, UnmergedPagesStillGetFriendsAndAreCutTo25)
{
    std::vector<Ref<QVHighScore>> many;
    for (int i = 0; i < 30; ++i)
        many.push_back(serviceScore(std::to_string(100 + i), 1000 - i, 0, i + 1));
    auto globals = sections({ { "My Score", page({}) }, { "Everyone", page(many) } });
    auto friends = page(many);

    auto result = Page::combinedPage(*globals, friends.get(), nullptr);
    EXPECT_EQ(titles(*result), (std::vector<std::string> { "My Score", "Friends", "Everyone" }));
    EXPECT_EQ(section(*result, 1)->page()->count(), 25u);
    EXPECT_EQ(section(*result, 2)->page()->count(), 25u);
    EXPECT_EQ(listing(section(*result, 2)->page())[24], "124:976#25");
    EXPECT_EQ(friends->count(), 30u);
    EXPECT_EQ(section(*globals, 1)->page()->count(), 30u);
}

TEST(QVGameCenterLeaderboardPage, FlatAnswersAreCutTo25Too)
{
    // A board of thousands answered without sections shows no more rows than a sectioned one.
    std::vector<Ref<QVHighScore>> many;
    for (int i = 0; i < 2000; ++i)
        many.push_back(serviceScore(std::to_string(100 + i), 5000 - i, 0, i + 1));
    auto globals = page(many);
    auto result = Page::combinedPage(*globals, page(many).get(), nullptr);
    size_t flatScores = 0;
    for (size_t i = 0; i < result->count(); ++i) {
        if (QVTableSectionDescription* s = section(*result, i))
            EXPECT_LE(s->page()->count(), 25u) << s->title();
        else if (dynamic_cast<QVHighScore*>(result->objectAtIndex(i)))
            ++flatScores;
    }
    EXPECT_LE(flatScores, 25u);
    EXPECT_EQ(globals->count(), 2000u) << "the caller's page is left as it was";
}

TEST(QVGameCenterLeaderboardPage, PagesWithoutSections)
{
    // Nothing at all: the "Friends" section alone, without a crash.
    auto empty = QVPaginatedSeries::paginatedSeries();
    auto alone = Page::combinedPage(*empty, nullptr, nullptr);
    EXPECT_EQ(titles(*alone), std::vector<std::string> { "Friends" });
    EXPECT_EQ(section(*alone, 0)->page()->count(), 0u);

    // Merged: Game Center's scores become "Everyone", then "Friends".
    Page::Merge merge;
    merge.gameCenterScores = { gameCenterScore("G:1", 5, 1), gameCenterScore("G:2", 9, 2) };
    auto merged = Page::combinedPage(*empty, nullptr, &merge);
    EXPECT_EQ(titles(*merged), (std::vector<std::string> { "Everyone", "Friends" }));
    EXPECT_EQ(listing(section(*merged, 0)->page()), (std::vector<std::string> { "gc G:2:9#1", "gc G:1:5#2" }));
}

TEST(QVGameCenterLeaderboardPage, PlainScoreRowsBecomeSectionsAndNoScoreIsLost)
{
    // Both answers as plain rows: "Friends" and "Everyone", each holding only scores.
    auto globals = page({ serviceScore("1", 300, 0, 1), serviceScore("2", 200, 0, 2) });
    auto friends = page({ serviceScore("3", 250, 0, 1) });
    auto plain = Page::combinedPage(*globals, friends.get(), nullptr);
    EXPECT_EQ(titles(*plain), (std::vector<std::string> { "Friends", "Everyone" }));
    EXPECT_EQ(listing(section(*plain, 0)->page()), (std::vector<std::string> { "3:250#1" }));
    EXPECT_EQ(listing(section(*plain, 1)->page()), (std::vector<std::string> { "1:300#1", "2:200#2" }));

    // Merged with Game Center, a plain list of everyone takes its scores in.
    Page::Merge merge;
    merge.gameCenterScores = { gameCenterScore("G:1", 250, 5) };
    auto merged = Page::combinedPage(*globals, friends.get(), &merge);
    EXPECT_EQ(titles(*merged), (std::vector<std::string> { "Friends", "Everyone" }));
    EXPECT_EQ(listing(section(*merged, 1)->page()),
              (std::vector<std::string> { "1:300#1", "gc G:1:250#2", "2:200#3" }));

    // A sectioned friends answer: its last section holds the friends' scores.
    auto sectionedFriends = sections({ { "Mine", page({ serviceScore("9", 1) }) }, { "Friends", friends } });
    auto own = sections({ { "My Score", page({ serviceScore("2", 200) }) }, { "Everyone", globals } });
    auto result = Page::combinedPage(*own, sectionedFriends.get(), nullptr);
    EXPECT_EQ(titles(*result), (std::vector<std::string> { "My Score", "Friends", "Everyone" }));
    EXPECT_EQ(listing(section(*result, 1)->page()), (std::vector<std::string> { "3:250#1" }));
}

} // namespace
