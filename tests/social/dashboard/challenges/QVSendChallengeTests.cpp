// The send screen: picking in order, the message or its placeholder, the
// alerts that keep the picks, the delegate's messages on the way out; result
// mode with the challenger picked when its row arrives; the result header
// alone with "Try Again" or "OK"; the import invitation shown without friends.
#include "../ChallengeTestSupport.h"

#include "platform/net/Reachability.h"
#include "social/dashboard/challenges/QVCompletedChallengeHeaderController.h"
#include "social/dashboard/challenges/QVSendChallengeController.h"
#include "social/dashboard/challenges/QVSendChallengeHeaderController.h"
#include "social/dashboard/friends/QVFullScreenImportFriendsMessage.h"
#include "social/runtime/QVReachability.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeDefinition.h"
#include "social/ui/QVRowLayout.h"
#include "social/ui/QVStandardCells.h"
#include "social/ui/QVViewController.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace dashboard_testing;
using namespace challenge_testing;
using platform::Ref;
using platform::ui::AlertView;
using Message = QVChallengeDelegate::Message;

namespace {

const char* kFriends = "<resources><user><id>21</id><name>Ann</name></user><user><id>22</id><name>Bo</name></user>"
                       "<user><id>23</id><name>Cy</name></user></resources>";
const char* kDefinition = "<resources><challenge_definition><id>51</id><name>Fastest Lap</name>"
                          "<multi_attempt>true</multi_attempt></challenge_definition></resources>";

Ref<QVChallengeToUser> playedChallenge(const std::string& result, bool multiAttempt)
{
    std::string xml = "<resources><challenges_user><id>71</id><result_text>%@ won</result_text><result>" + result
        + "</result><completed_at>2026-11-30</completed_at><viewed>1</viewed><attempts>1</attempts><challenge><id>61</id>"
          "<description>Beat my lap</description><challenge_definition><id>51</id><name>Fastest Lap</name>"
          "<client_application_id>55</client_application_id><multi_attempt>"
        + (multiAttempt ? "true" : "false")
        + "</multi_attempt></challenge_definition><user><id>21</id><name>Ann</name></user></challenge>"
          "<user><id>17</id><name>Player</name></user></challenges_user></resources>";
    auto series = QVResource::resourcesFromData(xml.data(), xml.size(), QVChallengeService::service().getKnownResources());
    return series && !series->objects().empty() ? platform::dynamicRef<QVChallengeToUser>(series->objects().front()) : nullptr;
}

class SendChallengeTest : public ChallengeTest {
protected:
    void SetUp() override
    {
        ChallengeTest::SetUp();
        reachability = platform::ManualReachability::create();
        QVReachability::InitializeWithSource(reachability);
    }
    void TearDown() override
    {
        send = nullptr;
        framed = nullptr;
        QVReachability::Uninitialize();
        ChallengeTest::TearDown();
    }

    // Answers the oldest waiting request of that path.
    bool answer(const std::string& path, const std::string& xml)
    {
        auto& transport = provider->transport();
        for (const auto& r : transport.requests())
            if (r.request.url.find(path) != std::string::npos && transport.complete(
                    platform::HttpResult::answer(200, platform::Bytes(xml.begin(), xml.end()), { { "Content-Type", "application/xml" } }), r.id))
                return true;
        return false;
    }

    QVSendChallengeController* open(const QVChallengeScreen& values)
    {
        Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("SendChallenge");
        send = Ref<QVSendChallengeController>(dynamic_cast<QVSendChallengeController*>(loaded.get()));
        if (!send)
            return nullptr;
        send->setChallengeScreen(values);
        framed = QVFramedNavigationController::withRootViewController(send.get());
        driver().showController(framed.get());
        settle(1);
        return send.get();
    }

    QVSendChallengeController* openToSend()
    {
        QVChallengeScreen values;
        values.controllerName = QVChallengeScreen::kSendChallenge;
        values.challengeDefinitionId = "51";
        values.challengeText = "Beat my lap";
        values.challengeData = platform::Bytes { 7 };
        if (!open(values) || !answer("users.xml", kFriends))
            return nullptr;
        settle(1);
        if (!answer("challenge_definitions/51.xml", kDefinition))
            return nullptr;
        settle(1);
        return send.get();
    }

    bool tapRow(int row)
    {
        auto* cell = rowCell<QVSelectableUserCell>(send.get(), row);
        if (!cell || !driver().tap(cell))
            return false;
        settle();
        return true;
    }

    std::vector<std::string> pickedIds() const
    {
        std::vector<std::string> ids;
        for (auto& u : send->selectedUsers())
            ids.push_back(u->resourceId());
        return ids;
    }

    QVSendChallengeHeaderController* sendHeader()
    {
        return dynamic_cast<QVSendChallengeHeaderController*>(send->tableHeaderController());
    }

