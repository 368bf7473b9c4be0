// Patterned gradient backgrounds, the rounded panel and the page selector:
// what each draws (by pixel probes) and their stated numbers.
#include "ScreenTestKit.h"

#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/Renderer.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVPatternedGradientView.h"

using namespace quorvel;
using namespace platform::ui;
using platform::Rect;
using platform::Ref;
using screen_testing::pixelAt;

namespace background_tests {

class BackgroundTest : public screen_testing::ScreenTest {
protected:
    Ref<platform::Image> draw(View* view)
    {
        ViewRenderer::Options options;
        options.background = Color::rgb(1, 0, 1);
        return ViewRenderer::render(view, options);
    }
};

TEST_F(BackgroundTest, GradientAtRightAnglesRunsTopToBottomOverTheFullHeight)
{
    auto view = QVPatternedGradientView::viewWithFrame(Rect(0, 0, 40, 200), QVPatternedGradientView::createDefaultGradient(), "");
    view->setGradientAngle(1.5707964f);
    EXPECT_NEAR(view->direction().x, 0, 1e-6);
    EXPECT_NEAR(view->direction().y, 1, 1e-6);
    auto image = draw(view);
    EXPECT_NEAR(pixelAt(*image, 20, 0).r, 128, 2);
    EXPECT_NEAR(pixelAt(*image, 20, 199).r, 87, 2);
    EXPECT_NEAR(pixelAt(*image, 20, 100).r, (128 + 87) / 2, 3);
    // Grey: the same along a row.
    EXPECT_EQ(pixelAt(*image, 0, 50).r, pixelAt(*image, 39, 50).r);
}

TEST_F(BackgroundTest, WithoutGradientOrPatternTheBackgroundShows)
{
    auto view = QVPatternedGradientView::viewWithFrame(Rect(0, 0, 30, 30), std::nullopt, "");
    view->setBackgroundColor(Color::rgb(0, 1, 0));
    auto image = draw(view);
    EXPECT_TRUE(screen_testing::near(pixelAt(*image, 15, 15), 0, 255, 0, 2));
}

TEST_F(BackgroundTest, IntroContentFrameDrawsItsArtAndHidesTheOuterEightPoints)
{
    InterfaceRegistry::shared().registerLayout("IntroBackgroundQv", [](InterfaceBuilder& b) {
        auto view = b.makeView<QVIntroPatternedGradientView>(Rect(0, 0, 100, 100));
        view->setBackgroundColor(Color::rgb(1, 0, 0));
        return std::vector<Ref<platform::Object>> { view };
    });
    auto view = QVControllerLoader::loadNibObject<QVIntroPatternedGradientView>("IntroBackgroundQv", nullptr);
    InterfaceRegistry::shared().unregisterLayout("IntroBackgroundQv");
    ASSERT_TRUE(view);
    ASSERT_TRUE(view->contentFrameView());
    EXPECT_EQ(view->contentFrameView()->tag(), 101);
    EXPECT_EQ(view->backgroundRect(view->bounds()), Rect(8, 8, 84, 84));
    EXPECT_EQ(view->patternImage()->name(), "QVIntroPattern.png");
    // The content frame view with its art: the frame's dark rim at the edge,
    // the view's own colour between the rim and the background's inset.
    ASSERT_TRUE(dynamic_cast<QVContentFrameView*>(view->contentFrameView()));
    auto image = draw(view);
    auto rim = pixelAt(*image, 1, 50);
    EXPECT_LT(rim.r, 60);
    EXPECT_TRUE(screen_testing::near(pixelAt(*image, 6, 50), 255, 0, 0, 2));
    auto inside = pixelAt(*image, 50, 50);
    EXPECT_GT(inside.g, 100);
    view->contentFrameView()->setHidden(true);
    EXPECT_EQ(view->backgroundRect(view->bounds()), view->bounds());
}

TEST_F(BackgroundTest, RoundedPanelFillsItsColourInsideRoundedCorners)
{
    auto panel = QVRoundedRectView::viewWithFrame(Rect(0, 0, 60, 40));
    ASSERT_TRUE(panel->panelColor());
    EXPECT_EQ(*panel->panelColor(), Color::black().withAlpha(0.4f));
    EXPECT_EQ(panel->backgroundColor(), Color::clear());
    panel->setBackgroundColor(Color::rgb(0, 0, 1));
    EXPECT_EQ(panel->backgroundColor(), Color::clear());
    EXPECT_EQ(panel->borderImage()->leftCapWidth(), 10);
    auto image = draw(panel);
    EXPECT_TRUE(screen_testing::near(pixelAt(*image, 30, 20), 0, 0, 255, 2));
    // Outside the 10.5-point arc the view's clear background shows the magenta underneath.
    EXPECT_TRUE(screen_testing::near(pixelAt(*image, 0, 0), 255, 0, 255, 8));

    InterfaceRegistry::shared().registerLayout("PanelQv", [](InterfaceBuilder& b) {
        auto view = b.makeView<QVRoundedRectView>(Rect(0, 0, 60, 40));
        return std::vector<Ref<platform::Object>> { view };
    });
    auto filed = QVControllerLoader::loadNibObject<QVRoundedRectView>("PanelQv", nullptr);
    InterfaceRegistry::shared().unregisterLayout("PanelQv");
    ASSERT_TRUE(filed);
    EXPECT_EQ(filed->panelColor(), Color::whiteColor());
}

TEST_F(BackgroundTest, PageSelectorNumbersItsPagesAndFollowsScrolling)
{
    auto selector = QVPageSelectionView::viewWithFrame(Rect(0, 0, 30, 20), 5);
    ASSERT_EQ(selector->pageScroller()->subviews().size(), 5u);
    EXPECT_EQ(selector->pageScroller()->contentSize().width, 150);
    auto* third = dynamic_cast<Label*>(selector->pageScroller()->subviews()[2].get());
    ASSERT_TRUE(third);
    EXPECT_EQ(third->text(), "3");
    EXPECT_EQ(third->frame().origin.x, 60);
    EXPECT_TRUE(selector->pageScroller()->isPagingEnabled());
    selector->pageScroller()->setContentOffset(platform::Point(60, 0));
    EXPECT_EQ(selector->currentPage(), 2);
    selector->pageScroller()->setContentOffset(platform::Point(0, 0));
    EXPECT_EQ(selector->currentPage(), 0);
}

} // namespace background_tests
