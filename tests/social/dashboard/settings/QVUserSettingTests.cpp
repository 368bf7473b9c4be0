// Settings: switch rows saved on the server with their side effect on the
// device and their spring-back on refusal, action rows, the logout sheet, and
// the location panel's re-checks stepped by the clock.
#include "../FriendsTestSupport.h"

#include "platform/ui/AlertView.h"
#include "social/dashboard/account/QVAccountSetupBaseController.h"
#include "social/dashboard/account/QVQuorvelAccountLoginController.h"
#include "social/dashboard/settings/QVShareLocationController.h"
#include "social/dashboard/settings/QVUserSettingController.h"
#include "social/services/QVScreensRole.h"
#include "social/services/QVUserSettingService.h"

using namespace quorvel;
using namespace friends_testing;
using community_testing::parameter;
using platform::Ref;
using platform::ui::ActionSheet;

namespace {

std::string setting(const std::string& id, const std::string& name, const std::string& key, const std::string& value,
                    const std::string& type = "bool")
{
    return "<user_setting><id>" + id + "</id><name>" + name + "</name><value>" + value + "</value><value_type>" + type
        + "</value_type><key>" + key + "</key></user_setting>";
}

std::string settingsAnswer(const std::string& rows)
{
    return "<?xml version=\"1.0\"?><resources>" + rows + "</resources>";
}

class UserSettingTest : public FriendsTest {
protected:
    // Settings entries open their screens through the kit's loader, as in the client.
    struct LoaderScreens : QVScreensRole {
        Ref<platform::ui::ViewController> loadScreen(const std::string& name) override
        {
            return QVControllerLoader::load(name);
        }
    } screens;
    void SetUp() override
    {
        FriendsTest::SetUp();
        ActionSheet::dismissAll();
        QVShareLocationController::resetReloadCount();
        QVScreensRole::setCurrent(&screens);
    }
    void TearDown() override
    {
        QVScreensRole::setCurrent(nullptr);
        ActionSheet::dismissAll();
        settings = nullptr;
        FriendsTest::TearDown();
    }
    QVUserSettingController* openSettings(const std::string& rows)
    {
        openStack();
        settings = QVControllerLoader::load("UserSetting");
        navigation->pushViewController(settings.get(), false);
        settle(1);
        auto* list = dynamic_cast<QVUserSettingController*>(settings.get());
        if (!list)
            return nullptr;
        EXPECT_EQ(requestsTo("users/@me/settings.xml").size(), 1u);
        EXPECT_TRUE(provider->answerWithXml(settingsAnswer(rows)));
        settle(1);
        return list;
    }
    QVUserSettingCell* switchRow(QVUserSettingController* list, int row)
    {
        return dynamic_cast<QVUserSettingCell*>(rowCell(list, row));
    }
    void flip(QVUserSettingCell* cell)
    {
        cell->booleanSwitch()->setOn(!cell->booleanSwitch()->isOn());
        cell->booleanSwitch()->sendActionsForControlEvents(platform::ui::ValueChanged);
        settle(1);
    }
    Ref<platform::ui::ViewController> settings;
};

TEST_F(UserSettingTest, RowsFollowTheirSettings)
{
    QuorvelInternal::options().setLoggedInUserHasHttpBasicCredential(false);
    auto* list = openSettings(setting("1", "Show me online", "presence", "1") + setting("2", "Nickname", "nick", "1", "string")
                              + setting("3", "Newsletter", "newsletter_quorvel", "1")
                              + "<user_setting_push_controller><controller_name>ImportFriends</controller_name>"
                                "<setting_title>Find friends</setting_title></user_setting_push_controller>");
    ASSERT_TRUE(list);
    auto* online = switchRow(list, 0);
    ASSERT_TRUE(online);
    EXPECT_EQ(online->nameLabel()->text(), "Show me online");
    EXPECT_TRUE(online->booleanSwitch()->isOn());
    EXPECT_TRUE(online->booleanSwitch()->isEnabled());
    auto* other = switchRow(list, 1);
    ASSERT_TRUE(other);
    EXPECT_FALSE(other->booleanSwitch()->isOn());
    EXPECT_FALSE(other->booleanSwitch()->isEnabled());
    // Subscribed, but the account has no e-mail and password.
    auto* newsletter = switchRow(list, 2);
    ASSERT_TRUE(newsletter);
    EXPECT_FALSE(newsletter->booleanSwitch()->isOn());
    auto* action = rowCell(list, 3);
    ASSERT_TRUE(action);
    auto* title = dynamic_cast<platform::ui::Label*>(action->viewWithTag(1));
    ASSERT_TRUE(title);
    EXPECT_EQ(title->text(), "Find friends");
    ASSERT_TRUE(tapRow(list, 3));
    EXPECT_EQ(std::string(navigation->topViewController()->className()), "QVImportFriendsController");
}

TEST_F(UserSettingTest, ARefusedSettingSpringsBackWithItsSideEffect)
{
    QuorvelInternal::options().setUserDistanceUnit(QVDistanceUnit::Undecided);
    auto* list = openSettings(setting("7", "Share my location", "location", "1"));
    ASSERT_TRUE(list);
    auto* row = switchRow(list, 0);
    ASSERT_TRUE(row);
    flip(row);
    // The side effect comes at once, before the server answers.
    EXPECT_EQ(QuorvelInternal::options().userDistanceUnit(), QVDistanceUnit::LocationOff);
    auto saves = requestsTo("users/@me/settings.xml");
    ASSERT_EQ(saves.size(), 2u);
    EXPECT_EQ(saves[1].method, "POST");
    ASSERT_TRUE(provider->answerWithFailure());
    settle(1);
    EXPECT_TRUE(row->booleanSwitch()->isOn());
    EXPECT_EQ(QuorvelInternal::options().userDistanceUnit(), QVDistanceUnit::Undecided);
    ASSERT_TRUE(lastAlert());
    EXPECT_EQ(lastAlert()->title(), QVUserSettingCell::kSaveFailedTitle);
    EXPECT_EQ(lastAlert()->message(), QVUserSettingCell::kSaveFailed);
    lastAlert()->dismissWithClickedButtonIndex(0, false);

    // Accepted: the setting keeps the new value.
    flip(row);
    ASSERT_TRUE(provider->answerWithXml(dashboard_testing::fixture("ok.xml")));
    settle(1);
    EXPECT_EQ(row->setting()->value(), "0");
    EXPECT_EQ(QuorvelInternal::options().userDistanceUnit(), QVDistanceUnit::LocationOff);
}

TEST_F(UserSettingTest, StreamsAndNewsletterAskForTheMissingAccount)
{
    QuorvelInternal::options().setLoggedInUserHasTwitterCredential(false);
    QuorvelInternal::options().setLoggedInUserHasHttpBasicCredential(false);
    // The active stack of the central class is not this test's; the side effect
    // pushes nothing without one, but the newsletter still explains itself.
    auto* list = openSettings(setting("8", "Tweet my scores", "twitterstream", "0") + setting("9", "Newsletter", "newsletter_quorvel", "0"));
    ASSERT_TRUE(list);
    flip(switchRow(list, 1));
    ASSERT_TRUE(lastAlert());
    EXPECT_EQ(lastAlert()->title(), "Enable Account Retrieval");
}

TEST_F(UserSettingTest, LogoutAsksFirst)
{
    auto* list = openSettings(setting("1", "Show me online", "presence", "1"));
    ASSERT_TRUE(list);
    list->logout();
    // Kept here: the list lets the sheet go when the question is cancelled.
    platform::Ref<ActionSheet> sheet = list->logoutSheet();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->title(), QVUserSettingController::kLogoutQuestion);
    EXPECT_EQ(sheet->buttonTitleAtIndex(sheet->destructiveButtonIndex()), "Logout");
    // Turning the dashboard cancels the question.
    platform::NotificationCenter::defaultCenter().post(Quorvel::kDashboardOrientationChanged);
    EXPECT_FALSE(list->logoutSheet());
    EXPECT_FALSE(sheet->isVisible());
}

