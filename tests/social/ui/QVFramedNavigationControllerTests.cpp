// Framed navigation: one context entry per screen (user, compared user, game),
// inheritance on push, pops, user changes, the navigation bar per screen,
// banners, bottom views, keyboard and the frame's geometry and insets.
#include "ScreenTestKit.h"

#include "platform/foundation/NotificationCenter.h"
#include "social/services/QVUser.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVFramedContentWrapperView.h"
#include "social/ui/QVBannerCell.h"
#include "social/ui/QVPlayerBannerCell.h"
#include "social/ui/QVViewController.h"

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

namespace quorvel {

// A banner cell for the screens below, and a cell that is not a banner.
class QVTestBannerCell : public QVBannerCell {
    QV_DECLARE_CLASS(QVTestBannerCell)
public:
    int appeared { 0 };
    void viewDidAppear() override { ++appeared; }
};
QV_REGISTER_CLASS(QVTestBannerCell);

class QVNotABannerCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVNotABannerCell)
};
QV_REGISTER_CLASS(QVNotABannerCell);

} // namespace quorvel

using namespace quorvel;

namespace framed_tests {

Ref<QVUser> user(const std::string& id)
{
    auto u = QVUser::create();
    u->setResourceId(id);
    u->setName("user " + id);
    return u;
}

class Screen : public QVViewController, public QVProfileFrame {
public:
    static Ref<Screen> make()
    {
        auto s = platform::adoptRef(new Screen);
        s->init();
        return s;
    }
    std::vector<std::string> changes;
    void profileUsersChanged(QVUser* u, QVUser* c) override
    {
        changes.push_back((u ? u->resourceId() : "-") + "/" + (c ? c->resourceId() : "-"));
    }
};

class BannerScreen : public Screen, public QVBannerProvider {
public:
    static Ref<BannerScreen> make(const std::string& cell)
    {
        auto s = platform::adoptRef(new BannerScreen);
        s->init();
        s->cell_ = cell;
        return s;
    }
    bool isBannerAvailableNow() override { return true; }
    std::string bannerCellControllerName() override { return cell_; }
    platform::Object* getBannerResource() override { return nullptr; }
    void onBannerClicked() override { ++clicks; }
    int clicks { 0 };

private:
    std::string cell_;
};

class BottomScreen : public Screen, public QVCustomBottomView {
public:
    static Ref<BottomScreen> make()
    {
        auto s = platform::adoptRef(new BottomScreen);
        s->init();
        s->bottom = View::viewWithFrame(Rect(0, 0, 320, 40));
        return s;
    }
    View* getBottomView() override { return bottom.get(); }
    Ref<View> bottom;
};

// The provider's host that also answers the local user.
class LocalUserHost : public screen_testing::RecordingProvider {
public:
    Ref<QVUser> local = user("1");
    void getLocalUser(Ref<QVUser>& user) override { user = local; }
    std::string applicationDisplayName() override { return "Brisko"; }
};

class FramedTest : public screen_testing::ScreenTest {
protected:
    Ref<QVFramedNavigationController> stack(ViewController* root)
    {
        auto nav = QVFramedNavigationController::withRootViewController(root);
        driver().showController(nav.get());
        return nav;
    }
    std::unique_ptr<LocalUserHost> users = std::make_unique<LocalUserHost>();
};

TEST_F(FramedTest, EveryPushedScreenGetsAnEntryInheritingTheGameAndUsers)
{
    auto root = Screen::make();
    auto nav = stack(root.get());
    ASSERT_EQ(nav->controllerInfos().size(), 1u);
    EXPECT_EQ(nav->currentGameContext(), nullptr);
    EXPECT_EQ(nav->currentUser(), users->local.get());
    EXPECT_TRUE(dynamic_cast<QVFramedContentWrapperView*>(root->view()));

    auto game = user("game");
    nav->changeGameContext(game.get());
    auto other = user("2");
    auto second = Screen::make();
    nav->pushViewControllerInContextOfLocalUserComparedTo(second.get(), false, other.get());
    EXPECT_EQ(nav->currentGameContext(), game.get());
    EXPECT_EQ(nav->comparisonUser(), other.get());

    auto third = Screen::make();
    nav->pushViewController(third.get(), false);
    EXPECT_EQ(nav->currentUser(), users->local.get());
    EXPECT_EQ(nav->comparisonUser(), other.get());
    EXPECT_EQ(nav->currentGameContext(), game.get());

    auto fourth = Screen::make();
    nav->pushViewController(fourth.get(), false, other.get());
    EXPECT_EQ(nav->currentUser(), other.get());
    EXPECT_EQ(nav->comparisonUser(), nullptr);
    // Pushing never tells the screen its users.
    EXPECT_TRUE(fourth->changes.empty());

    // Two popped screens take their two entries with them.
    nav->popToViewController(second.get(), false);
    ASSERT_EQ(nav->controllerInfos().size(), 2u);
    EXPECT_EQ(nav->controllerInfos().back()->controller(), second.get());
    EXPECT_EQ(nav->comparisonUser(), other.get());
    nav->popToRootViewControllerAnimated(false);
    EXPECT_EQ(nav->controllerInfos().size(), 1u);
    EXPECT_TRUE(second->changes.empty());
}

TEST_F(FramedTest, AUserChangeReplacesThePreviousUserInEveryEntry)
{
    auto nav = stack(Screen::make().get());
    auto old = user("1");
    auto replacement = user("9");
    auto second = Screen::make();
    nav->pushViewControllerInContextOfLocalUserComparedTo(second.get(), false, user("5").get());
    auto third = Screen::make();
    nav->pushViewController(third.get(), false, user("7").get());
    users->local = replacement;

    platform::Notification n;
    n.name = "QVNSNotificationUserChanged";
    n.userObjects = { { "QVNSNotificationInfoPreviousUser", old }, { "QVNSNotificationInfoCurrentUser", replacement } };
    platform::NotificationCenter::defaultCenter().post(n);

    auto& infos = nav->controllerInfos();
    EXPECT_EQ(infos[0]->user.get(), replacement.get());
    EXPECT_EQ(infos[1]->user.get(), replacement.get());
    EXPECT_EQ(infos[1]->comparedToUser.get(), nullptr);
    EXPECT_EQ(infos[2]->user->resourceId(), "7");
    EXPECT_TRUE(third->changes.empty());
}

TEST_F(FramedTest, APickedUserIsComparedWithTheLocalUserOnTheTopScreen)
{
    auto root = Screen::make();
    auto nav = stack(root.get());
    auto picked = user("3");
    nav->pickerFinishedWithSelectedUser(picked.get());
    EXPECT_EQ(root->changes, (std::vector<std::string> { "1/3" }));
    EXPECT_EQ(nav->comparisonUser(), picked.get());
}

TEST_F(FramedTest, TheNavigationBarShowsForLaterScreensUnlessAskedHidden)
{
    auto nav = stack(Screen::make().get());
    EXPECT_TRUE(nav->isNavigationBarHidden());
    EXPECT_FLOAT_EQ(nav->navigationBar()->frame().origin.y, -44);

    auto second = Screen::make();
    nav->pushViewController(second.get(), false);
    EXPECT_FALSE(nav->isNavigationBarHidden());
    EXPECT_FLOAT_EQ(nav->navigationBar()->frame().origin.y, 0);

    nav->setNavigationBarHidden(true, false);
    auto third = Screen::make();
    nav->pushViewController(third.get(), false);
    EXPECT_TRUE(nav->isNavigationBarHidden());

    // A right bar button always brings the bar.
    auto fourth = Screen::make();
    fourth->navigationItem()->setRightBarButtonItem(
        BarButtonItem::withTitle("Edit", BarButtonItem::Style::Bordered, nullptr, BarButtonItem::PlainAction()).get());
    nav->pushViewController(fourth.get(), false);
    EXPECT_FALSE(nav->isNavigationBarHidden());
}

TEST_F(FramedTest, BannerGeometryAndInsets)
{
    auto screen = BannerScreen::make("TestBanner");
    screen->navigationItem()->setRightBarButtonItem(
        BarButtonItem::withTitle("Edit", BarButtonItem::Style::Bordered, nullptr, BarButtonItem::PlainAction()).get());
    auto nav = stack(screen.get());
    float height = nav->view()->bounds().size.height;

    auto* cell = dynamic_cast<QVTestBannerCell*>(nav->bannerView()->bannerSubview());
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->bannerProvider(), screen.get());
    EXPECT_EQ(nav->bannerView()->frame(), Rect(0, 44, 320, 58));
    // The frame runs 9 points under the banner's lower edge.
    EXPECT_EQ(nav->frameView()->frame(), Rect(0, 93, 320, height - 93));
    auto* wrapper = dynamic_cast<QVFramedContentWrapperView*>(screen->view());
    ASSERT_TRUE(wrapper);
    EXPECT_EQ(wrapper->contentInsets(), (EdgeInsets { 8 + 93 - 44, 6, 8, 6 }));

