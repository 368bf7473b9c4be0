// The challenge detail: opened from a pending row, its recipients, when the
// start button shows, and the start with its one-shot alert and data download
// finishing in either order.
#include "../ChallengeTestSupport.h"

#include "platform/net/HttpTransport.h"
#include "social/dashboard/challenges/QVChallengeDetailController.h"
#include "social/dashboard/challenges/QVChallengeDetailHeaderController.h"
#include "social/dashboard/challenges/QVChallengeListController.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeDefinition.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVViewController.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace dashboard_testing;
using namespace challenge_testing;
using platform::Ref;
using platform::ui::AlertView;
using Message = QVChallengeDelegate::Message;

namespace {

// One recipient's record of challenge 91.
std::string record(const std::string& recipientId, const std::string& recipientName, bool multiAttempt,
                   const std::string& dataUrl, const std::string& game = "55", const std::string& completedAt = "",
                   int attempts = 0)
{
    return "<challenges_user><id>8" + recipientId + "</id><result_text>%@ won</result_text><result>win</result><completed_at>"
        + completedAt + "</completed_at><viewed>1</viewed><attempts>" + std::to_string(attempts)
        + "</attempts><challenge><id>91</id><description>Beat 4000 points</description><user_message>Go on</user_message>"
          "<user_data_url>" + dataUrl + "</user_data_url><challenge_definition><id>51</id><name>Fastest Lap</name>"
          "<client_application_id>" + game + "</client_application_id><multi_attempt>" + (multiAttempt ? "true" : "false")
        + "</multi_attempt></challenge_definition><user><id>21</id><name>Ann</name></user></challenge><user><id>"
        + recipientId + "</id><name>" + recipientName + "</name></user></challenges_user>";
}

class ChallengeDetailTest : public ChallengeTest {
protected:
    void TearDown() override
    {
        detail = nullptr;
        framed = nullptr;
        root = nullptr;
        ChallengeTest::TearDown();
    }

    QVChallengeDetailController* open(const std::string& answer)
    {
        Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("ChallengeDetail");
        detail = Ref<QVChallengeDetailController>(dynamic_cast<QVChallengeDetailController*>(loaded.get()));
        if (!detail)
            return nullptr;
        detail->setChallengeId("91");
        root = platform::dynamicRef<QVViewController>(QVViewController::qvCreateInstance());
        framed = QVFramedNavigationController::withRootViewController(root.get());
        driver().showController(framed.get());
        framed->pushViewController(detail.get(), false);
        settle(1);
        if (!provider->answerWithXml("<resources>" + answer + "</resources>"))
            return nullptr;
        settle(1);
        return detail.get();
    }

    QVChallengeDetailHeaderController* header()
    {
        return dynamic_cast<QVChallengeDetailHeaderController*>(detail->tableHeaderController());
    }

    bool answerData(const platform::Bytes& bytes)
    {
        return provider->transport().complete(platform::HttpResult::answer(200, QVChallengeService::serializedChallengeData(bytes), {}));
    }

    void tapStart()
    {
        ASSERT_TRUE(header());
        ASSERT_FALSE(header()->startChallengeButton()->isHidden());
        ASSERT_TRUE(driver().tap(header()->startChallengeButton()));
        settle();
    }

    Ref<QVViewController> root;
    Ref<QVFramedNavigationController> framed;
    Ref<QVChallengeDetailController> detail;
};

TEST_F(ChallengeDetailTest, APendingRowOpensTheDetailOfItsChallenge)
{
    Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("ChallengeList");
    Ref<QVChallengeListController> list(dynamic_cast<QVChallengeListController*>(loaded.get()));
    ASSERT_TRUE(list);
    list->setClientApplicationId("55");
    root = platform::dynamicRef<QVViewController>(QVViewController::qvCreateInstance());
    framed = QVFramedNavigationController::withRootViewController(root.get());
    driver().showController(framed.get());
    framed->pushViewController(list.get(), false);
    settle(1);
    ASSERT_TRUE(provider->answerWithXml(fixture("challenges_users_pending.xml")));
    settle(1);
    ASSERT_TRUE(driver().tap(rowCell<QVChallengeToUserCell>(list.get(), 0)));
    settle(1);
    auto* shown = dynamic_cast<QVChallengeDetailController*>(framed->topViewController());
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->challengeId(), "91");
    EXPECT_EQ(shown->clientApplicationId(), "55");
    EXPECT_EQ(shown->list(), 0);
    EXPECT_FALSE(shown->challengeCompleted());
    EXPECT_EQ(shown->title(), "Challenge");
    auto sent = requestsTo("challenges_users.xml");
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(parameter(sent[1], "challenge_id"), "91");
}

