// The challenge lists: pending rows with their icons and the unviewed count,
// the types with statistics (alone and compared) and a type's history.
#include "../ChallengeTestSupport.h"

#include "social/core/QuorvelInternal.h"
#include "social/dashboard/challenges/QVChallengeListController.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeDefinition.h"
#include "social/services/QVUser.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVTabbedPageHeaderController.h"
#include "social/ui/QVTabBar.h"
#include "social/ui/QVViewController.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace dashboard_testing;
using namespace challenge_testing;
using platform::Ref;

namespace {

class ChallengeListTest : public ChallengeTest {
protected:
    void TearDown() override
    {
        list = nullptr;
        framed = nullptr;
        root = nullptr;
        ChallengeTest::TearDown();
    }

    QVChallengeListController* open(int type, QVUser* comparedTo = nullptr)
    {
        Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("ChallengeList");
        list = Ref<QVChallengeListController>(dynamic_cast<QVChallengeListController*>(loaded.get()));
        if (!list)
            return nullptr;
        list->setClientApplicationId("55");
        list->setListType(type);
        root = platform::dynamicRef<QVViewController>(QVViewController::qvCreateInstance());
        framed = QVFramedNavigationController::withRootViewController(root.get());
        driver().showController(framed.get());
        framed->pushViewControllerInContextOfLocalUserComparedTo(list.get(), false, comparedTo);
        settle(1);
        return list.get();
    }

    bool tapTab(const std::string& name)
    {
        auto* header = dynamic_cast<QVTabbedPageHeaderController*>(list->tableHeaderController());
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

    static std::string imageName(platform::ui::View* v)
    {
        auto* iv = dynamic_cast<platform::ui::ImageView*>(v);
        return iv && iv->image() ? iv->image()->name() : std::string();
    }

    Ref<QVViewController> root;
    Ref<QVFramedNavigationController> framed;
    Ref<QVChallengeListController> list;
};

TEST_F(ChallengeListTest, PendingRowsShowDirectionAndStatusAndLowerTheUnviewedCountOnce)
{
    QuorvelInternal::options().setUnviewedChallengesCount(1);
    ASSERT_TRUE(open(QVChallengeListController::kPending));
    auto sent = requestsTo("challenges_users.xml");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(parameter(sent[0], "page"), "1");
    ASSERT_TRUE(provider->answerWithXml(fixture("challenges_users_pending.xml")));
    settle(1);
    ASSERT_TRUE(list->sections());
    EXPECT_EQ(list->sections()->front()->title(), "Pending Challenges");

    // A received, unviewed challenge of this game: "new", from its challenger.
    auto* received = rowCell<QVChallengeToUserCell>(list.get(), 0);
    ASSERT_TRUE(received);
    EXPECT_TRUE(received->viewWithTag(QVChallengeToUserCell::kSentMark)->isHidden());
    EXPECT_EQ(dynamic_cast<platform::ui::Label*>(received->viewWithTag(8))->text(), "From Ann");
    EXPECT_EQ(dynamic_cast<platform::ui::Label*>(received->viewWithTag(2))->text(), "Fastest Lap");
    EXPECT_EQ(dynamic_cast<platform::ui::Label*>(received->viewWithTag(3))->text(), "Beat 4000 points") << "no message: the description";
    EXPECT_FALSE(received->viewWithTag(5)->isHidden());
    EXPECT_EQ(QuorvelInternal::options().unviewedChallengesCount(), 0);

    // Another game's challenge leaves the count alone; showing a row again never lowers it twice or below 0.
    QuorvelInternal::options().setUnviewedChallengesCount(5);
    auto* other = rowCell<QVChallengeToUserCell>(list.get(), 1);
    ASSERT_TRUE(other);
    EXPECT_EQ(dynamic_cast<platform::ui::Label*>(other->viewWithTag(3))->text(), "From elsewhere");
    received->changeResource(received->resource());
    EXPECT_EQ(QuorvelInternal::options().unviewedChallengesCount(), 5);

    // Sent by the player and lost by its recipient: the challenger sees a win.
    auto* mine = rowCell<QVChallengeToUserCell>(list.get(), 2);
    ASSERT_TRUE(mine);
    EXPECT_FALSE(mine->viewWithTag(1)->isHidden());
    EXPECT_EQ(dynamic_cast<platform::ui::Label*>(mine->viewWithTag(8))->text(), "To Bo");
    EXPECT_EQ(imageName(mine->viewWithTag(5)), "QVChallengeIconWon.png");

    auto image = render("dashboard-challenge-list");
    ASSERT_TRUE(image);
    // The green of the won icon in the third row.
    platform::ui::View* icon = mine->viewWithTag(5);
    platform::Point p = icon->convertPointTo(platform::Point(icon->frame().size.width * 0.2f, icon->frame().size.height / 2), nullptr);
    auto px = screen_testing::pixelAt(*image, static_cast<int>(p.x), static_cast<int>(p.y));
    EXPECT_GT(px.g, px.r + 30) << px.r << "," << px.g << "," << px.b;
}

TEST_F(ChallengeListTest, HistoryTabListsTypesWhoseRowOpensTheTypesHistoryWithoutTabs)
{
    ASSERT_TRUE(open(QVChallengeListController::kPending));
    ASSERT_TRUE(provider->answerWithXml(fixture("challenges_users_pending.xml")));
    settle(1);
    ASSERT_TRUE(tapTab("History"));
    EXPECT_EQ(list->listType(), QVChallengeListController::kTypesWithStatistics);
    auto stats = requestsTo("challenge_definitions.xml");
    ASSERT_EQ(stats.size(), 1u);
    ASSERT_TRUE(provider->answerWithXml(fixture("challenge_definition_stats.xml")));
    settle(1);
    EXPECT_EQ(list->sections()->front()->title(), "Challenge Types");
    auto header = list->createPlainTableSectionHeader(0);
    ASSERT_TRUE(header);
    EXPECT_EQ(dynamic_cast<platform::ui::Label*>(header->viewWithTag(1))->text(), "Challenge Types");

    auto* row = rowCell<QVChallengeDefinitionStatsCell>(list.get(), 0);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->titleLabel()->text(), "Fastest Lap");
    EXPECT_EQ(row->winsLabel()->text(), "4");
    EXPECT_EQ(row->lossesOrComparisonHeader()->text(), "Losses");
    EXPECT_EQ(row->lossesOrComparisonLabel()->text(), "2");
    EXPECT_EQ(row->tiesLabel()->text(), "1");
    EXPECT_TRUE(row->winnerIcon()->isHidden());