    cell->touchesEnded(Touch {});
    EXPECT_EQ(screen->clicks, 1);
}

TEST_F(FramedTest, ABannerCellThatIsNoBannerShowsNothingAndIsLogged)
{
    auto screen = BannerScreen::make("NotABanner");
    auto nav = stack(screen.get());
    EXPECT_EQ(nav->bannerView()->bannerSubview(), nullptr);
    EXPECT_TRUE(log.contains("An QVNotABannerCell isn't an QVTableViewCell"));
    // No banner: it hides behind the bar, and the frame starts under the bar's place.
    EXPECT_FLOAT_EQ(nav->frameView()->frame().origin.y, 0);
}

TEST_F(FramedTest, BottomViewsAndTheKeyboardTakeTheirHeightFromTheFrame)
{
    auto root = Screen::make();
    auto nav = stack(root.get());
    float height = nav->view()->bounds().size.height;
    auto screen = BottomScreen::make();
    nav->pushViewController(screen.get(), false);
    EXPECT_EQ(nav->customBottomView(), screen->bottom.get());
    EXPECT_EQ(screen->bottom->superview(), nav->view());
    // Bar shown, no banner: the frame starts at 44 and ends on top of the bottom view.
    EXPECT_EQ(nav->frameView()->frame(), Rect(0, 44, 320, height - 44 - 40));
    EXPECT_EQ(screen->bottom->frame(), Rect(0, height - 40, 320, 40));
    auto* wrapper = dynamic_cast<QVFramedContentWrapperView*>(screen->view());
    EXPECT_FLOAT_EQ(wrapper->contentInsets().bottom, 8 + 40);

    nav->adjustForKeyboard(true, 216);
    settle(0.4);
    EXPECT_FLOAT_EQ(nav->frameView()->frame().size.height, height - 44 - 216 - 40);
    EXPECT_FLOAT_EQ(wrapper->contentInsets().bottom, 8 + 216 + 40);

    nav->adjustForKeyboard(false, 0);
    nav->popViewControllerAnimated(false);
    EXPECT_EQ(nav->customBottomView(), nullptr);
    EXPECT_EQ(screen->bottom->superview(), nullptr);
}

