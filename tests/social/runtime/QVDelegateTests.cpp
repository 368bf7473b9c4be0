// Callback values: delivery on the target's loop, the canReceiveCallbacksNow
// gate, delays and chaining.
#include "social/runtime/QVDelegate.h"
#include "support/Assertions.h"
#include "support/TestSupport.h"

#include <string>
#include <thread>
#include <vector>

using namespace quorvel;
using platform::Object;
using platform::Ref;

namespace {

class Recorder : public Object, public QVCallbackable {
public:
    bool canReceiveCallbacksNow() override { return accepting; }
    void onDone(Object* arg, Object* user)
    {
        calls.push_back({ arg, user });
        onMain.push_back(platform::RunLoop::main().isCurrent());
    }
    void onShort(Object* arg) { calls.push_back({ arg, nullptr }); }

    bool accepting { true };
    std::vector<std::pair<Object*, Object*>> calls;
    std::vector<bool> onMain;
};

class Thing : public Object { };

class DelegateTest : public testing_support::ManualClockTest { };

TEST_F(DelegateTest, InvokesAtOnceOnTheTargetThreadWithArgumentAndUserParameter)
{
    auto target = platform::makeRef<Recorder>();
    auto user = platform::makeRef<Thing>();
    auto arg = platform::makeRef<Thing>();
    QVDelegate d(target.get(), BRISKO_SELECTOR(Recorder, onDone), user.get());
    EXPECT_EQ(user->retainCount(), 2);
    d.invoke(arg.get());
    ASSERT_EQ(target->calls.size(), 1u);
    EXPECT_EQ(target->calls[0].first, arg.get());
    EXPECT_EQ(target->calls[0].second, user.get());

    QVDelegate s(target.get(), BRISKO_SELECTOR(Recorder, onShort));
    s.invoke(nullptr);
    EXPECT_EQ(target->calls.size(), 2u);
}

TEST_F(DelegateTest, EmptyValueAndRefusingTargetDropTheCall)
{
    QVDelegate empty;
    empty.invoke(nullptr);
    empty.invoke(nullptr, 1.0);
    EXPECT_TRUE(empty.isEmpty());

    auto target = platform::makeRef<Recorder>();
    target->accepting = false;
    QVDelegate d(target.get(), BRISKO_SELECTOR(Recorder, onDone));
    d.invoke(nullptr);
    EXPECT_TRUE(target->calls.empty());
}

TEST_F(DelegateTest, CopiesKeepTargetAndUserParameterAlive)
{
    auto target = platform::makeRef<Recorder>();
    auto user = platform::makeRef<Thing>();
    {
        QVDelegate a(target.get(), BRISKO_SELECTOR(Recorder, onDone), user.get());
        QVDelegate b = a;
        QVDelegate c;
        c = b;
        EXPECT_EQ(target->retainCount(), 4);
        EXPECT_EQ(user->retainCount(), 4);
        EXPECT_TRUE(c == a);
    }
    EXPECT_EQ(target->retainCount(), 1);
    EXPECT_EQ(user->retainCount(), 1);
}

TEST_F(DelegateTest, CallFromAnotherThreadIsQueuedOnTheTargetLoopAndAskedThere)
{
    auto target = platform::makeRef<Recorder>();
    QVDelegate d(target.get(), BRISKO_SELECTOR(Recorder, onDone));
    std::thread other([&] { d.invoke(nullptr); });
    other.join();
    EXPECT_TRUE(target->calls.empty());
    // Refusal is decided when the call runs, not when it was queued.
    target->accepting = false;
    loop().drain();
    EXPECT_TRUE(target->calls.empty());

    target->accepting = true;
    std::thread again([&] { d.invoke(nullptr); });
    again.join();
    loop().drain();
    ASSERT_EQ(target->calls.size(), 1u);
    EXPECT_TRUE(target->onMain[0]);
}

TEST_F(DelegateTest, DelayedCallRunsAfterTheDelayOnTheSameLoop)
{
    auto target = platform::makeRef<Recorder>();
    auto arg = platform::makeRef<Thing>();
    QVDelegate d(target.get(), BRISKO_SELECTOR(Recorder, onDone));
    d.invoke(arg.get(), 0.5);
    Object* raw = arg.get();
    arg = nullptr; // the queued call keeps the argument alive
    advance(0.4);
    EXPECT_TRUE(target->calls.empty());
    advance(0.1);
    ASSERT_EQ(target->calls.size(), 1u);
    EXPECT_EQ(target->calls[0].first, raw);
}

TEST_F(DelegateTest, ChainedValueTravelsAsUserParameter)
{
    auto first = platform::makeRef<Recorder>();
    auto second = platform::makeRef<Recorder>();
    auto arg = platform::makeRef<Thing>();
    QVDelegate inner(first.get(), BRISKO_SELECTOR(Recorder, onDone));
    QVDelegate outer(second.get(), BRISKO_SELECTOR(Recorder, onDone), inner);
    outer.invoke(arg.get());
    ASSERT_EQ(second->calls.size(), 1u);
    auto* chained = dynamic_cast<QVDelegateChained*>(second->calls[0].second);
    ASSERT_NE(chained, nullptr);
    chained->invokeWith(arg.get());
    chained->invoke();
    ASSERT_EQ(first->calls.size(), 2u);
    EXPECT_EQ(first->calls[0].first, arg.get());
    EXPECT_EQ(first->calls[1].first, nullptr);
}

TEST_F(DelegateTest, AHookFindsTheCallersValuesOrFailsOnAnythingElse)
{
    auto first = platform::makeRef<Recorder>();
    auto failure = platform::makeRef<Recorder>();
    auto pair = QVDelegateChained::chainedWith(QVDelegate(first.get(), BRISKO_SELECTOR(Recorder, onDone)),
                                               QVDelegate(failure.get(), BRISKO_SELECTOR(Recorder, onDone)));
    ASSERT_EQ(QVDelegateChained::from(pair.get()), pair.get());
    QVDelegateChained::from(pair.get())->invokeFailureWith(nullptr);
    EXPECT_TRUE(first->calls.empty());
    EXPECT_EQ(failure->calls.size(), 1u);
    EXPECT_EQ(QVDelegateChained::from(nullptr), nullptr) << "a hook given no values has nobody to tell";
    // Any other object would swallow the caller's values without a word.
    auto stranger = platform::makeRef<Thing>();
    EXPECT_ASSERTION(QVDelegateChained::from(stranger.get()), "social/runtime/QVDelegate",
                     "A hook's user parameter is not the caller's chained values");
}

} // namespace