    ASSERT_TRUE(driver().tap(row));
    settle(1);
    auto* history = dynamic_cast<QVChallengeListController*>(framed->topViewController());
    ASSERT_TRUE(history && history != list.get());
    EXPECT_EQ(history->listType(), QVChallengeListController::kHistory);
    EXPECT_EQ(history->clientApplicationId(), "55");
    EXPECT_EQ(history->getTableHeaderControllerName(), std::nullopt);
    auto sent = requestsTo("challenges_users.xml");
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(parameter(sent[1], "challenge_definition_id"), "51");
    history->view()->removeFromSuperview();
}

TEST_F(ChallengeListTest, ComparedTypesMarkTheLeaderAndLeaveTiesPlain)
{
    Ref<QVUser> rival = user("99", "Rival");
    ASSERT_TRUE(open(QVChallengeListController::kTypesWithStatistics, rival.get()));
    auto stats = requestsTo("challenge_definitions.xml");
    ASSERT_EQ(stats.size(), 1u);
    EXPECT_EQ(parameter(stats[0], "compared_user_id"), "99");
    EXPECT_EQ(list->getNoDataFoundMessage(), "There are no available challenge types for " + QVSessionRole::current().applicationDisplayName() + " at this moment.");
    ASSERT_TRUE(provider->answerWithXml(
        "<resources><challenge_definition_stats><challenge_definition><id>51</id><name>Lap</name></challenge_definition>"
        "<local_users_wins>4</local_users_wins><local_users_losses>2</local_users_losses><local_users_ties>1</local_users_ties>"
        "<compared_users_wins>1</compared_users_wins><compared_users_losses>4</compared_users_losses></challenge_definition_stats>"
        "<challenge_definition_stats><challenge_definition><id>52</id><name>Tie</name></challenge_definition>"
        "<local_users_wins>3</local_users_wins><local_users_losses>3</local_users_losses><local_users_ties>0</local_users_ties>"
        "<compared_users_wins>3</compared_users_wins><compared_users_losses>3</compared_users_losses></challenge_definition_stats></resources>"));
    settle(1);
    auto* lead = rowCell<QVChallengeDefinitionStatsCell>(list.get(), 0);
    ASSERT_TRUE(lead);
    EXPECT_EQ(lead->winsLabel()->text(), "1") << "the other player's wins";
    EXPECT_EQ(lead->lossesOrComparisonHeader()->text(), "Wins");
    EXPECT_EQ(lead->lossesOrComparisonLabel()->text(), "4");
    EXPECT_FALSE(lead->winnerIcon()->isHidden());
    EXPECT_NE(lead->lossesOrComparisonLabel()->textColor(), lead->tiesLabel()->textColor());
    EXPECT_EQ(lead->winsLabel()->textColor(), lead->tiesLabel()->textColor());
    EXPECT_LT(lead->winnerIcon()->center().x, lead->lossesOrComparisonHeader()->center().x);

    auto* tied = rowCell<QVChallengeDefinitionStatsCell>(list.get(), 1);
    ASSERT_TRUE(tied);
    EXPECT_TRUE(tied->winnerIcon()->isHidden());
    EXPECT_EQ(tied->winsLabel()->textColor(), tied->tiesLabel()->textColor());
    EXPECT_EQ(tied->lossesOrComparisonLabel()->textColor(), tied->tiesLabel()->textColor());
}

TEST_F(ChallengeListTest, EmptyTextsFollowTheModeAndTheGame)
{
    ASSERT_TRUE(open(QVChallengeListController::kPending));
    const std::string game = QVSessionRole::current().applicationDisplayName();
    EXPECT_EQ(list->getNoDataFoundMessage(), "You don't have any pending challenges for " + game + ".");
    list->setClientApplicationId("301");
    EXPECT_EQ(list->getNoDataFoundMessage(), "You have no pending challenges for this game.");
    list->setListType(QVChallengeListController::kHistory);
    EXPECT_EQ(list->getNoDataFoundMessage(), "You have not sent or received any challenges of this type.");
}

} // namespace
