// Leaderboards and high scores: the list request, the two score requests of a
// tapped leaderboard merged after both answers and Game Center, the time-scope
// tabs, numbered loads, the offline scores and the score rows.
#include "../DashboardTestSupport.h"

#include "platform/gamekit/GameCenter.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/scores/QVHighScoreController.h"
#include "social/dashboard/scores/QVLeaderboardCells.h"
#include "social/ui/QVKitImages.h"
#include "social/dashboard/scores/QVLeaderboardController.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/HighScoreTestSupport.h"
#include "social/services/QVHighScoreService.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/QVTabbedPageHeaderController.h"
#include "social/ui/QVTableSequenceControllerHelper.h"
#include "social/ui/QVTableSequenceControllerLoadMoreCell.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace dashboard_testing;
using platform::Ref;
using platform::ui::IndexPath;
using platform::ui::TableViewCell;

namespace {

using screen_testing::RecordedRequest;

std::string parameter(const RecordedRequest& r, const std::string& name)
{
    for (auto& [k, v] : r.parameters)
        if (k == name)
            return v;
    return "<none>";
}

class LeaderboardTest : public DashboardTest {
protected:
    void TearDown() override
    {
        list = nullptr;
        DashboardTest::TearDown();
    }

    // The leaderboard list of a game, answered.
    QVLeaderboardController* openLeaderboards(QVGameProfilePageInfo* info)
    {
        Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("Leaderboard");
        list = Ref<QVLeaderboardController>(dynamic_cast<QVLeaderboardController*>(loaded.get()));
        EXPECT_TRUE(list);
        list->setGameProfileInfo(info);
        showInNavigation(list.get());
        return list.get();
    }

    // Taps the row and answers nothing yet: the high-score list on top.
    QVHighScoreController* tapLeaderboard(int row)
    {
        auto* table = list->tableView();
        table->scrollToRowAtIndexPath(IndexPath::forRow(row, 0), platform::ui::TableViewScrollPosition::None, false);
        table->layoutSubviews();
        TableViewCell* cell = table->cellForRowAtIndexPath(IndexPath::forRow(row, 0));
        EXPECT_TRUE(cell && driver().tap(cell));
        settle(1);
        return dynamic_cast<QVHighScoreController*>(navigation->topViewController());
    }

    // A high-score list opened as the central class opens it (no game profile).
    QVHighScoreController* openHighScores(const std::string& id, const std::string& name)
    {
        Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("HighScore");
        scores = Ref<QVHighScoreController>(dynamic_cast<QVHighScoreController*>(loaded.get()));
        auto leaderboard = QVLeaderboard::staticResourceClass().create();
        auto* lb = dynamic_cast<QVLeaderboard*>(leaderboard.get());
        QVResourceNameMap names;
        auto doc = QVXmlDocument::xmlDocumentWithString("<leaderboard><id>" + id + "</id><name>" + name + "</name></leaderboard>");
        lb->populateFromXml(*doc->topElement(), names);
        scores->setLeaderboard(lb);
        showInNavigation(scores.get());
        return scores.get();
    }

    // Answers the friends' and the global list, in the order they were asked.
    bool answerBothLists()
    {
        bool answered = provider->answerWithXml(fixture("high_scores_friends.xml"))
            && provider->answerWithXml(fixture("high_scores_global.xml"));
        settle(1);
        return answered;
    }

    std::vector<RecordedRequest> scoreRequests() const
    {
        std::vector<RecordedRequest> out;
        for (auto& r : provider->requests())
            if (r.path == "client_applications/@me/high_scores.xml")
                out.push_back(r);
        return out;
    }

    // The section titles of the shown list.
    static std::vector<std::string> titles(QVTableControllerHelper* screen)
    {
        std::vector<std::string> out;
        if (screen->sections())
            for (auto& s : *screen->sections())
                out.push_back(s->title());
        return out;
    }

    // The header's tab names, in order.
    static std::vector<std::string> tabNames(QVHighScoreController* screen)
    {
        std::vector<std::string> out;
        auto* header = dynamic_cast<QVTabbedPageHeaderController*>(screen->tableHeaderController());
        if (header && header->tabBar())
            for (auto& item : header->tabBar()->items())
                out.push_back(item->name());
        return out;
    }
    bool tapTab(QVHighScoreController* screen, const std::string& name)
    {
        auto* header = dynamic_cast<QVTabbedPageHeaderController*>(screen->tableHeaderController());
        if (!header || !header->tabBar())
            return false;
        for (auto& item : header->tabBar()->items())
            if (item->name() == name) {
                bool tapped = static_cast<bool>(driver().tap(item.get()));
                settle();
                return tapped;
            }
        return false;
    }