// A challenge without an icon of its own shows the kit's default: a white cup
// on a slate disc, not a mark that reads as "close".
TEST_F(ChallengeDetailTest, AChallengeWithoutAnIconShowsTheNeutralDefault)
{
    ASSERT_TRUE(open(record("17", "Player", true, "/empty.blob")));
    ASSERT_TRUE(header());
    QVImageView* icon = header()->challengeDescriptionContainer()->challengeIconPictureView();
    ASSERT_TRUE(icon);
    auto image = render("challenge-default-icon");
    ASSERT_TRUE(image);
    // The 32-point picture is drawn at its size, centred in the view.
    auto at = [&](float x, float y) {
        platform::Size size = icon->bounds().size;
        platform::Point p = icon->convertPointTo(platform::Point((size.width - 32) / 2 + x, (size.height - 32) / 2 + y), nullptr);
        return screen_testing::pixelAt(*image, static_cast<int>(p.x), static_cast<int>(p.y));
    };
    auto cup = at(16, 9);
    EXPECT_TRUE(cup.r > 200 && cup.g > 200 && cup.b > 200) << cup.r << "," << cup.g << "," << cup.b;
    auto disc = at(23, 23);
    EXPECT_GT(disc.b, disc.r + 30) << disc.r << "," << disc.g << "," << disc.b;
    EXPECT_LT(disc.r, 150);
}

TEST_F(ChallengeDetailTest, RecipientsShowResultsAndTriesAndTheBubbleShowsTheChallenge)
{
    ASSERT_TRUE(open(record("17", "Player", true, "/empty.blob") + record("22", "Bo", true, "", "55", "2026-11-30", 1)
                     + record("23", "Cy", true, "", "55", "2026-11-30", 3)));
    ASSERT_TRUE(detail->userChallenge());
    EXPECT_EQ(detail->sections()->front()->title(), "People Who Received This Challenge");
    auto* pending = rowCell<QVChallengeDetailCell>(detail.get(), 0);
    ASSERT_TRUE(pending);
    EXPECT_EQ(dynamic_cast<platform::ui::Label*>(pending->viewWithTag(5))->text(), "Challenge not completed yet.");
    EXPECT_TRUE(pending->viewWithTag(4)->isHidden());
    EXPECT_TRUE(pending->viewWithTag(7)->isHidden());
    auto* once = rowCell<QVChallengeDetailCell>(detail.get(), 1);
    EXPECT_EQ(dynamic_cast<platform::ui::Label*>(once->viewWithTag(2))->text(), "Bo");
    EXPECT_EQ(dynamic_cast<platform::ui::Label*>(once->viewWithTag(7))->text(), "1 try");
    EXPECT_FALSE(once->viewWithTag(4)->isHidden());
    auto* thrice = rowCell<QVChallengeDetailCell>(detail.get(), 2);
    EXPECT_EQ(dynamic_cast<platform::ui::Label*>(thrice->viewWithTag(7))->text(), "3 tries");

    QVChallengeDetailFrame* bubble = header()->challengeDescriptionContainer();
    EXPECT_TRUE(bubble->hasChallengeToUserBeenSet());
    EXPECT_EQ(bubble->titleLabel()->text(), "Fastest Lap");
    EXPECT_EQ(bubble->descriptionLabel()->text(), "Beat 4000 points");
    EXPECT_EQ(bubble->challengerNameLabel()->text(), "Ann");
    EXPECT_EQ(bubble->challengerUserMessageLabel()->text(), "Go on");
    EXPECT_EQ(bubble->speechBubbleArrow()->transform(), platform::AffineTransform(-1, 0, 0, -1, 0, 0));
    EXPECT_FALSE(header()->startChallengeButton()->isHidden());

    // Shown at the list's width, nothing reaches past the right edge: even margins for the button, the
    // challenger's picture and every result icon inside.
    const float width = header()->view()->bounds().size.width;
    auto right = [&](platform::ui::View* v) { return v->convertRectTo(v->bounds(), header()->view()).maxX(); };
    platform::ui::View* start = header()->startChallengeButton();
    EXPECT_FLOAT_EQ(width - right(start), start->frame().origin.x);
    EXPECT_LE(right(bubble->challengerProfilePictureView()), width);
    for (int row = 0; row < 3; ++row) {
        auto* cell = rowCell<QVChallengeDetailCell>(detail.get(), row);
        platform::ui::View* icon = cell->viewWithTag(4);
        EXPECT_LE(icon->convertRectTo(icon->bounds(), cell).maxX(), cell->bounds().size.width) << row;
    }
}

