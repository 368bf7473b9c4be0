// Controls: target-action per event through real touches, buttons' per-state
// content and defaults, labels measured by the text engine, switches,
// segments and scroll views.
#include "UiTestSupport.h"

#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Switch.h"

using namespace platform;
using namespace platform::ui;
using ui_test::UiTest;

namespace {

class Target : public Object {
public:
    static Ref<Target> make() { return adoptRef(new Target); }
    void tapped(Object* sender) { calls.push_back("tapped"); lastSender = sender; }
    void down() { calls.push_back("down"); }
    void outside() { calls.push_back("outside"); }
    void exited() { calls.push_back("exit"); }
    void changed(Object*) { calls.push_back("changed"); }
    std::vector<std::string> calls;
    Object* lastSender { nullptr };
};

Touch touchAt(View* v, Point local, Touch::Phase phase)
{
    Touch t;
    t.phase = phase;
    t.windowLocation = v->convertPointTo(local, nullptr);
    t.view = v;
    return t;
}

} // namespace

TEST_F(UiTest, ControlSendsEachEventToItsTargets)
{
    TestDriver driver;
    auto button = Button::buttonWithType(Button::Type::RoundedRect);
    button->setFrame(Rect(10, 10, 100, 40));
    driver.window()->addSubview(button.get());
    auto target = Target::make();
    button->addTarget(target.get(), BRISKO_SELECTOR(Target, tapped), TouchUpInside);
    button->addTarget(target.get(), BRISKO_SELECTOR(Target, down), TouchDown);
    button->addTarget(target.get(), BRISKO_SELECTOR(Target, outside), TouchUpOutside);
    button->addTarget(target.get(), BRISKO_SELECTOR(Target, exited), TouchDragExit);

    ASSERT_TRUE(driver.tap(button.get()));
    EXPECT_EQ(target->calls, (std::vector<std::string> { "down", "tapped" }));
    EXPECT_EQ(target->lastSender, button.get());
    EXPECT_EQ(button->actionsForTarget(target.get(), TouchUpInside), std::vector<std::string> { "tapped" });

    // Dragging out and lifting outside.
    target->calls.clear();
    button->touchesBegan(touchAt(button.get(), Point(5, 5), Touch::Phase::Began));
    EXPECT_TRUE(button->isHighlighted());
    button->touchesMoved(touchAt(button.get(), Point(200, 5), Touch::Phase::Moved));
    EXPECT_FALSE(button->isHighlighted());
    button->touchesEnded(touchAt(button.get(), Point(200, 5), Touch::Phase::Ended));
    EXPECT_EQ(target->calls, (std::vector<std::string> { "down", "exit", "outside" }));

    // Disabled: still hit, but nothing is sent.
    target->calls.clear();
    button->setEnabled(false);
    EXPECT_TRUE(driver.tap(button.get()));
    EXPECT_TRUE(target->calls.empty());

    // Removing a target's actions for one event keeps the others.
    button->setEnabled(true);
    button->removeTarget(target.get(), TouchDown);
    driver.tap(button.get());
    EXPECT_EQ(target->calls, std::vector<std::string> { "tapped" });
}

TEST_F(UiTest, DestroyedTargetsAreSkipped)
{
    TestDriver driver;
    auto button = Button::buttonWithType(Button::Type::Custom);
    button->setFrame(Rect(0, 0, 50, 50));
    driver.window()->addSubview(button.get());
    {
        auto gone = Target::make();
        button->addTarget(gone.get(), BRISKO_SELECTOR(Target, tapped), TouchUpInside);
    }
    auto alive = Target::make();
    button->addTarget(alive.get(), BRISKO_SELECTOR(Target, tapped), TouchUpInside);
    EXPECT_TRUE(driver.tap(button.get()));
    EXPECT_EQ(alive->calls.size(), 1u);
}

TEST_F(UiTest, ButtonStatesFallBackToNormal)
{
    auto button = Button::buttonWithType(Button::Type::Custom);
    button->setTitle("Go", StateNormal);
    button->setTitle("Going", StateHighlighted);
    auto image = ImageAsset::create("Icon.png", Size(16, 16));
    button->setBackgroundImage(image.get(), StateNormal);
    EXPECT_EQ(button->currentTitle(), "Go");
    EXPECT_EQ(button->titleForState(StateDisabled), "Go");
    button->setHighlighted(true);
    EXPECT_EQ(button->currentTitle(), "Going");
    EXPECT_EQ(button->titleLabel()->text(), "Going");
    EXPECT_EQ(button->backgroundImageForState(StateHighlighted), image.get());
    button->setHighlighted(false);
    button->setEnabled(false);
    EXPECT_EQ(button->state(), unsigned(StateDisabled));
    EXPECT_EQ(button->currentTitle(), "Go");

    // One title for every state replaces the per-state ones.
    button->setTitleForAllStates("Starred");
    EXPECT_EQ(button->titleLabel()->text(), "Starred");
    for (unsigned state : { unsigned(StateNormal), unsigned(StateHighlighted), unsigned(StateSelected), unsigned(StateDisabled) })
        EXPECT_EQ(button->titleForState(state), "Starred") << state;
}

TEST_F(UiTest, ButtonDefaultTitleColours)
{
    EXPECT_EQ(Button::buttonWithType(Button::Type::RoundedRect)->currentTitleColor(),
              Color::rgb(50 / 255.f, 79 / 255.f, 133 / 255.f));
    EXPECT_EQ(Button::buttonWithType(Button::Type::Custom)->currentTitleColor(), Color::whiteColor());
    // Black in grey scale is not black in RGB.
    EXPECT_FALSE(Color::black() == Color::rgb(0, 0, 0));
}