    QVHighScoreCell* scoreCell(QVHighScoreController* screen, int row, int section)
    {
        auto* table = screen->tableView();
        table->scrollToRowAtIndexPath(IndexPath::forRow(row, section), platform::ui::TableViewScrollPosition::None, false);
        table->layoutSubviews();
        return dynamic_cast<QVHighScoreCell*>(table->cellForRowAtIndexPath(IndexPath::forRow(row, section)));
    }

    Ref<QVLeaderboardController> list;
    Ref<QVHighScoreController> scores;
};

TEST_F(LeaderboardTest, TappedLeaderboardLoadsFriendsAndEveryoneAndShowsThemMerged)
{
    auto info = profileFrom(profileXml("302", "Diver", true, false, false));
    openLeaderboards(info.get());
    auto requests = provider->requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "client_applications/302/leaderboards.xml");
    ASSERT_TRUE(provider->answerWithXml(fixture("leaderboards.xml")));
    settle(1);
    ASSERT_EQ(list->tableView()->numberOfRowsInSection(0), 3) << "two leaderboards and the load-more row";
    auto* first = dynamic_cast<QVLeaderboardCell*>(list->tableView()->cellForRowAtIndexPath(IndexPath::forRow(0, 0)));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->titleLabel()->text(), "Normal");

    QVHighScoreController* highScores = tapLeaderboard(0);
    ASSERT_TRUE(highScores);
    EXPECT_EQ(highScores->title(), "Normal");
    EXPECT_EQ(highScores->gameProfileInfo(), info.get());
    auto sent = scoreRequests();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(parameter(sent[0], "leaderboard_id"), "5");
    EXPECT_NE(parameter(sent[0], "friends_leaderboard"), "<none>");
    EXPECT_EQ(parameter(sent[0], "follower_id"), "me");
    EXPECT_EQ(parameter(sent[0], "interval"), "<none>") << "all time sends no interval";
    EXPECT_EQ(parameter(sent[1], "friends_leaderboard"), "<none>");
    EXPECT_TRUE(highScores->loadingInProcess());

    ASSERT_TRUE(provider->answerWithXml(fixture("high_scores_friends.xml")));
    settle();
    EXPECT_FALSE(highScores->sections()) << "nothing shows before both answers";
    ASSERT_TRUE(provider->answerWithXml(fixture("high_scores_global.xml")));
    settle(1);
    EXPECT_FALSE(highScores->loadingInProcess());
    EXPECT_EQ(titles(highScores), (std::vector<std::string> { "My Score", "Friends", "Everyone" }));
    EXPECT_EQ(highScores->tableView()->numberOfRowsInSection(1), 2);
}

TEST_F(LeaderboardTest, TabsChangeTheIntervalAndALoadOutlivedByItsTabIsRepeated)
{
    auto* screen = openHighScores("5", "Normal");
    ASSERT_EQ(scoreRequests().size(), 2u);
    ASSERT_TRUE(answerBothLists());
    ASSERT_TRUE(screen->sections());
    EXPECT_EQ(tabNames(screen), (std::vector<std::string> { "All Time", "Today", "This week" }));

    ASSERT_TRUE(tapTab(screen, "Today"));
    auto sent = scoreRequests();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(parameter(sent[2], "interval"), "1");
    EXPECT_EQ(parameter(sent[3], "interval"), "1");
    EXPECT_EQ(screen->noDataFoundMessage(), "No one has posted high scores for Normal yet.");

    // This week is chosen while today's load runs (the loading overlay takes
    // touches, so the tab's action is sent directly): no request now, today's
    // answers are not shown, and the load is made again for this week.
    EXPECT_FALSE(tapTab(screen, "This week")) << "the overlay covers the tabs";
    screen->setTimeScopingWeek();
    settle();
    EXPECT_EQ(scoreRequests().size(), 4u);
    ASSERT_TRUE(provider->answerWithXml(fixture("high_scores_friends.xml")));
    ASSERT_TRUE(provider->answerWithXml("<?xml version=\"1.0\"?><resources></resources>"));
    settle();
    sent = scoreRequests();
    ASSERT_EQ(sent.size(), 6u);
    EXPECT_EQ(parameter(sent[4], "interval"), "7");
    EXPECT_EQ(parameter(sent[5], "interval"), "7");
    EXPECT_EQ(titles(screen), (std::vector<std::string> { "My Score", "Friends", "Everyone" })) << "the all-time list stays";

    screen->setTimeScopingAll();
    settle();
    EXPECT_EQ(scoreRequests().size(), 6u) << "a load is outstanding";
}

