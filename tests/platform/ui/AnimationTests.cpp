// Animations on the manual clock: view animation blocks and layer
// transitions end exactly at their duration and tell their delegate once.
#include "UiTestSupport.h"

#include "platform/foundation/Weak.h"
#include "platform/ui/Layer.h"

using namespace platform;
using namespace platform::ui;
using ui_test::UiTest;

namespace {

class Watcher : public Object, public AnimationDelegate {
public:
    static Ref<Watcher> make() { return adoptRef(new Watcher); }
    void didStop(const std::string& name, bool finished, void* context)
    {
        stops.push_back(name + (finished ? " finished" : " cut"));
        lastContext = context;
    }
    void animationDidStop(LayerAnimation* a, bool finished) override
    {
        layerStops.push_back(finished ? "finished" : "cut");
    }
    std::vector<std::string> stops;
    std::vector<std::string> layerStops;
    void* lastContext { nullptr };
};

} // namespace

TEST_F(UiTest, ViewAnimationEndsAtItsDurationAndTellsItsDelegateOnce)
{
    auto v = View::viewWithFrame(Rect(0, 0, 10, 10));
    auto w = Watcher::make();
    int context = 0;
    const double start = loop().now();
    View::beginAnimations("tabBarSlide", &context);
    View::setAnimationDuration(0.325);
    View::setAnimationDelegate(w.get());
    View::setAnimationDidStopSelector(BRISKO_SELECTOR(Watcher, didStop));
    v->setFrame(Rect(0, 100, 10, 10));
    View::commitAnimations();

    EXPECT_EQ(v->frame().origin.y, 100); // the final value at once
    ASSERT_EQ(View::runningAnimations().size(), 1u);
    EXPECT_EQ(View::runningAnimations()[0].name, "tabBarSlide");
    advance(0.3);
    EXPECT_TRUE(w->stops.empty());
    // Exactly at the end time, not a rounding step later.
    clock().set(start + 0.325);
    advance(0);
    EXPECT_EQ(w->stops, std::vector<std::string> { "tabBarSlide finished" });
    EXPECT_EQ(w->lastContext, &context);
    advance(5);
    EXPECT_EQ(w->stops.size(), 1u);
    EXPECT_TRUE(View::runningAnimations().empty());
}

TEST_F(UiTest, ViewAnimationDelayAddsToTheEnd)
{
    auto w = Watcher::make();
    View::beginAnimations("late");
    View::setAnimationDuration(0.5);
    View::setAnimationDelay(0.25);
    View::setAnimationDelegate(w.get());
    View::setAnimationDidStopSelector(BRISKO_SELECTOR(Watcher, didStop));
    View::commitAnimations();
    advance(0.74);
    EXPECT_TRUE(w->stops.empty());
    advance(0.01);
    EXPECT_EQ(w->stops.size(), 1u);
}

TEST_F(UiTest, UnbalancedCommitWarns)
{
    View::commitAnimations();
    expectedWarnings = 1;
}

TEST_F(UiTest, LayerTransitionTellsItsDelegateWhenItEnds)
{
    auto container = View::viewWithFrame(Rect(0, 0, 320, 480));
    auto w = Watcher::make();
    auto t = Transition::transition();
    t->setType(TransitionType::Reveal);
    t->setSubtype(TransitionSubtype::FromBottom);
    t->setDuration(0.5);
    t->setTimingFunction(TimingFunction::EaseInEaseOut);
    t->setDelegate(w.get());
    container->layer()->addAnimation(t.get(), "transition");
    container->setHidden(true); // the new state applies at once

    EXPECT_TRUE(container->isHidden());
    EXPECT_EQ(container->layer()->animationForKey("transition"), t.get());
    advance(0.499);
    EXPECT_TRUE(w->layerStops.empty());
    advance(0.001);
    EXPECT_EQ(w->layerStops, std::vector<std::string> { "finished" });
    EXPECT_EQ(container->layer()->animationForKey("transition"), nullptr);
    advance(1);
    EXPECT_EQ(w->layerStops.size(), 1u);
}

TEST_F(UiTest, ReplacedOrRemovedAnimationsStopUnfinished)
{
    auto v = View::viewWithFrame(Rect(0, 0, 10, 10));
    auto w = Watcher::make();
    auto first = BasicAnimation::withKeyPath("position.y");
    first->setDelegate(w.get());
    v->layer()->addAnimation(first.get(), "position.y");
    auto second = BasicAnimation::withKeyPath("position.y");
    second->setDelegate(w.get());
    second->setRemovedOnCompletion(false);
    second->setFillMode(FillMode::Forwards);
    v->layer()->addAnimation(second.get(), "position.y");
    EXPECT_EQ(w->layerStops, std::vector<std::string> { "cut" });

    // Kept after completion; removing it then tells nobody again.
    advance(second->duration());
    EXPECT_EQ(w->layerStops, (std::vector<std::string> { "cut", "finished" }));
    EXPECT_EQ(v->layer()->animationForKey("position.y"), second.get());
    v->layer()->removeAnimationForKey("position.y");
    EXPECT_EQ(w->layerStops.size(), 2u);

    // A running animation whose view goes away is told it did not finish.
    auto third = BasicAnimation::withKeyPath("opacity");
    third->setDelegate(w.get());
    v->layer()->addAnimation(third.get());
    v = nullptr;
    EXPECT_EQ(w->layerStops.back(), "cut");
    advance(1);
    EXPECT_EQ(w->layerStops.size(), 3u);
}

TEST_F(UiTest, AnAnimationTheLoopDroppedLetsGoOfADelegateOwningItsView)
{
    // The delegate owns the view whose layer runs the animations: a loop
    // torn down before the end must not leave them keeping each other. The
    // last delegate let go ends the view, whose layer drops every entry.
    class Owner : public Watcher {
    public:
        Ref<View> view;
    };
    for (int animations : { 1, 3 }) {
        SCOPED_TRACE(animations);
        Weak<Owner> gone;
        {
            Ref<Owner> owner = adoptRef(new Owner);
            owner->view = View::viewWithFrame(Rect(0, 0, 10, 10));
            for (int i = 0; i < animations; ++i) {
                auto a = BasicAnimation::withKeyPath("opacity");
                a->setDelegate(owner.get());
                owner->view->layer()->addAnimation(a.get());
            }
            gone = Weak<Owner>(owner.get());
        }
        ASSERT_TRUE(gone.lock());
        loop().reset();
        EXPECT_FALSE(gone.lock());
    }
}