TEST_F(ChallengeDetailTest, TheMessageIsASpeechBubbleWhoseArrowPointsAtTheChallengersPicture)
{
    ASSERT_TRUE(open(record("17", "Player", true, "/empty.blob")));
    QVChallengeDetailFrame* bubble = header()->challengeDescriptionContainer();
    ASSERT_TRUE(bubble);
    header()->view()->layoutIfNeeded();
    auto image = render("dashboard-challenge-bubble");
    ASSERT_TRUE(image);
    auto onScreen = [&](platform::ui::View* v) { return v->convertRectTo(v->bounds(), nullptr); };
    const platform::Rect face = onScreen(bubble->speechBubble()), arrow = onScreen(bubble->speechBubbleArrow());
    const platform::Rect picture = onScreen(bubble->challengerProfilePictureView());
    ASSERT_TRUE(bubble->speechBubble()->image());
    ASSERT_TRUE(bubble->speechBubbleArrow()->image());
    // The arrow leaves the bubble's right edge and stops short of the picture's frame (7 points past it).
    EXPECT_LE(arrow.minX(), face.maxX());
    EXPECT_GT(arrow.maxX(), face.maxX() + 5);
    EXPECT_LE(arrow.maxX(), picture.minX() - 7);
    // Its tip is drawn: the pale face just right of the bubble at the arrow's middle, the background above it.
    auto pale = [&](float x, float y) {
        auto p = screen_testing::pixelAt(*image, static_cast<int>(x), static_cast<int>(y));
        return p.r > 200 && p.g > 200 && p.b > 200;
    };
    EXPECT_TRUE(pale(face.maxX() + 3, arrow.midY()));
    EXPECT_FALSE(pale(face.maxX() + 3, arrow.minY() - 4));
    // The bubble itself is the art, rounded: its corner is not the face.
    EXPECT_TRUE(pale(face.midX(), face.midY()));
    EXPECT_FALSE(pale(face.minX() + 1, face.minY() + 1));
    // The title beside the challenge's icon, and a recipient's name beside their picture, start clear of the frame.
    EXPECT_GE(bubble->titleLabel()->frame().minX(), bubble->challengeIconPictureView()->frame().maxX() + 7 + 5);
    auto* row = rowCell<QVChallengeDetailCell>(detail.get(), 0);
    ASSERT_TRUE(row);
    EXPECT_GE(row->viewWithTag(2)->frame().minX(), row->viewWithTag(1)->frame().maxX() + 7 + 5);
}

TEST_F(ChallengeDetailTest, NoStartButtonForACompletedASentOrAnotherGamesChallenge)
{
    for (const std::string& answer : { record("17", "Player", false, "", "55", "2026-11-30"), record("22", "Bo", false, ""),
                                       record("17", "Player", false, "", "301") }) {
        ASSERT_TRUE(open(answer));
        ASSERT_TRUE(header());
        EXPECT_TRUE(header()->startChallengeButton()->isHidden()) << answer;
        platform::ui::View* bubble = header()->challengeDescriptionContainer()->speechBubble();
        float bubbleBottom = bubble->convertPointTo(platform::Point(0, bubble->frame().size.height), header()->view()).y;
        EXPECT_FLOAT_EQ(header()->view()->frame().size.height, bubbleBottom + 20);
        framed->popToRootViewControllerAnimated(false);
        settle(1);
    }
}

// A challenge sent to several lists every recipient; without the player's own
// record as meta-data, the detail finds it among them, wherever it stands.
TEST_F(ChallengeDetailTest, AChallengeSentToSeveralShowsThePlayersOwnRecord)
{
    delegate.answered = { Message::UserLaunchedChallenge };
    ASSERT_TRUE(open(record("22", "Bo", true, "/empty.blob") + record("17", "Player", true, "/empty.blob")
                     + record("23", "Cy", true, "/empty.blob")));
    ASSERT_TRUE(detail->userChallenge());
    EXPECT_EQ(detail->userChallenge()->resourceId(), "817");
    tapStart();
    ASSERT_EQ(delegate.calls, std::vector<std::string> { "userLaunchedChallenge" });
    EXPECT_EQ(delegate.launched, detail->userChallenge());
}