TEST_F(LeaderboardTest, LateAnswerOfAFailedLoadIsDropped)
{
    auto* screen = openHighScores("5", "Normal");
    ASSERT_TRUE(provider->answerWithFailure()); // friends fail: the load ends
    settle();
    EXPECT_FALSE(screen->loadingInProcess());

    screen->setTimeScopingWeek();
    settle();
    ASSERT_EQ(scoreRequests().size(), 4u);
    unsigned load = screen->loadNumber();
    // The first load's everyone answer arrives only now.
    ASSERT_TRUE(provider->answerWithXml(fixture("high_scores_global.xml")));
    settle();
    EXPECT_EQ(screen->globalResources(), nullptr);
    EXPECT_EQ(screen->loadNumber(), load);

    ASSERT_TRUE(answerBothLists());
    EXPECT_EQ(titles(screen), (std::vector<std::string> { "My Score", "Friends", "Everyone" }));
}

TEST_F(LeaderboardTest, FirstOnlineLoadWithoutScoresSaysSo)
{
    auto* screen = openHighScores("5", "Normal");
    ASSERT_TRUE(provider->answerWithXml("<?xml version=\"1.0\"?><resources></resources>"));
    ASSERT_TRUE(provider->answerWithXml("<?xml version=\"1.0\"?><resources></resources>"));
    settle(1);
    auto* empty = dynamic_cast<QVDeadEndErrorController*>(screen->emptyTableController());
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->message(), "No one has posted high scores for Normal yet.");
}

TEST_F(LeaderboardTest, OfflineShowsTheStoredScoresUnderItsOwnText)
{
    provider->online = false;
    auto* screen = openHighScores("5", "Normal");
    EXPECT_TRUE(scoreRequests().empty());
    settle(1);
    EXPECT_EQ(screen->noDataFoundMessage(),
              "All of your high scores for Normal will show up here. You have not posted any yet.");
    EXPECT_EQ(tabNames(screen), std::vector<std::string> { "My Scores" });
    EXPECT_EQ(screen->navigationItem()->rightBarButtonItem(), nullptr);
}

TEST_F(LeaderboardTest, GameCenterRowsShowTheAliasOnceLoadedAndTakeNoTouches)
{
    auto center = platform::gamekit::ScriptedGameCenter::create();
    center->players = { { "G:7", "Diver7" } };
    center->setAuthenticated(true);
    platform::gamekit::GameCenter::install(center);
    platform::gamekit::Score gk;
    gk.playerID = "G:7";
    gk.value = 1500;
    gk.formattedValue = "1,500";

    Ref<platform::ui::TableViewCell> made = QVControllerLoader::loadCell("HighScore");
    auto* cell = dynamic_cast<QVHighScoreCell*>(made.get());
    ASSERT_TRUE(cell);
    auto score = QVHighScore::initWithGkScore(gk, 3);
    cell->changeResource(score.get(), 0);
    EXPECT_EQ(cell->nameLabel()->text(), "Loading...");
    EXPECT_EQ(cell->scoreLabel()->text(), "1,500");
    EXPECT_FALSE(cell->isUserInteractionEnabled());
    EXPECT_TRUE(cell->downloadBlobButton()->isHidden());
    EXPECT_TRUE(cell->disclosureIndicator()->isHidden());
    settle();
    EXPECT_EQ(cell->nameLabel()->text(), "3. Diver7");
    EXPECT_EQ(score->gameCenterName(), "Diver7");

    // A failed alias load says so, on the row that still shows that score.
    center->failLoads = platform::gamekit::Error { 5, "offline" };
    auto other = QVHighScore::initWithGkScore(gk, 4);
    cell->changeResource(other.get(), 0);
    settle();
    EXPECT_EQ(cell->nameLabel()->text(), "Loading Error");
    platform::gamekit::GameCenter::install(nullptr);
}