TEST_F(FramedTest, AnAnimatedPushSlidesTheBannerInAfterTheTransition)
{
    auto nav = stack(Screen::make().get());
    auto screen = BannerScreen::make("TestBanner");
    nav->pushViewController(screen.get(), true);
    settle(0.35);
    settle(0.4);
    settle(0.4);
    ASSERT_TRUE(nav->bannerView()->bannerSubview());
    EXPECT_TRUE(nav->visibilityDoes().showBanner);
    EXPECT_TRUE(nav->visibilityDoes().showNavBar);
    EXPECT_EQ(nav->bannerView()->frame(), Rect(0, 44, 320, 58));

    // Back to a screen without a banner: it slides out and the frame is emptied.
    nav->popViewControllerAnimated(true);
    settle(0.35);
    settle(0.4);
    settle(0.4);
    EXPECT_EQ(nav->bannerView()->bannerSubview(), nullptr);
    EXPECT_FALSE(nav->visibilityDoes().showBanner);
}

} // namespace framed_tests

namespace framed_tests {

class PlayerScreen : public BannerScreen {
public:
    static Ref<PlayerScreen> make(QVUser* u)
    {
        auto s = platform::adoptRef(new PlayerScreen);
        s->init();
        s->shown = u;
        return s;
    }
    std::string bannerCellControllerName() override { return "PlayerBanner"; }
    platform::Object* getBannerResource() override { return shown.get(); }
    Ref<QVUser> shown;
};

TEST_F(FramedTest, ThePlayerBannerSaysWhatThePlayerPlaysAndFollowsTheLocalUser)
{
    users->local->setLastPlayedGameName("Kestrel Run");
    auto screen = PlayerScreen::make(users->local.get());
    auto nav = stack(screen.get());
    auto* banner = dynamic_cast<QVPlayerBannerCell*>(nav->bannerView()->bannerSubview());
    ASSERT_TRUE(banner);
    EXPECT_EQ(banner->nowPlayingLabel()->text(), "Playing Kestrel Run");
    EXPECT_EQ(banner->onlineStatusLabel(), nullptr);
    // The status line is slanted bold: its named face, else the nearest installed.
    auto* status = banner->nowPlayingLabel()->font();
    ASSERT_TRUE(status);
    const std::string face = status->file().postScriptName();
    if (platform::FontFile::findByName(QVPlayerBannerCell::kStatusFontName))
        EXPECT_EQ(status->fontName(), QVPlayerBannerCell::kStatusFontName);
    else if (platform::FontFile::findByName("DejaVuSans-BoldOblique"))
        EXPECT_EQ(face, "DejaVuSans-BoldOblique");
    else
        EXPECT_NE(face.find("Oblique"), std::string::npos) << face;

    // The service has not named the local player's game: it is the running one.
    users->local->setLastPlayedGameName("");
    banner->changeResource(users->local.get());
    ASSERT_TRUE(banner->nowPlayingLabel());
    EXPECT_EQ(banner->nowPlayingLabel()->text(), "Playing Brisko");

    auto other = user("5");
    other->setLastPlayedGameName("Chess");
    banner->changeResource(other.get());
    EXPECT_EQ(banner->nowPlayingLabel()->text(), "Last played Chess");
    // No game's name: no "Last played" line, the name in the middle of the banner.
    auto newcomer = user("6");
    banner->changeResource(newcomer.get());
    EXPECT_EQ(banner->nowPlayingLabel(), nullptr);
    banner->layoutSubviews();
    auto name = banner->playerNameLabel()->frame();
    EXPECT_NEAR(name.midY(), banner->contentView()->bounds().size.height / 2, 1);
    other->setOnlineAsString("true");
    banner->changeResource(other.get());
    EXPECT_EQ(banner->nowPlayingLabel()->text(), "playing Chess");
    ASSERT_TRUE(banner->onlineStatusLabel());
    EXPECT_EQ(banner->onlineStatusLabel()->text(), "ONLINE");

    // The picture falls back to the banner's click when the screen has no picture handler.
    banner->profilePictureTouched();
    EXPECT_EQ(screen->clicks, 1);

    // A refreshed profile shows the current local user again.
    banner->changeResource(users->local.get());
    auto renamed = user("1");
    renamed->setName("New Name");
    users->local = renamed;
    nav->refreshProfile();
    EXPECT_EQ(banner->playerNameLabel()->text(), "New Name");

    // The picture's frame overhangs the banner from the stack's view and leaves with the banner.
    settle();
    ImageView* pictureFrame = banner->pictureFrameView();
    ASSERT_TRUE(pictureFrame);
    EXPECT_EQ(pictureFrame->superview(), nav->view());
    nav->bannerView()->setBannerSubview(nullptr);
    EXPECT_EQ(pictureFrame->superview(), nullptr);
}

TEST_F(FramedTest, ThePlayerBannersTextsStartRightOfThePicturesFrame)
{
    auto other = user("5");
    other->setLastPlayedGameName("Chess");
    other->setOnlineAsString("true");
    auto screen = PlayerScreen::make(other.get());
    auto nav = stack(screen.get());
    auto* banner = dynamic_cast<QVPlayerBannerCell*>(nav->bannerView()->bannerSubview());
    ASSERT_TRUE(banner);
    settle();
    banner->layoutSubviews();
    ImageView* pictureFrame = banner->pictureFrameView();
    ASSERT_TRUE(pictureFrame);
    // The frame image is centred on the picture and wider than it.
    platform::Rect frame = pictureFrame->convertRectTo(pictureFrame->bounds(), banner->contentView());
    ASSERT_GT(frame.size.width, 36);
    EXPECT_NEAR(banner->playerNameLabel()->frame().minX(), frame.maxX() + 9, 0.5);
    ASSERT_TRUE(banner->onlineStatusLabel());
    EXPECT_NEAR(banner->onlineStatusLabel()->frame().minX(), frame.maxX() + 8, 0.5);
    EXPECT_GE(banner->nowPlayingLabel()->frame().minX(), banner->onlineStatusLabel()->frame().maxX());

    // A name as long as the service lets a name be keeps clear of the separator and the points,
    // cut short with "…"; a short one is whole.
    for (const char* name : { "Alexandria Montgomery-Fitzgerald", "Ann" }) {
        SCOPED_TRACE(name);
        other->setName(name);
        banner->changeResource(other.get());
        banner->layoutSubviews();
        platform::ui::Label* shown = banner->playerNameLabel();
        EXPECT_LE(shown->frame().maxX(), banner->separatorView()->frame().minX());
        EXPECT_EQ(shown->currentLayout().truncated, std::string(name) != "Ann");
        EXPECT_NEAR(shown->frame().minX(), frame.maxX() + 9, 0.5);
    }
}

} // namespace framed_tests

