// Views: geometry under transforms, conversions, autoresizing, the layout
// pass, hierarchy order and tags, and hit testing.
#include "UiTestSupport.h"

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Window.h"

#include <cmath>

using namespace platform;
using namespace platform::ui;
using ui_test::UiTest;

namespace {

void expectRectNear(const Rect& a, const Rect& b)
{
    EXPECT_NEAR(a.origin.x, b.origin.x, 1e-3);
    EXPECT_NEAR(a.origin.y, b.origin.y, 1e-3);
    EXPECT_NEAR(a.size.width, b.size.width, 1e-3);
    EXPECT_NEAR(a.size.height, b.size.height, 1e-3);
}

class LayoutCounter : public View {
public:
    static Ref<LayoutCounter> make(const Rect& f) { auto v = adoptRef(new LayoutCounter); v->initWithFrame(f); return v; }
    void layoutSubviews() override { ++layouts; }
    int layouts { 0 };
};

// Takes touches only inside a circle.
class RoundView : public View {
public:
    static Ref<RoundView> make(const Rect& f) { auto v = adoptRef(new RoundView); v->initWithFrame(f); return v; }
    bool pointInside(Point p) const override
    {
        float r = bounds().size.width / 2;
        float dx = p.x - r, dy = p.y - r;
        return dx * dx + dy * dy <= r * r;
    }
};

} // namespace

TEST_F(UiTest, FrameBoundsAndCenterStayConsistent)
{
    auto v = View::viewWithFrame(Rect(10, 20, 100, 50));
    EXPECT_EQ(v->center(), Point(60, 45));
    EXPECT_EQ(v->bounds(), Rect(0, 0, 100, 50));

    v->setCenter(Point(100, 100));
    EXPECT_EQ(v->frame(), Rect(50, 75, 100, 50));
    v->setBounds(Rect(0, 0, 40, 40));
    EXPECT_EQ(v->frame(), Rect(80, 80, 40, 40)); // the centre holds

    // A quarter turn swaps the frame's sides; bounds and centre are untouched.
    v->setTransform(AffineTransform::makeRotation(static_cast<float>(M_PI / 2)));
    v->setBounds(Rect(0, 0, 100, 50));
    expectRectNear(v->frame(), Rect(75, 50, 50, 100));
    EXPECT_EQ(v->center(), Point(100, 100));

    // Setting the frame under that transform keeps the bounds in the view's own axes.
    v->setFrame(Rect(0, 0, 60, 200));
    EXPECT_NEAR(v->bounds().size.width, 200, 1e-3);
    EXPECT_NEAR(v->bounds().size.height, 60, 1e-3);
    EXPECT_EQ(v->center(), Point(30, 100));

    // A scale grows the frame about the centre.
    auto s = View::viewWithFrame(Rect(0, 0, 100, 100));
    s->setTransform(AffineTransform::makeScale(2, 2));
    expectRectNear(s->frame(), Rect(-50, -50, 200, 200));
}

TEST_F(UiTest, PointsAndRectsConvertBetweenViews)
{
    auto root = View::viewWithFrame(Rect(0, 0, 320, 480));
    auto a = View::viewWithFrame(Rect(10, 20, 100, 100));
    auto b = View::viewWithFrame(Rect(5, 5, 50, 50));
    root->addSubview(a.get());
    a->addSubview(b.get());
    EXPECT_EQ(b->convertPointTo(Point(1, 1), nullptr), Point(16, 26));
    EXPECT_EQ(b->convertPointTo(Point(1, 1), a.get()), Point(6, 6));
    EXPECT_EQ(root->convertPointTo(Point(16, 26), b.get()), Point(1, 1));
    EXPECT_EQ(a->convertRectFrom(Rect(0, 0, 10, 10), b.get()), Rect(5, 5, 10, 10));

    // The bounds origin scrolls the content.
    a->setBounds(Rect(0, 30, 100, 100));
    EXPECT_EQ(b->convertPointTo(Point(0, 0), nullptr), Point(15, -5));

    // Through a rotated view and back again.
    a->setTransform(AffineTransform::makeRotation(static_cast<float>(M_PI / 2)));
    Point p = b->convertPointTo(Point(3, 4), root.get());
    Point back = b->convertPointFrom(p, root.get());
    EXPECT_NEAR(back.x, 3, 1e-3);
    EXPECT_NEAR(back.y, 4, 1e-3);
}