class LocationHost : public QVShareLocationControllerCallback {
public:
    void showLoadingScreen() override { ++loading; }
    void userSharedLocation() override { ++shared; }
    int loading { 0 };
    int shared { 0 };
};

TEST_F(UserSettingTest, LocationPanelRechecksFifteenTimesOncePerProcess)
{
    QuorvelInternal::options().setUserDistanceUnit(QVDistanceUnit::LocationOff);
    LocationHost hostScreen;
    auto panel = platform::dynamicRef<QVShareLocationController>(QVControllerLoader::load("ShareLocation"));
    ASSERT_TRUE(panel);
    panel->setDelegate(&hostScreen);
    EXPECT_FALSE(panel->shareLocationSwitch()->isOn());
    panel->shareLocationSwitch()->setOn(true);
    panel->shareLocationChanged();
    EXPECT_EQ(hostScreen.loading, 1);
    EXPECT_EQ(QuorvelInternal::options().userDistanceUnit(), QVDistanceUnit::Undecided);
    settle(2.9);
    settle(15);
    EXPECT_EQ(hostScreen.shared, 0);
    settle(1.05);
    EXPECT_EQ(hostScreen.shared, 1);

    // Later in the process it follows 3 seconds after the switch.
    panel->shareLocationSwitch()->setOn(true);
    panel->shareLocationChanged();
    settle(3.05);
    EXPECT_EQ(hostScreen.shared, 2);

    panel->shareLocationSwitch()->setOn(false);
    panel->shareLocationChanged();
    EXPECT_EQ(QuorvelInternal::options().userDistanceUnit(), QVDistanceUnit::LocationOff);
    settle(5);
    EXPECT_EQ(hostScreen.shared, 2);
}

