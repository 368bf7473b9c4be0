// Touch dispatch: targeted before standard, priorities, claiming and
// swallowing, and changes made while an event is being dispatched.
#include "engine/platform/KSTouchDispatcher.h"
#include "platform/foundation/Exception.h"
#include "platform/ui/Touches.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace kestrel;
using platform::Ref;
using platform::ui::TouchInjector;

namespace {

std::vector<std::string> gJournal;

class Targeted : public platform::Object, public KSTargetedTouchDelegate {
public:
    static Ref<Targeted> make(std::string name, bool claims = true)
    {
        auto t = platform::adoptRef(new Targeted);
        t->name = std::move(name);
        t->claims = claims;
        return t;
    }
    bool ksTouchBegan(ActiveTouch*, Event*) override
    {
        gJournal.push_back(name + ":began");
        if (onBegan)
            onBegan();
        return claims;
    }
    void ksTouchMoved(ActiveTouch*, Event*) override { gJournal.push_back(name + ":moved"); }
    void ksTouchEnded(ActiveTouch*, Event*) override { gJournal.push_back(name + ":ended"); }
    void ksTouchCancelled(ActiveTouch*, Event*) override { gJournal.push_back(name + ":cancelled"); }
    std::string name;
    bool claims { true };
    std::function<void()> onBegan;
};

class Standard : public platform::Object, public KSStandardTouchDelegate {
public:
    static Ref<Standard> make(std::string name)
    {
        auto s = platform::adoptRef(new Standard);
        s->name = std::move(name);
        return s;
    }
    void ksTouchesBegan(const TouchSet& touches, Event*) override
    {
        gJournal.push_back(name + ":began" + std::to_string(touches.count()));
        if (onBegan)
            onBegan();
    }
    void ksTouchesEnded(const TouchSet& touches, Event*) override
    {
        gJournal.push_back(name + ":ended" + std::to_string(touches.count()));
    }
    std::string name;
    std::function<void()> onBegan;
};

class TouchDispatcherTest : public testing_support::ManualClockTest {
protected:
    void SetUp() override
    {
        ManualClockTest::SetUp();
        gJournal.clear();
        view = platform::ui::View::viewWithFrame({ 0, 0, 320, 480 });
    }
    void TearDown() override
    {
        KSTouchDispatcher::purgeSharedDispatcher();
        ManualClockTest::TearDown();
    }
    static KSTouchDispatcher* dispatcher() { return KSTouchDispatcher::sharedDispatcher(); }

    // Sends the phase straight to the dispatcher with the given touches.
    void send(unsigned phase, std::initializer_list<ActiveTouch*> touches)
    {
        TouchSet set(touches);
        dispatcher()->touches(set, nullptr, phase);
    }
    Ref<ActiveTouch> newTouch()
    {
        // A touch object as the platform makes it (delivered to a plain view: no receiver).
        return TouchInjector::begin(view.get(), { 10, 10 });
    }