TEST_F(LeaderboardTest, MapButtonOnlyWithASharedLocation)
{
    auto* screen = openHighScores("5", "Normal");
    EXPECT_EQ(screen->navigationItem()->rightBarButtonItem(), nullptr) << "no location known";

    provider->location = std::make_pair(48.2, 16.4);
    QuorvelInternal::options().setUserDistanceUnit(QVDistanceUnit::LocationOff);
    screen->viewWillAppear(false);
    EXPECT_EQ(screen->navigationItem()->rightBarButtonItem(), nullptr) << "the player shares no location";

    QuorvelInternal::options().setUserDistanceUnit(QVDistanceUnit::Undecided);
    screen->viewWillAppear(false);
    ASSERT_TRUE(screen->navigationItem()->rightBarButtonItem());
    EXPECT_EQ(screen->navigationItem()->rightBarButtonItem()->image()->name(), "QVMapButton.png");
}

TEST_F(LeaderboardTest, OfflineMyScoresComeFromTheStore)
{
    testing_support::TempDir storeDir;
    ASSERT_TRUE(QVOfflineStore::openDatabaseAtPath(storeDir.file(QVOfflineStore::kFileName)));
    QVOfflineStore::setupOfflineSupport();
    highscore_testing::storeBoards({ { "5" } });
    ASSERT_TRUE(QVHighScoreService::localSetHighScore(700, "5", "0"));
    provider->online = false;

    auto* screen = openHighScores("5", "Normal");
    settle(1);
    EXPECT_TRUE(scoreRequests().empty());
    ASSERT_TRUE(screen->sections());
    QVHighScoreCell* mine = scoreCell(screen, 0, 0);
    ASSERT_TRUE(mine);
    EXPECT_EQ(mine->nameLabel()->text(), "1. Unregistered User");
    EXPECT_TRUE(mine->disclosureIndicator()->isHidden());
    EXPECT_EQ(tabNames(screen), std::vector<std::string> { "My Scores" });
    navigation->view()->removeFromSuperview();
    navigation = nullptr;
    scores = nullptr;
    QVOfflineStore::teardownOfflineDatabase();
}

TEST_F(LeaderboardTest, ScoreRowsShowRankDistanceAndAttachedData)
{
    auto* screen = openHighScores("5", "Normal");
    ASSERT_TRUE(answerBothLists());

    QVHighScoreCell* ada = scoreCell(screen, 0, 2);
    ASSERT_TRUE(ada);
    EXPECT_EQ(ada->nameLabel()->text(), "1. Ada");
    EXPECT_EQ(ada->scoreLabel()->text(), "990 points");
    EXPECT_EQ(ada->distLabel()->text(), "20.12 kms away");
    EXPECT_FALSE(ada->distLabel()->isHidden());
    EXPECT_TRUE(ada->downloadBlobButton()->isHidden());

    QVHighScoreCell* bo = scoreCell(screen, 1, 2);
    ASSERT_TRUE(bo);
    EXPECT_TRUE(bo->distLabel()->isHidden());
    EXPECT_FLOAT_EQ(bo->nameLabel()->frame().origin.y, (50 - bo->nameLabel()->frame().size.height) * 0.5f);
    EXPECT_FALSE(bo->downloadBlobButton()->isHidden()) << "opened without a game: this game's data";

    QVHighScoreCell* cy = scoreCell(screen, 2, 2);
    ASSERT_TRUE(cy);
    EXPECT_EQ(cy->nameLabel()->text(), "Cy");
    EXPECT_EQ(cy->scoreLabel()->text(), "Not Ranked");

    auto image = render("dashboard-leaderboard");
    ASSERT_TRUE(image);
    // The score column's blue text somewhere on Ada's row.
    platform::Rect r = ada->scoreLabel()->convertRectTo(ada->scoreLabel()->bounds(), nullptr);
    bool found = false;
    for (int x = static_cast<int>(r.minX()); x < static_cast<int>(r.maxX()) && !found; ++x)
        for (int y = static_cast<int>(r.minY()); y < static_cast<int>(r.maxY()) && !found; ++y) {
            auto p = screen_testing::pixelAt(*image, x, y);
            found = p.b > p.r + 80;
        }
    EXPECT_TRUE(found);

    // A tap on the blob button of a score whose data is not held asks the storage
    // host for it; a host that no longer has it ends in the alert.
    size_t before = provider->waitingCount();
    ASSERT_TRUE(driver().tap(bo->downloadBlobButton()));
    settle();
    ASSERT_EQ(provider->waitingCount(), before + 1);
    ASSERT_TRUE(provider->answerWithXml("", 404));
    settle(1);
    ASSERT_TRUE(driver().currentAlert());
    EXPECT_EQ(driver().currentAlert()->title(), "Error!");
}