// The account screens an action row opens are told what they are for by name:
// a network's login adds a credential, the e-mail login drops the intro flow's spacer.
TEST_F(UserSettingTest, ActionRowsSetUpTheAccountScreensTheyOpen)
{
    auto* list = openSettings(setting("1", "Show me online", "presence", "1"));
    ASSERT_TRUE(list);
    auto open = [&](const std::string& name) {
        auto entry = community_testing::resourceFrom<QVUserSettingPushController>(
            "<user_setting_push_controller><controller_name>" + name + "</controller_name></user_setting_push_controller>");
        list->onCellWasClicked(entry.get(), platform::ui::IndexPath::forRow(0, 0));
        settle(1);
    };
    open("TwitterAccountLogin");
    auto* twitter = top<QVAccountSetupBaseController>();
    ASSERT_TRUE(twitter);
    EXPECT_EQ(twitter->className(), "QVTwitterAccountLoginController");
    EXPECT_TRUE(twitter->addingAdditionalCredential());
    navigation->popViewControllerAnimated(false);
    settle(1);
    open("QuorvelAccountLogin");
    auto* login = top<QVQuorvelAccountLoginController>();
    ASSERT_TRUE(login);
    EXPECT_FALSE(login->addingAdditionalCredential());
    EXPECT_TRUE(login->introFlowSpacer()->isHidden());
}

} // namespace

namespace {

TEST_F(UserSettingTest, SettingsListRendersItsSwitches)
{
    auto* list = openSettings(setting("1", "Show me online", "presence", "1") + setting("2", "Share my location", "location", "0"));
    ASSERT_TRUE(list);
    settle(1);
    auto image = render("settings");
    ASSERT_TRUE(image);
    auto* on = switchRow(list, 0);
    ASSERT_TRUE(on);
    // The row's name is drawn in dark text on the light row.
    auto origin = on->nameLabel()->convertPointTo(platform::Point(0, 0), nullptr);
    int dark = 0;
    for (int x = 0; x < 40; ++x)
        for (int y = 10; y < 34; ++y)
            dark += screen_testing::near(screen_testing::pixelAt(*image, int(origin.x) + x, int(origin.y) + y), 0, 0, 0, 60);
    EXPECT_GT(dark, 10);
    // The two switches differ where they are drawn.
    auto a = on->booleanSwitch()->convertPointTo(platform::Point(20, 13), nullptr);
    auto b = switchRow(list, 1)->booleanSwitch()->convertPointTo(platform::Point(20, 13), nullptr);
    auto pa = screen_testing::pixelAt(*image, int(a.x), int(a.y));
    auto pb = screen_testing::pixelAt(*image, int(b.x), int(b.y));
    EXPECT_FALSE(screen_testing::near(pa, pb.r, pb.g, pb.b, 20));
}

} // namespace