TEST_F(UiTest, AutoresizingSpreadsTheChangeOverFlexibleParts)
{
    auto parent = View::viewWithFrame(Rect(0, 0, 200, 100));
    auto fill = View::viewWithFrame(Rect(10, 10, 180, 80));
    fill->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    auto pinnedRight = View::viewWithFrame(Rect(150, 0, 50, 20));
    pinnedRight->setAutoresizingMask(FlexibleLeftMargin);
    auto centred = View::viewWithFrame(Rect(50, 0, 100, 20));
    centred->setAutoresizingMask(FlexibleLeftMargin | FlexibleRightMargin);
    auto fixed = View::viewWithFrame(Rect(5, 5, 10, 10));
    for (auto* v : { fill.get(), pinnedRight.get(), centred.get(), fixed.get() })
        parent->addSubview(v);

    parent->setFrame(Rect(0, 0, 300, 150));
    EXPECT_EQ(fill->frame(), Rect(10, 10, 280, 130));
    EXPECT_EQ(pinnedRight->frame(), Rect(250, 0, 50, 20));
    EXPECT_EQ(centred->frame(), Rect(100, 0, 100, 20));
    EXPECT_EQ(fixed->frame(), Rect(5, 5, 10, 10));

    // Nested views follow, and a parent that does not autoresize leaves them alone.
    auto inner = View::viewWithFrame(Rect(0, 0, 280, 10));
    inner->setAutoresizingMask(FlexibleWidth);
    fill->addSubview(inner.get());
    parent->setFrame(Rect(0, 0, 200, 150));
    EXPECT_EQ(inner->frame().size.width, 180);
    fill->setAutoresizesSubviews(false);
    parent->setFrame(Rect(0, 0, 300, 150));
    EXPECT_EQ(inner->frame().size.width, 180);
}

TEST_F(UiTest, LayoutRunsOnceAtTheEndOfTheTurn)
{
    TestDriver driver;
    auto v = LayoutCounter::make(Rect(0, 0, 100, 100));
    driver.window()->addSubview(v.get());
    driver.settle();
    v->layouts = 0;
    v->setNeedsLayout();
    v->setFrame(Rect(0, 0, 50, 50));
    v->setNeedsLayout();
    EXPECT_EQ(v->layouts, 0);
    loop().drain();
    EXPECT_EQ(v->layouts, 1);
    // Moving without resizing asks for no layout.
    v->setCenter(Point(10, 10));
    loop().drain();
    EXPECT_EQ(v->layouts, 1);
    v->setNeedsLayout();
    v->layoutIfNeeded();
    EXPECT_EQ(v->layouts, 2);
}

TEST_F(UiTest, SubviewOrderAndTagLookup)
{
    auto root = View::view();
    auto a = View::view(), b = View::view(), c = View::view();
    a->setTag(1); b->setTag(2); c->setTag(3);
    root->addSubview(a.get());
    root->addSubview(b.get());
    root->insertSubviewBelow(c.get(), a.get());
    ASSERT_EQ(root->subviews().size(), 3u);
    EXPECT_EQ(root->subviews()[0].get(), c.get());
    root->bringSubviewToFront(c.get());
    EXPECT_EQ(root->subviews().back().get(), c.get());
    root->sendSubviewToBack(b.get());
    EXPECT_EQ(root->subviews().front().get(), b.get());

    // Depth-first, the view itself first.
    auto deep = View::view();
    deep->setTag(2);
    a->addSubview(deep.get());
    EXPECT_EQ(root->viewWithTag(2), b.get());
    EXPECT_EQ(a->viewWithTag(2), deep.get());
    root->setTag(2);
    EXPECT_EQ(root->viewWithTag(2), root.get());
    EXPECT_EQ(root->viewWithTag(99), nullptr);

    // Moving a view to another parent takes it out of the first.
    b->addSubview(a.get());
    EXPECT_EQ(a->superview(), b.get());
    EXPECT_EQ(root->subviews().size(), 2u);
    a->removeFromSuperview();
    EXPECT_EQ(a->superview(), nullptr);
}