namespace framed_tests {

TEST_F(FramedTest, LargeScreenBannersAreWiderAndTheFrameReachesFurther)
{
    useDevice(Device::Tablet);
    auto screen = BannerScreen::make("TestBanner");
    screen->navigationItem()->setRightBarButtonItem(
        BarButtonItem::withTitle("Edit", BarButtonItem::Style::Bordered, nullptr, BarButtonItem::PlainAction()).get());
    auto nav = stack(screen.get());
    float height = nav->view()->bounds().size.height;
    EXPECT_EQ(nav->bannerView()->frame(), Rect(0, 44, 640, 78));
    EXPECT_EQ(nav->frameView()->frame(), Rect(0, 113, nav->view()->bounds().size.width, height - 113 + 7));
    auto* wrapper = dynamic_cast<QVFramedContentWrapperView*>(screen->view());
    ASSERT_TRUE(wrapper);
    EXPECT_EQ(wrapper->contentInsets(), (EdgeInsets { 8 + 113 - 44, 6, 0, 6 }));

    // The loading overlay lies just below the frame.
    screen->showLoadingScreen();
    auto& subs = nav->view()->subviews();
    auto overlay = std::find_if(subs.begin(), subs.end(), [&](auto& v) { return v.get() == nav->loadingController()->view(); });
    auto frame = std::find_if(subs.begin(), subs.end(), [&](auto& v) { return v.get() == nav->frameView(); });
    ASSERT_NE(overlay, subs.end());
    EXPECT_EQ(overlay + 1, frame);
}

} // namespace framed_tests