TEST_F(LeaderboardTest, OnATabletsTallRowsTheScoreRowsPartsSitInTheMiddleClearOfThePicturesFrame)
{
    useDevice(Device::Tablet);
    auto* screen = openHighScores("5", "Normal");
    ASSERT_TRUE(answerBothLists());
    QVHighScoreCell* bo = scoreCell(screen, 1, 2);
    ASSERT_TRUE(bo);
    const float middle = bo->bounds().size.height / 2;
    ASSERT_GE(middle, 30);
    auto inRow = [&](platform::ui::View* part) { return part->convertRectTo(part->bounds(), bo); };
    for (platform::ui::View* part : { static_cast<platform::ui::View*>(bo->profilePictureView()),
                                      static_cast<platform::ui::View*>(bo->nameLabel()),
                                      static_cast<platform::ui::View*>(bo->scoreLabel()),
                                      static_cast<platform::ui::View*>(bo->disclosureIndicator()) })
        EXPECT_NEAR(inRow(part).midY(), middle, 1) << part->dumpText();
    // The name's "1." keeps a gap from the picture's frame, which reaches 7 points past the picture.
    EXPECT_GE(inRow(bo->nameLabel()).minX(), inRow(bo->profilePictureView()).maxX() + 7 + 5);
}

TEST_F(LeaderboardTest, AnotherGamesLeaderboardNeverOffersAttachedData)
{
    setLocalProfile("55", true, false, false);
    auto* screen = openHighScores("5", "Normal");
    screen->setGameProfileInfo(profileFrom(profileXml("302", "Diver", true, false, false)).get());
    ASSERT_TRUE(answerBothLists());
    QVHighScoreCell* bo = scoreCell(screen, 1, 2);
    ASSERT_TRUE(bo);
    EXPECT_TRUE(bo->downloadBlobButton()->isHidden());
}

TEST_F(LeaderboardTest, GameCenterObserverGoesWithTheScreen)
{
    size_t before = platform::NotificationCenter::defaultCenter().observerCount();
    openHighScores("5", "Normal");
    EXPECT_EQ(platform::NotificationCenter::defaultCenter().observerCount(), before + 1);
    navigation->view()->removeFromSuperview();
    navigation = nullptr;
    scores = nullptr;
    // The outstanding requests hold the screen until they end.
    provider->answerWithFailure();
    provider->answerWithFailure();
    settle(1);
    EXPECT_LE(platform::NotificationCenter::defaultCenter().observerCount(), before);
}

TEST_F(LeaderboardTest, WideAndTallRowsKeepTheirContentInTheMiddle)
{
    // A tablet's rows: 640 wide, 60 tall. The leaderboard's name and the load-more texts stay centred.
    auto row = platform::dynamicRef<QVLeaderboardCell>(QVControllerLoader::loadCell("Leaderboard"));
    ASSERT_TRUE(row);
    row->setFrame(platform::Rect(0, 0, 640, 60));
    auto name = row->titleLabel()->convertRectTo(row->titleLabel()->bounds(), row.get());
    EXPECT_NEAR(name.midY(), 30, 1);

    // Without an icon (only a game's layout gives one) the name starts at the row's margin;
    // with one, beside it.
    auto board = QVLeaderboard::create();
    board->setName("Normal");
    row->changeResource(board.get());
    EXPECT_EQ(row->titleLabel()->frame().origin.x, 12);
    EXPECT_TRUE(row->leaderboardIcon()->isHidden());
    row->leaderboardIcon()->setImage(QVLoadKitImage("QVFavoritedIcon.png").get());
    row->changeResource(board.get());
    EXPECT_FALSE(row->leaderboardIcon()->isHidden());
    EXPECT_EQ(row->titleLabel()->frame().origin.x, row->leaderboardIcon()->frame().maxX() + 8);

    auto more = platform::dynamicRef<QVTableSequenceControllerLoadMoreCell>(
        QVControllerLoader::loadCell(QVTableSequenceControllerHelper::kLoadMoreCellName));
    ASSERT_TRUE(more);
    more->setFrame(platform::Rect(0, 0, 640, more->frame().size.height));
    for (auto* label : { more->mainLabel(), more->secondLabel() }) {
        ASSERT_TRUE(label);
        EXPECT_NEAR(label->convertRectTo(label->bounds(), more.get()).midX(), 320, 1) << label->text();
    }
}

} // namespace