    // The values of one field of the last multipart body sent to the path, in order.
    std::vector<std::string> sentField(const std::string& path, const std::string& name)
    {
        std::vector<std::string> out;
        const auto& recorded = provider->transport().requests();
        for (auto r = recorded.rbegin(); r != recorded.rend(); ++r) {
            if (r->request.url.find(path) == std::string::npos)
                continue;
            const std::string body(r->request.body.begin(), r->request.body.end());
            const std::string marker = "name=\"" + name + "\"";
            for (size_t at = body.find(marker); at != std::string::npos; at = body.find(marker, at + 1)) {
                size_t start = body.find("\n\n", at);
                size_t skip = 2;
                if (size_t crlf = body.find("\r\n\r\n", at); crlf != std::string::npos && crlf <= start) {
                    start = crlf;
                    skip = 4;
                }
                if (start == std::string::npos)
                    break;
                start += skip;
                size_t end = body.find("\n--", start);
                std::string value = body.substr(start, end - start);
                if (!value.empty() && value.back() == '\r')
                    value.pop_back();
                out.push_back(value);
            }
            break;
        }
        return out;
    }

    Ref<platform::ManualReachability> reachability;
    Ref<QVFramedNavigationController> framed;
    Ref<QVSendChallengeController> send;
};

TEST_F(SendChallengeTest, SendsToPickedFriendsInPickingOrderWithThePlaceholderAsMessage)
{
    delegate.answered = { Message::UserSentChallenges, Message::SendChallengeScreenClosed };
    ASSERT_TRUE(openToSend());
    EXPECT_EQ(send->sections()->front()->title(), "Friends To Challenge");
    ASSERT_TRUE(sendHeader());
    EXPECT_EQ(sendHeader()->titleLabel()->text(), "Fastest Lap");
    EXPECT_EQ(sendHeader()->descriptionLabel()->text(), "Beat my lap");
    EXPECT_TRUE(sendHeader()->tryAgainButton()->isHidden()) << "the game cannot make a stronger challenge";

    ASSERT_TRUE(tapRow(1)); // Bo
    ASSERT_TRUE(tapRow(0)); // Ann
    ASSERT_TRUE(tapRow(2)); // Cy
    ASSERT_TRUE(tapRow(0)); // Ann again: unpicked
    ASSERT_TRUE(tapRow(0)); // and picked last
    EXPECT_EQ(pickedIds(), (std::vector<std::string> { "22", "23", "21" }));
    EXPECT_TRUE(rowCell<QVSelectableUserCell>(send.get(), 0)->checked());

    send->tableView()->setContentOffset(platform::Point(0, 0));
    auto tapped = driver().tap(sendHeader()->sendChallengeButton());
    ASSERT_TRUE(tapped) << tapped.problem;
    settle();
    auto posts = requestsTo("challenges.xml");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(sentField("challenges.xml", "challenge_definition_id"), std::vector<std::string> { "51" });
    EXPECT_EQ(sentField("challenges.xml", "challenge_user_message"),
              std::vector<std::string> { QVSendChallengeHeaderController::kMessagePlaceholder });
    EXPECT_EQ(sentField("challenges.xml", "challenge_user_ids[]"), (std::vector<std::string> { "22", "23", "21" }));
    ASSERT_TRUE(answer("challenges.xml", "<resources/>"));
    settle();
    EXPECT_EQ(delegate.calls, (std::vector<std::string> { "userSentChallenges", "sendChallengeScreenClosed" }));
    EXPECT_EQ(host().calls, std::vector<std::string> { "dismissDashboard" });
}

TEST_F(SendChallengeTest, AlertsForNoPickNoConnectionAndARefusedSendKeepTheScreenAndThePicks)
{
    ASSERT_TRUE(openToSend());
    send->submitChallenge();
    ASSERT_FALSE(AlertView::visibleAlerts().empty());
    EXPECT_EQ(AlertView::visibleAlerts().back()->title(), "No Friends Selected");

    ASSERT_TRUE(tapRow(1));
    reachability->setStatus(platform::Reachability::NotReachable);
    send->submitChallenge();
    EXPECT_EQ(AlertView::visibleAlerts().back()->title(), "No internet connection");
    EXPECT_TRUE(requestsTo("challenges.xml").empty());

    reachability->setStatus(platform::Reachability::ReachableViaWiFi);
    sendHeader()->userMessageTextField()->setText("Catch me");
    send->submitChallenge();
    settle();
    auto posts = requestsTo("challenges.xml");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(sentField("challenges.xml", "challenge_user_message"), std::vector<std::string> { "Catch me" });
    ASSERT_TRUE(provider->answerWithFailure());
    settle();
    EXPECT_EQ(AlertView::visibleAlerts().back()->title(), "An error occurred");
    EXPECT_EQ(AlertView::visibleAlerts().back()->message(), "Your challenge was not submitted. Please try again.");
    EXPECT_EQ(pickedIds(), std::vector<std::string> { "22" });
    EXPECT_TRUE(host().calls.empty());
}

TEST_F(SendChallengeTest, WithNoFriendsTheImportInvitationWorksForTheSendScreen)
{
    QVChallengeScreen values;
    values.controllerName = QVChallengeScreen::kSendChallenge;
    values.challengeDefinitionId = "51";
    ASSERT_TRUE(open(values));
    auto empty = send->getNoDataFoundViewController();
    auto* message = dynamic_cast<QVFullScreenImportFriendsMessage*>(empty.get());
    ASSERT_TRUE(message);
    EXPECT_EQ(message->owner(), send.get());
}

TEST_F(SendChallengeTest, AStrongerChallengeIsOfferedOnlyWhenTheGameCanMakeOne)
{
    delegate.answered = { Message::UserRestartedCreateChallenge, Message::CreateStrongerChallenge,
                          Message::SendChallengeScreenClosed };
    ASSERT_TRUE(openToSend());
    ASSERT_FALSE(sendHeader()->tryAgainButton()->isHidden());
    EXPECT_FLOAT_EQ(sendHeader()->view()->frame().size.height, layout::maxY(sendHeader()->tryAgainButton()) + 20);
    ASSERT_TRUE(driver().tap(sendHeader()->tryAgainButton()));
    EXPECT_EQ(delegate.calls, (std::vector<std::string> { "createStrongerChallenge", "sendChallengeScreenClosed" }));
}

TEST_F(SendChallengeTest, AWonResultIsSentBackToTheChallengerPickedWhenItsRowArrives)
{
    delegate.answered = { Message::UserSentChallenges };
    QVChallengeScreen values;
    values.controllerName = QVChallengeScreen::kSendChallenge;
    values.challengeDefinitionId = "51";
    values.challengeText = "Beaten by 2 s";
    values.resultData = platform::Bytes { 3 };
    values.userChallenge = playedChallenge("win", true);
    values.isCompleted = true;
    ASSERT_TRUE(open(values));
    auto lists = requestsTo("users.xml");
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(parameter(lists[0], "challenger_user_id"), "21");
    // The first answer lacks the challenger: it is remembered.
    ASSERT_TRUE(answer("users.xml", "<resources><user><id>22</id><name>Bo</name></user></resources>"));
    settle(1);
    auto* header = dynamic_cast<QVCompletedChallengeHeaderController*>(send->tableHeaderController());
    ASSERT_TRUE(header);
    EXPECT_EQ(header->actionButton()->titleForState(platform::ui::StateNormal), "Send Result As Challenge");
    EXPECT_FALSE(header->userMessageTextField()->isHidden());
    EXPECT_TRUE(pickedIds().empty());
    ASSERT_TRUE(send->pendingPick());

    // A later refresh waits 5 s behind the loading screen; its answer holds the challenger, who is picked.
    send->reloadDataFromServer();
    settle(4);
    EXPECT_EQ(requestsTo("users.xml").size(), 1u);
    settle(1.5);
    ASSERT_EQ(requestsTo("users.xml").size(), 2u);
    ASSERT_TRUE(answer("users.xml", kFriends));
    settle(1);
    EXPECT_EQ(pickedIds(), std::vector<std::string> { "21" });
    EXPECT_TRUE(rowCell<QVSelectableUserCell>(send.get(), 0)->checked());

    send->tableView()->setContentOffset(platform::Point(0, 0));
    ASSERT_TRUE(driver().tap(header->actionButton()));
    settle();
    auto posts = requestsTo("challenges.xml");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(sentField("challenges.xml", "challenge_response_to_challenge_id"), std::vector<std::string> { "71" });
    EXPECT_EQ(sentField("challenges.xml", "challenge_user_ids[]"), std::vector<std::string> { "21" });
}

TEST_F(SendChallengeTest, TheResultHeaderAloneOffersTryAgainOrOK)
{
    delegate.answered = { Message::UserRestartedChallenge, Message::CompletedChallengeScreenClosed };
    for (bool multiAttempt : { true, false }) {
        delegate.calls.clear();
        host().calls.clear();
        Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("CompletedChallengeHeader");
        auto* header = dynamic_cast<QVCompletedChallengeHeaderController*>(loaded.get());
        ASSERT_TRUE(header);
        QVChallengeScreen values;
        values.userChallenge = playedChallenge("lose", multiAttempt);
        header->setChallengeScreen(values);
        showInNavigation(header);
        EXPECT_EQ(header->actionButton()->titleForState(platform::ui::StateNormal), multiAttempt ? "Try Again" : "OK");
        EXPECT_TRUE(header->userMessageTextField()->isHidden());
        EXPECT_TRUE(header->personalMessageLabel()->isHidden());
        ASSERT_TRUE(driver().tap(header->actionButton()));
        if (multiAttempt)
            EXPECT_EQ(delegate.calls, (std::vector<std::string> { "userRestartedChallenge", "completedChallengeScreenClosed" }));
        else
            EXPECT_EQ(delegate.calls, std::vector<std::string> { "completedChallengeScreenClosed" });
        EXPECT_EQ(host().calls, std::vector<std::string> { "dismissDashboard" });
    }
}

} // namespace
