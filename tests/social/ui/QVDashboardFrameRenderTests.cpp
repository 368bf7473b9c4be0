// The dashboard frame drawn: the root controller showing a tab controller
// whose tab is a framed list of users, rendered to PNG and probed.
#include "ListScreenTestKit.h"

#include "social/services/QVFriendsService.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVRootController.h"
#include "social/ui/QVTabBarController.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

using namespace quorvel;
using namespace platform::ui;
using platform::Rect;
using platform::Ref;
using screen_testing::near;
using screen_testing::pixelAt;

namespace frame_render_tests {

class FriendsList : public QVTableSequenceControllerHelper {
public:
    static Ref<FriendsList> make()
    {
        auto l = platform::adoptRef(new FriendsList);
        l->init();
        return l;
    }
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override
    {
        QVFriendsService::getAllUsersFollowedByLocalUserAlphabetical(onSuccess, onFailure);
    }
    void populateResourceMap(QVResourceControllerMap& map) override { map.addResource<QVUser>("User"); }
    bool allowPagination() override { return false; }
};

// Tabs whose screens are framed stacks of the friends list.
class FrameTabs : public QVTabBarController {
public:
    static Ref<FrameTabs> make()
    {
        auto t = platform::adoptRef(new FrameTabs);
        t->init();
        return t;
    }
    std::optional<Ref<ViewController>> tabBarLoadViewController(QVTabBar*, const std::string&, QVTabBarItem*) override
    {
        auto list = FriendsList::make();
        list->setTitle("Friends");
        return Ref<ViewController>(QVFramedNavigationController::withRootViewController(list.get()));
    }
};

class FrameRenderTest : public screen_testing::ScreenTest { };

TEST_F(FrameRenderTest, RootWithTabsAndAFramedListDraws)
{
    screen_testing::RecordingProvider provider;
    auto root = dynamicRef<QVRootController>(QVControllerLoader::load("Root"));
    ASSERT_TRUE(root);
    root->notifyViewWillAppear(true);
    window()->addSubview(root->view());
    root->notifyViewDidAppear(true);

    auto tabs = FrameTabs::make();
    tabs->tabBar()->setBackgroundColor(Color::rgb(0.1f, 0.2f, 0.8f));
    tabs->addViewController("Friends", "Friends", "", "", "", std::string("3"));
    tabs->addViewController("Games", "Games", "", "", "");
    root->showController(tabs.get());
    tabs->showTabAtIndex(0);
    settle(0.6);
    ASSERT_TRUE(provider.answerWithXml(list_testing::usersXml({ "Ann", "Bob", "Cy" })));
    settle(0.6);

    auto image = render("dashboard_frame");
    ASSERT_TRUE(image);
    // The tab strip along the bottom, the first tab's red badge on its upper edge.
    EXPECT_TRUE(near(pixelAt(*image, 300, 475), 26, 51, 204));
    EXPECT_TRUE(near(pixelAt(*image, 10, 440), 26, 51, 204));
    auto badge = pixelAt(*image, 158, 431);
    EXPECT_GT(badge.r, 150);
    EXPECT_LT(badge.g, 80);
    // The rows sit inside the frame's insets: white from x 6 and y 8, not at the edges.
    EXPECT_TRUE(near(pixelAt(*image, 200, 20), 255, 255, 255));
    EXPECT_TRUE(near(pixelAt(*image, 310, 150), 255, 255, 255));
    EXPECT_FALSE(near(pixelAt(*image, 2, 100), 255, 255, 255, 40));
    EXPECT_FALSE(near(pixelAt(*image, 200, 3), 255, 255, 255, 40));
    // Below the three rows the stack's background shows, above the strip.
    EXPECT_FALSE(near(pixelAt(*image, 160, 300), 255, 255, 255, 40));
    EXPECT_FALSE(near(pixelAt(*image, 160, 300), 26, 51, 204, 40));
}

} // namespace frame_render_tests