// Nothing to show: no start button, no empty bubble, and the list's message
// where the player can read it.
TEST_F(ChallengeDetailTest, AnEmptyDetailOffersNoStartAndShowsItsMessageOnScreen)
{
    ASSERT_TRUE(open(""));
    EXPECT_FALSE(detail->userChallenge());
    ASSERT_TRUE(header());
    EXPECT_TRUE(header()->startChallengeButton()->isHidden());
    EXPECT_TRUE(header()->challengeDescriptionContainer()->isHidden());
    auto* empty = dynamic_cast<QVDeadEndErrorController*>(detail->tableView()->tableFooterView()
                                                             ? detail->emptyTableController()
                                                             : nullptr);
    ASSERT_TRUE(empty);
    ASSERT_TRUE(empty->messageView());
    EXPECT_EQ(empty->messageView()->text().rfind("You have not received any challenges yet.", 0), 0u);
    platform::ui::View* message = empty->messageView();
    const platform::Rect shown = message->convertRectTo(message->bounds(), nullptr);
    const platform::Rect screen = driver().window()->bounds();
    EXPECT_GE(shown.minY(), screen.minY());
    EXPECT_LE(shown.maxY(), screen.maxY()) << shown.minY() << " to " << shown.maxY();
}

TEST_F(ChallengeDetailTest, AOneShotChallengeWithoutDataStartsWhenTheAlertIsDismissed)
{
    delegate.answered = { Message::UserLaunchedChallenge };
    ASSERT_TRUE(open(record("17", "Player", false, "/empty.blob")));
    tapStart();
    EXPECT_TRUE(requestsTo("empty.blob").empty());
    ASSERT_TRUE(detail->oneShotAlertView());
    EXPECT_EQ(detail->oneShotAlertView()->title(), "One Shot Challenge");
    EXPECT_TRUE(delegate.calls.empty());
    ASSERT_TRUE(detail->oneShotAlertView()->clickButton("OK"));
    settle();
    ASSERT_EQ(delegate.calls, std::vector<std::string> { "userLaunchedChallenge" });
    EXPECT_EQ(delegate.launched, detail->userChallenge());
    EXPECT_FALSE(delegate.launchedData);
    EXPECT_EQ(host().calls, std::vector<std::string> { "dismissDashboard" });
}

TEST_F(ChallengeDetailTest, AOneShotChallengeWithDataStartsAfterBothWhicheverEndsLast)
{
    delegate.answered = { Message::UserLaunchedChallenge };
    ASSERT_TRUE(open(record("17", "Player", false, "/challenges/91/data.blob")));

    // The alert first, then the data.
    tapStart();
    ASSERT_EQ(provider->waitingCount(), 1u);
    ASSERT_TRUE(detail->oneShotAlertView()->clickButton("OK"));
    settle();
    EXPECT_TRUE(delegate.calls.empty());
    ASSERT_TRUE(answerData({ 1, 2, 3 }));
    settle();
    ASSERT_EQ(delegate.calls.size(), 1u);
    EXPECT_EQ(delegate.launchedData, (platform::Bytes { 1, 2, 3 }));

    // The data first, then the alert.
    delegate.calls.clear();
    tapStart();
    ASSERT_TRUE(answerData({ 4 }));
    settle();
    EXPECT_TRUE(delegate.calls.empty());
    ASSERT_TRUE(detail->oneShotAlertView()->clickButton("OK"));
    settle();
    ASSERT_EQ(delegate.calls.size(), 1u);
    EXPECT_EQ(delegate.launchedData, (platform::Bytes { 4 }));
}

TEST_F(ChallengeDetailTest, AFailedDownloadOrADelegateThatDoesNotListenKeepsTheDashboardOpen)
{
    delegate.answered = { Message::UserLaunchedChallenge };
    ASSERT_TRUE(open(record("17", "Player", true, "/challenges/91/data.blob")));
    tapStart();
    EXPECT_FALSE(detail->oneShotAlertView()) << "several attempts: no warning";
    ASSERT_TRUE(provider->answerWithFailure());
    settle();
    EXPECT_TRUE(delegate.calls.empty());
    auto alerts = AlertView::visibleAlerts();
    ASSERT_FALSE(alerts.empty());
    EXPECT_EQ(alerts.back()->title(), "Error downloading data");
    EXPECT_EQ(alerts.back()->message(), "Please try again.");

    delegate.answered.clear();
    tapStart();
    ASSERT_TRUE(answerData({ 9 }));
    settle();
    EXPECT_TRUE(delegate.calls.empty());
    EXPECT_TRUE(host().calls.empty());
}

} // namespace
