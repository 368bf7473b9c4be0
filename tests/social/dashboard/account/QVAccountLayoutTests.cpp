// The account screens' layout wherever they are shown: in the intro frame on
// a tablet either way up and on a phone (inside the stack and the border drawn
// around it, reached by a tap, nothing lying over anything else), and shown
// shorter than they were laid out for (a phone on its side).
#include "social/ui/ScreenTestKit.h"

#include "platform/ui/Control.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"
#include "social/dashboard/account/QVAccountClasses.h"
#include "social/dashboard/account/QVIntroNavigationController.h"
#include "social/dashboard/account/QVLinkSocialNetworksController.h"
#include "social/runtime/FBSession.h"
#include "social/ui/QVControllerLoader.h"

#include <functional>
#include <string>
#include <vector>

using namespace quorvel;
using namespace platform::ui;
using platform::Ref;

namespace account_layout_tests {

class AccountLayoutTest : public screen_testing::ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        QVRegisterAccountClasses();
    }
    void TearDown() override
    {
        for (auto& d : std::vector<Ref<FBDialog>>(FBDialog::shownDialogs()))
            d->dismiss();
        settle(1);
        // The link-networks screen marks itself seen for the run.
        QVLinkSocialNetworksController::invalidateSessionSeenLinkSocialNetworksScreen();
        ScreenTest::TearDown();
    }
};

// The account screens show in the intro frame: on a tablet (either way up)
// and on a phone every control of each lies inside the stack that shows it
// and inside the border drawn around it, and a tap at its middle reaches it.
TEST_F(AccountLayoutTest, EveryAccountScreensControlsLieInsideTheIntroFramesBorderAndTakeTaps)
{
    struct Row {
        const char* size;
        Device device;
        InterfaceOrientation orientation;
    };
    for (const Row& row : { Row { "tablet", Device::Tablet, InterfaceOrientation::Portrait },
                            Row { "tablet_landscape", Device::Tablet, InterfaceOrientation::LandscapeRight },
                            Row { "phone", Device::Phone, InterfaceOrientation::Portrait } }) {
        useDevice(row.device);
        host().orientation = row.orientation;
        for (const char* name : { "UserQuorvelApproval", "QuorvelAccountLogin", "NewAccount", "ExistingAccount",
                                  "ExistingAccountMultiple", "LinkSocialNetworks", "SelectAccountType", "ResetPassword",
                                  "ChangeName", "ChangeEmail", "ChangePassword", "HttpCredentialsCreate",
                                  "EnableQuorvelInDashboard", "GameCenterIntegration", "FacebookAccountLogin",
                                  "TwitterAccountLogin", "DoBootstrap" }) {
            SCOPED_TRACE(std::string(row.size) + " " + name);
            Ref<ViewController> screen = QVControllerLoader::load(name);
            ASSERT_TRUE(screen);
            Ref<QVIntroNavigationController> intro = QVIntroNavigationController::framing(screen.get());
            ASSERT_TRUE(intro);
            host().introFrame = intro.get();
            driver().showController(intro.get());
            settle();
            // The Facebook form opens the network's own login over it: the player closes it first.
            for (auto& d : std::vector<Ref<FBDialog>>(FBDialog::shownDialogs()))
                d->dismiss();
            settle();
            render(std::string("account_") + row.size + "_" + name); // kept for a look with BRISKO_KEEP_RENDERS
            View* shown = intro->navController()->view();
            const platform::Rect frame = shown->convertRectTo(shown->bounds(), nullptr);
            View* drawn = intro->contentFrameView();
            ASSERT_TRUE(drawn);
            const platform::Rect border = drawn->convertRectTo(drawn->bounds(), nullptr);
            std::vector<View*> controls, texts;
            std::function<void(View*)> collect = [&](View* v) {
                if (v->isHidden() || v->alpha() <= 0.01f)
                    return;
                if (auto* text = dynamic_cast<Label*>(v); text && !text->text().empty())
                    texts.push_back(v);
                if (dynamic_cast<Control*>(v) && v->isUserInteractionEnabled())
                    controls.push_back(v);
                else if (!dynamic_cast<Control*>(v) && !dynamic_cast<TableView*>(v))
                    for (auto& sub : v->subviews())
                        collect(sub.get());
            };
            collect(screen->view());
            EXPECT_FALSE(controls.empty());
            // No control or text lies over another.
            std::vector<View*> shownParts = controls;
            shownParts.insert(shownParts.end(), texts.begin(), texts.end());
            for (size_t i = 0; i < shownParts.size(); ++i)
                for (size_t j = i + 1; j < shownParts.size(); ++j) {
                    const platform::Rect a = shownParts[i]->convertRectTo(shownParts[i]->bounds(), nullptr);
                    const platform::Rect b = shownParts[j]->convertRectTo(shownParts[j]->bounds(), nullptr);
                    const platform::Rect both = a.intersection(b);
                    EXPECT_TRUE(both.size.width < 1 || both.size.height < 1)
                        << shownParts[i]->className() << " and " << shownParts[j]->className() << " overlap at y "
                        << std::to_string(both.origin.y);
                }
            auto inside = [](const platform::Rect& r, const platform::Rect& in) {
                return r.minX() >= in.minX() && r.maxX() <= in.maxX() && r.minY() >= in.minY() && r.maxY() <= in.maxY();
            };
            // What the stack draws behind and around the screen (its background) stays inside too.
            for (auto& part : shown->subviews()) {
                if (part->isHidden())
                    continue;
                EXPECT_TRUE(inside(part->convertRectTo(part->bounds(), nullptr), border)) << part->className();
            }
            for (View* control : controls) {
                const platform::Rect r = control->convertRectTo(control->bounds(), nullptr);
                const std::string what = control->className() + " at " + std::to_string(r.origin.x) + ","
                                         + std::to_string(r.origin.y) + " " + std::to_string(r.size.width) + "x"
                                         + std::to_string(r.size.height);
                EXPECT_TRUE(inside(r, frame)) << what;
                EXPECT_TRUE(inside(r, border)) << what << " against the border to y " << std::to_string(border.maxY());
                View* hit = driver().window()->hitTest(platform::Point(r.midX(), r.midY()));
                bool reached = false;
                for (View* v = hit; v && !reached; v = v->superview())
                    reached = v == control;
                EXPECT_TRUE(reached) << what << ", the tap reaches " << (hit ? hit->className() : std::string("nothing"));
            }
            host().introFrame = nullptr;
            intro->view()->removeFromSuperview();
            intro = nullptr;
            settle(1);
        }
    }
    host().orientation = InterfaceOrientation::Portrait;
}