TEST_F(UiTest, AddingNilOrACycleWarnsAndChangesNothing)
{
    auto root = View::view();
    auto child = View::view();
    root->addSubview(child.get());
    root->addSubview(nullptr);
    child->addSubview(root.get());
    EXPECT_EQ(root->subviews().size(), 1u);
    EXPECT_TRUE(child->subviews().empty());
    EXPECT_EQ(log.count(LogLevel::Warning), 2u);
    expectedWarnings = 2;
}

TEST_F(UiTest, HitTestingSkipsHiddenTransparentAndNonInteractiveViews)
{
    TestDriver driver;
    auto back = Button::buttonWithType(Button::Type::Custom);
    back->setFrame(Rect(0, 0, 100, 100));
    auto front = View::viewWithFrame(Rect(0, 0, 100, 100));
    driver.window()->addSubview(back.get());
    driver.window()->addSubview(front.get());
    Window* w = driver.window();

    EXPECT_EQ(w->hitTest(Point(50, 50)), front.get()); // the later subview is on top
    auto r = driver.tap(back.get());
    EXPECT_FALSE(r);
    EXPECT_EQ(r.hitView, front.get());

    front->setHidden(true);
    EXPECT_EQ(w->hitTest(Point(50, 50)), back.get());
    front->setHidden(false);
    front->setAlpha(0);
    EXPECT_EQ(w->hitTest(Point(50, 50)), back.get());
    front->setAlpha(0.5f);
    front->setUserInteractionEnabled(false);
    EXPECT_EQ(w->hitTest(Point(50, 50)), back.get());
    EXPECT_TRUE(driver.tap(back.get()));

    // A non-interactive parent hides its interactive children from touches.
    auto holder = View::viewWithFrame(Rect(200, 0, 100, 100));
    auto inner = Button::buttonWithType(Button::Type::Custom);
    inner->setFrame(Rect(0, 0, 100, 100));
    holder->addSubview(inner.get());
    w->addSubview(holder.get());
    holder->setUserInteractionEnabled(false);
    EXPECT_FALSE(driver.tap(inner.get()));

    // Points outside a parent do not reach children that stick out of it.
    auto small = View::viewWithFrame(Rect(0, 200, 10, 10));
    auto wide = View::viewWithFrame(Rect(0, 0, 100, 10));
    small->addSubview(wide.get());
    w->addSubview(small.get());
    EXPECT_NE(w->hitTest(Point(50, 205)), wide.get());
}

TEST_F(UiTest, HitTestingHonoursOverriddenPointInside)
{
    TestDriver driver;
    auto round = RoundView::make(Rect(0, 0, 100, 100));
    driver.window()->addSubview(round.get());
    EXPECT_EQ(driver.window()->hitTest(Point(50, 50)), round.get());
    EXPECT_EQ(driver.window()->hitTest(Point(2, 2)), driver.window());
}

TEST_F(UiTest, TreeDumpShowsStructureAndState)
{
    auto root = View::viewWithFrame(Rect(0, 0, 320, 480));
    auto label = Label::labelWithFrame(Rect(10, 20, 100, 21));
    label->setText("Hello");
    label->setTag(7);
    auto hidden = View::viewWithFrame(Rect(0, 0, 1, 1));
    hidden->setHidden(true);
    hidden->setAlpha(0.5f);
    root->addSubview(label.get());
    root->addSubview(hidden.get());
    EXPECT_EQ(TestDriver::dumpTree(root.get()),
              "View frame=(0,0,320,480)\n"
              "  Label tag=7 frame=(10,20,100,21) noninteractive \"Hello\"\n"
              "  View frame=(0,0,1,1) hidden alpha=0.50\n");
}
