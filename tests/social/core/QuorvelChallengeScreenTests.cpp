// The challenge screens the central class opens for the challenge service: the
// send screen over the game with its values and a close button, and the
// dashboard on the challenge list and detail for a received challenge.
#include "QuorvelTestSupport.h"

#include "social/core/QVNotification.h"
#include "social/runtime/QVResource.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeService.h"
#include "social/services/QVUser.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVFramedNavigationController.h"
#include "support/ClassRegistryOverride.h"

#include "platform/ui/BarButtonItem.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

using namespace quorvel;
using namespace core_testing;
using platform::Ref;
using testing_support::ClassRegistryOverride;

namespace {

class FakeSendChallenge final : public platform::ui::ViewController, public QVChallengeScreenController {
public:
    static Ref<platform::Object> make() { return platform::adoptRef(new FakeSendChallenge); }
    void setChallengeScreen(const QVChallengeScreen& s) override { values = s; }
    QVChallengeScreen values;
};

class FakeChallengeDetail final : public platform::ui::ViewController, public QVChallengeDetailSetup {
public:
    static Ref<platform::Object> make() { return platform::adoptRef(new FakeChallengeDetail); }
    void setChallengeId(const std::string& id) override { challengeId = id; }
    std::string challengeId;
};

Ref<platform::Object> makeList() { return Ref<platform::Object>(platform::ui::ViewController::controller().get()); }

class ChallengeScreenTest : public QuorvelTest {
protected:
    void SetUp() override
    {
        QuorvelTest::SetUp();
        screens_.emplace_back(std::make_unique<ClassRegistryOverride>("QVSendChallengeController", &FakeSendChallenge::make));
        screens_.emplace_back(std::make_unique<ClassRegistryOverride>("QVChallengeDetailController", &FakeChallengeDetail::make));
        screens_.emplace_back(std::make_unique<ClassRegistryOverride>("QVChallengeListController", &makeList));
    }
    void TearDown() override
    {
        // The dashboard's own classes come back for the tests that follow.
        screens_.clear();
        QuorvelTest::TearDown();
    }

private:
    std::vector<std::unique_ptr<testing_support::ClassRegistryOverride>> screens_;
};

TEST_F(ChallengeScreenTest, TheSendScreenOpensFramedWithItsValuesAndACloseButton)
{
    QuorvelInternal::options().setUserApprovedQuorvel();
    startClient();
    QVChallengeService::displaySendChallengeModal("51", "Beat my lap", platform::Bytes { 7 });
    auto screens = QuorvelInternal::presenter().presentedScreens();
    ASSERT_EQ(screens.size(), 1u);
    auto* send = dynamic_cast<FakeSendChallenge*>(screens[0].get());
    ASSERT_TRUE(send);
    EXPECT_TRUE(dynamic_cast<QVFramedNavigationController*>(send->navigationController()));
    EXPECT_EQ(send->title(), "Challenge Friends");
    EXPECT_EQ(send->values.challengeDefinitionId, "51");
    EXPECT_EQ(send->values.challengeText, "Beat my lap");
    EXPECT_EQ(send->values.challengeData, platform::Bytes { 7 });
    EXPECT_FALSE(send->values.isCompleted);
    EXPECT_TRUE(send->navigationItem()->rightBarButtonItem());

    // A screen that does not exist opens nothing.
    QVChallengeToUser::create()->displayCompletionWithData(std::nullopt, "");
    Ref<QVChallengeToUser> lost = QVChallengeToUser::create();
    lost->setResult(2);
    lost->displayCompletionWithData(std::nullopt, "");
    EXPECT_EQ(QuorvelInternal::presenter().presentedScreens().size(), 1u);
    EXPECT_TRUE(lost->isCompleted());
}

TEST_F(ChallengeScreenTest, AReceivedChallengeOpensTheDashboardOnItsDetail)
{
    startClient();
    std::string tab;
    std::vector<Ref<platform::ui::ViewController>> shown;
    DashboardLaunches launcher;
    std::string xml = "<resources><challenges_user><id>71</id><challenge><id>61</id></challenge>"
                      "</challenges_user></resources>";
    auto series = QVResource::resourcesFromData(xml.data(), xml.size(),
                                                QVChallengeService::service().getKnownResources());
    QVChallengeService::service()._onChallengeReceivedDetailView(series.get());
    if (!launcher.launches.empty())
        std::tie(tab, shown) = launcher.launches.back();
    EXPECT_EQ(tab, "GameProfile");
    ASSERT_EQ(shown.size(), 2u);
    auto* detail = dynamic_cast<FakeChallengeDetail*>(shown[1].get());
    ASSERT_TRUE(detail);
    EXPECT_EQ(detail->challengeId, "61");
}

} // namespace