// A phone on its side shows an account screen shorter than it was laid out
// for: its rows come up in order without running into each other, and taller
// again each control is back where the screen put it.
TEST_F(AccountLayoutTest, AnAccountScreenShownShorterFitsItsRowsAndTallerAgainPutsThemBack)
{
    struct Row {
        const char* name;
        float height; // the intro frame's stack on a phone on its side, full-screen (the login forms) or not
    };
    for (const Row& row : { Row { "QuorvelAccountLogin", 308 }, Row { "TwitterAccountLogin", 308 },
                            Row { "LinkSocialNetworks", 268 }, Row { "NewAccount", 268 } }) {
        const char* name = row.name;
        const float height = row.height;
        SCOPED_TRACE(name);
        Ref<ViewController> screen = QVControllerLoader::load(name);
        ASSERT_TRUE(screen);
        View* root = screen->view();
        const platform::Rect tall = root->frame();
        std::vector<std::pair<View*, platform::Rect>> placed;
        std::function<void(View*)> collect = [&](View* v) {
            if (v->isHidden())
                return;
            if (dynamic_cast<Control*>(v))
                placed.emplace_back(v, v->convertRectTo(v->bounds(), root));
            else
                for (auto& sub : v->subviews())
                    collect(sub.get());
        };
        collect(root);
        ASSERT_FALSE(placed.empty());
        root->setFrame(platform::Rect(0, 0, 468, height));
        std::vector<platform::Rect> fitted;
        for (auto& [control, before] : placed) {
            const platform::Rect r = control->convertRectTo(control->bounds(), root);
            EXPECT_GE(r.minY(), 0) << control->className();
            EXPECT_LE(r.maxY(), height) << control->className() << " at y " << std::to_string(r.minY());
            fitted.push_back(r);
        }
        for (size_t i = 0; i < placed.size(); ++i)
            for (size_t j = i + 1; j < placed.size(); ++j) {
                // Rows keep their order, and what lay apart still does.
                if (placed[i].second.maxY() <= placed[j].second.minY()) {
                    EXPECT_LE(fitted[i].maxY(), fitted[j].minY()) << i << " above " << j;
                }
                if (placed[j].second.maxY() <= placed[i].second.minY()) {
                    EXPECT_LE(fitted[j].maxY(), fitted[i].minY()) << j << " above " << i;
                }
            }
        root->setFrame(tall);
        for (auto& [control, before] : placed)
            EXPECT_EQ(control->convertRectTo(control->bounds(), root), before) << control->className();
    }
}

} // namespace account_layout_tests