    Ref<platform::ui::View> view;
};

TEST_F(TouchDispatcherTest, SwallowingTargetedDelegateHidesTheTouchFromEveryoneAfterIt)
{
    auto a = Targeted::make("A");
    auto b = Targeted::make("B");
    auto s = Standard::make("S");
    dispatcher()->addTargetedDelegate(b.get(), 0, false);
    dispatcher()->addTargetedDelegate(a.get(), -10, true);
    dispatcher()->addStandardDelegate(s.get(), 0);
    auto t = newTouch();
    send(kKSTouchBegan, { t.get() });
    send(kKSTouchEnded, { t.get() });
    EXPECT_EQ(gJournal, (std::vector<std::string> { "A:began", "A:ended" }));
}

TEST_F(TouchDispatcherTest, DeclinedTouchGoesToTheNextTargetedThenToStandardDelegates)
{
    auto a = Targeted::make("A", false);
    auto b = Targeted::make("B", false);
    auto s = Standard::make("S");
    dispatcher()->addTargetedDelegate(a.get(), -10, true);
    dispatcher()->addTargetedDelegate(b.get(), 0, true);
    dispatcher()->addStandardDelegate(s.get(), 0);
    auto t = newTouch();
    send(kKSTouchBegan, { t.get() });
    EXPECT_EQ(gJournal, (std::vector<std::string> { "A:began", "B:began", "S:began1" }));
}

TEST_F(TouchDispatcherTest, SwallowedTouchIsTakenOutOfTheStandardSetOnly)
{
    auto a = Targeted::make("A");
    auto s = Standard::make("S");
    dispatcher()->addTargetedDelegate(a.get(), 0, true);
    dispatcher()->addStandardDelegate(s.get(), 0);
    auto t1 = newTouch();
    auto t2 = newTouch();
    a->claims = true;
    send(kKSTouchBegan, { t1.get() });
    a->claims = false;
    gJournal.clear();
    send(kKSTouchEnded, { t1.get(), t2.get() });
    // t1 (claimed and swallowed) ends at A; only t2 reaches S.
    EXPECT_EQ(gJournal, (std::vector<std::string> { "A:ended", "S:ended1" }));
}

TEST_F(TouchDispatcherTest, ClaimedTouchWithoutTheMovedPhaseStaysClaimedAndSwallowed)
{
    auto a = Targeted::make("A");
    auto s = Standard::make("S");
    dispatcher()->addTargetedDelegate(a.get(), 0, true);
    dispatcher()->addStandardDelegate(s.get(), 0);
    auto t = newTouch();
    send(kKSTouchBegan, { t.get() });
    auto* handler = static_cast<KSTargetedTouchHandler*>(dispatcher()->targetedHandlers()[0].get());
    handler->setEnabledSelectors(ksTouchSelectorBeganBit | ksTouchSelectorEndedBit);
    gJournal.clear();
    send(kKSTouchMoved, { t.get() });
    EXPECT_TRUE(gJournal.empty());
    EXPECT_TRUE(handler->claimedTouches().contains(t.get()));
    send(kKSTouchEnded, { t.get() });
    EXPECT_EQ(gJournal, (std::vector<std::string> { "A:ended" }));
    EXPECT_FALSE(handler->claimedTouches().contains(t.get()));
}

TEST_F(TouchDispatcherTest, EndedOrCancelledTouchLeavesEveryClaimedSet)
{
    auto a = Targeted::make("A");
    auto b = Targeted::make("B");
    dispatcher()->addTargetedDelegate(a.get(), 0, false);
    dispatcher()->addTargetedDelegate(b.get(), 1, false);
    auto t = newTouch();
    send(kKSTouchBegan, { t.get() });
    send(kKSTouchCancelled, { t.get() });
    EXPECT_EQ(gJournal, (std::vector<std::string> { "A:began", "B:began", "A:cancelled", "B:cancelled" }));
    for (const auto& h : dispatcher()->targetedHandlers())
        EXPECT_TRUE(static_cast<KSTargetedTouchHandler*>(h.get())->claimedTouches().empty());
}

TEST_F(TouchDispatcherTest, AmongEqualPrioritiesTheLastAddedIsServedFirst)
{
    auto x = Standard::make("X");
    auto y = Standard::make("Y");
    auto early = Standard::make("E");
    dispatcher()->addStandardDelegate(x.get(), 0);
    dispatcher()->addStandardDelegate(y.get(), 0);
    dispatcher()->addStandardDelegate(early.get(), -1);
    auto t = newTouch();
    send(kKSTouchBegan, { t.get() });
    EXPECT_EQ(gJournal, (std::vector<std::string> { "E:began1", "Y:began1", "X:began1" }));
}

TEST_F(TouchDispatcherTest, RemovalDuringAnEventTakesEffectAfterIt)
{
    auto x = Standard::make("X");
    auto y = Standard::make("Y");
    dispatcher()->addStandardDelegate(x.get(), 0);
    dispatcher()->addStandardDelegate(y.get(), 1);
    x->onBegan = [&] { dispatcher()->removeDelegate(y.get()); };
    auto t = newTouch();
    send(kKSTouchBegan, { t.get() });
    EXPECT_EQ(gJournal, (std::vector<std::string> { "X:began1", "Y:began1" }));
    gJournal.clear();
    send(kKSTouchBegan, { t.get() });
    EXPECT_EQ(gJournal, (std::vector<std::string> { "X:began1" }));
}

TEST_F(TouchDispatcherTest, DelegateAddedDuringAnEventReceivesNothingOfIt)
{
    auto x = Standard::make("X");
    auto late = Standard::make("L");
    dispatcher()->addStandardDelegate(x.get(), 0);
    x->onBegan = [&] {
        if (dispatcher()->standardHandlers().size() == 1)
            dispatcher()->addStandardDelegate(late.get(), -5);
    };
    auto t = newTouch();
    send(kKSTouchBegan, { t.get() });
    EXPECT_EQ(gJournal, (std::vector<std::string> { "X:began1" }));
    gJournal.clear();
    send(kKSTouchBegan, { t.get() });
    EXPECT_EQ(gJournal, (std::vector<std::string> { "L:began1", "X:began1" }));
}

TEST_F(TouchDispatcherTest, DelegateAddedAndRemovedInOneEventIsNotLeftRegistered)
{
    auto x = Standard::make("X");
    auto brief = Targeted::make("B");
    dispatcher()->addStandardDelegate(x.get(), 0);
    x->onBegan = [&] {
        dispatcher()->addTargetedDelegate(brief.get(), 0, true);
        dispatcher()->removeDelegate(brief.get());
    };
    auto t = newTouch();
    send(kKSTouchBegan, { t.get() });
    EXPECT_TRUE(dispatcher()->targetedHandlers().empty());
    // The dispatcher let go of it too.
    EXPECT_EQ(brief->retainCount(), 1);
}

TEST_F(TouchDispatcherTest, RemoveAllDuringAnEventAlsoRemovesDelegatesAddedInIt)
{
    auto x = Standard::make("X");
    auto late = Standard::make("L");
    dispatcher()->addStandardDelegate(x.get(), 0);
    x->onBegan = [&] {
        dispatcher()->addStandardDelegate(late.get(), 0);
        dispatcher()->removeAllDelegates();
    };
    auto t = newTouch();
    send(kKSTouchBegan, { t.get() });
    EXPECT_EQ(gJournal, (std::vector<std::string> { "X:began1" }));
    EXPECT_TRUE(dispatcher()->standardHandlers().empty());
}

TEST_F(TouchDispatcherTest, ThrowingDelegateLeavesTheDispatcherUnlockedWithChangesApplied)
{
    auto x = Standard::make("X");
    auto late = Standard::make("L");
    dispatcher()->addStandardDelegate(x.get(), 0);
    x->onBegan = [&] {
        dispatcher()->addStandardDelegate(late.get(), 0);
        throw std::runtime_error("handler failed");
    };
    auto t = newTouch();
    EXPECT_THROW(send(kKSTouchBegan, { t.get() }), std::runtime_error);
    EXPECT_FALSE(dispatcher()->isLocked());
    EXPECT_EQ(dispatcher()->standardHandlers().size(), 2u);
    // And later changes are immediate again.
    dispatcher()->removeDelegate(late.get());
    EXPECT_EQ(dispatcher()->standardHandlers().size(), 1u);
}

TEST_F(TouchDispatcherTest, ProgrammingErrorsFailTheirAssertions)
{
    auto x = Standard::make("X");
    dispatcher()->addStandardDelegate(x.get(), 0);
    EXPECT_ASSERTION(dispatcher()->addStandardDelegate(x.get(), 3), "engine/Platforms/iOS/KSTouchDispatcher",
                     "Delegate already added to touch dispatcher.");
    auto t = newTouch();
    EXPECT_THROW(send(4, { t.get() }), platform::AssertionFailure);
    EXPECT_FALSE(dispatcher()->isLocked());
    EXPECT_THROW(dispatcher()->setPriority(1, x.get()), platform::AssertionFailure);
    EXPECT_THROW(dispatcher()->addStandardDelegate(nullptr, 0), platform::AssertionFailure);
}

TEST_F(TouchDispatcherTest, WithDispatchOffATouchThatBeganReachesNoTargetedDelegateLater)
{
    auto a = Targeted::make("A");
    dispatcher()->addTargetedDelegate(a.get(), 0, true);
    dispatcher()->setDispatchEvents(false);
    auto t = newTouch();
    TouchSet set { t.get() };
    dispatcher()->touchesBegan(set, nullptr);
    dispatcher()->setDispatchEvents(true);
    dispatcher()->touchesEnded(set, nullptr);
    EXPECT_TRUE(gJournal.empty());
}

} // namespace