TEST_F(UiTest, LabelSizesToItsTextWithTheTextEngine)
{
    auto label = Label::labelWithFrame(Rect(0, 0, 10, 10));
    label->setFont(Font::boldSystemFont(14).get());
    label->setText("12");
    label->sizeToFit();
    Size expected = measureText("12", *Font::boldSystemFont(14));
    EXPECT_EQ(label->frame().size, expected);

    // Several lines wrap within the asked width.
    label->setNumberOfLines(0);
    label->setText("one two three four five six");
    Size wrapped = label->sizeThatFits(Size(60, 1000));
    EXPECT_LE(wrapped.width, 60);
    EXPECT_GT(wrapped.height, expected.height * 2);

    // One line in a narrow label is truncated at the tail by default.
    label->setNumberOfLines(1);
    label->setFrame(Rect(0, 0, 40, 20));
    auto layout = label->currentLayout();
    ASSERT_EQ(layout.lines.size(), 1u);
    EXPECT_TRUE(layout.truncated);
    EXPECT_NE(layout.lines[0].text.find("\u2026"), std::string::npos);
}

TEST_F(UiTest, SwitchFlipsOnTapOnly)
{
    TestDriver driver;
    auto sw = Switch::switchWithFrame(Rect(10, 10, 10, 10));
    EXPECT_EQ(sw->frame().size, Size(94, 27));
    driver.window()->addSubview(sw.get());
    auto target = Target::make();
    sw->addTarget(target.get(), BRISKO_SELECTOR(Target, changed), ValueChanged);
    sw->setOn(true);
    EXPECT_TRUE(target->calls.empty());
    driver.tap(sw.get());
    EXPECT_FALSE(sw->isOn());
    EXPECT_EQ(target->calls, std::vector<std::string> { "changed" });
}

TEST_F(UiTest, SegmentedControlSelectsTheTouchedSegment)
{
    TestDriver driver;
    auto seg = SegmentedControl::withItems({ "A", "B", "C" });
    seg->setFrame(Rect(0, 100, 300, 30));
    driver.window()->addSubview(seg.get());
    auto target = Target::make();
    seg->addTarget(target.get(), BRISKO_SELECTOR(Target, changed), ValueChanged);
    EXPECT_EQ(seg->selectedSegmentIndex(), -1);
    driver.tapPoint(Point(250, 110));
    EXPECT_EQ(seg->selectedSegmentIndex(), 2);
    driver.tapPoint(Point(250, 110)); // the same segment again: no change
    EXPECT_EQ(target->calls.size(), 1u);
    seg->setEnabledForSegment(false, 0);
    driver.tapPoint(Point(10, 110));
    EXPECT_EQ(seg->selectedSegmentIndex(), 2);
    seg->removeSegmentAtIndex(2);
    EXPECT_EQ(seg->selectedSegmentIndex(), -1);
    seg->setSelectedSegmentIndex(7);
    EXPECT_EQ(seg->selectedSegmentIndex(), -1);
}

TEST_F(UiTest, ActivityIndicatorHidesWhileStopped)
{
    auto spinner = ActivityIndicator::withStyle(ActivityIndicator::Style::WhiteLarge);
    EXPECT_EQ(spinner->frame().size, Size(37, 37));
    EXPECT_TRUE(spinner->isHidden());
    spinner->startAnimating();
    EXPECT_FALSE(spinner->isHidden());
    spinner->stopAnimating();
    EXPECT_TRUE(spinner->isHidden());
}

namespace {

class ScrollRecorder : public ScrollViewDelegate {
public:
    void scrollViewDidScroll(ScrollView*) override { calls.push_back("scroll"); }
    void scrollViewWillBeginDragging(ScrollView*) override { calls.push_back("drag"); }
    void scrollViewDidEndDragging(ScrollView*, bool decelerate) override { calls.push_back(decelerate ? "end+" : "end"); }
    void scrollViewDidEndDecelerating(ScrollView*) override { calls.push_back("settled"); }
    void scrollViewDidEndScrollingAnimation(ScrollView*) override { calls.push_back("animated"); }
    std::vector<std::string> calls;
};

} // namespace

TEST_F(UiTest, ScrollViewScrollsWithinItsContent)
{
    auto scroll = ScrollView::scrollViewWithFrame(Rect(0, 0, 100, 100));
    scroll->setContentSize(Size(300, 500));
    ScrollRecorder rec;
    scroll->setScrollDelegate(&rec);

    scroll->scrollRectToVisible(Rect(150, 450, 20, 20), false);
    EXPECT_EQ(scroll->contentOffset(), Point(70, 370));
    scroll->scrollRectToVisible(Rect(80, 380, 10, 10), false); // already visible
    EXPECT_EQ(scroll->contentOffset(), Point(70, 370));
    scroll->scrollRectToVisible(Rect(0, 600, 10, 10), true);   // clamped to the content
    EXPECT_EQ(scroll->contentOffset(), Point(0, 400));
    EXPECT_EQ(rec.calls, (std::vector<std::string> { "scroll", "scroll" }));
    advance(ScrollView::kScrollAnimationDuration);
    EXPECT_EQ(rec.calls.back(), "animated");

    // A drag on a paged view settles on a page.
    rec.calls.clear();
    scroll->setContentOffset(Point());
    scroll->setPagingEnabled(true);
    scroll->dragForTest(0, 160);
    EXPECT_EQ(scroll->contentOffset(), Point(0, 200));
    EXPECT_EQ(rec.calls, (std::vector<std::string> { "scroll", "drag", "scroll", "end+", "scroll", "settled" }));
}
