// Ease curves at chosen points (values worked out by hand in single precision),
// their reversals and copies, and an ease running through the action manager.
#include "NodeTestSupport.h"

#include "engine/KSActionEase.h"

#include <cmath>

using namespace kestrel;
using namespace kestrel_test;

namespace {

class EaseTest : public EngineTest {
protected:
    // f(t) as the inner action receives it.
    template <class Ease, class... Args>
    float f(float t, Args... args)
    {
        auto probe = ProbeAction::make(1);
        auto ease = Ease::actionWithAction(probe, args...);
        auto target = KSNode::node();
        ease->startWithTarget(target);
        ease->update(t);
        return probe->last();
    }
};

} // namespace

TEST_F(EaseTest, RateCurves)
{
    EXPECT_FLOAT_EQ(f<KSEaseIn>(0.5f, 2.0f), 0.25f);
    EXPECT_FLOAT_EQ(f<KSEaseOut>(0.25f, 2.0f), 0.5f);
    EXPECT_FLOAT_EQ(f<KSEaseInOut>(0.25f, 2.0f), 0.125f);
    EXPECT_FLOAT_EQ(f<KSEaseInOut>(0.75f, 2.0f), 0.875f);
    EXPECT_FLOAT_EQ(f<KSEaseInOut>(0.75f, 3.0f), 0.9375f);
    EXPECT_FLOAT_EQ(f<KSEaseInOut>(1.0f, 3.0f), 1.0f);
}

TEST_F(EaseTest, InOutWithAFractionalRateIsANumberAndSymmetric)
{
    float upper = f<KSEaseInOut>(0.75f, 2.5f);
    float lower = f<KSEaseInOut>(0.25f, 2.5f);
    EXPECT_FALSE(std::isnan(upper));
    EXPECT_NEAR(upper, 1 - 0.5f * std::pow(0.5f, 2.5f), 1e-6);
    EXPECT_NEAR(lower + upper, 1.0f, 1e-6);
}

TEST_F(EaseTest, ExponentialCurves)
{
    EXPECT_EQ(f<KSEaseExponentialIn>(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(f<KSEaseExponentialIn>(1.0f), 0.999f);
    EXPECT_EQ(f<KSEaseExponentialOut>(1.0f), 1.0f);
    EXPECT_FLOAT_EQ(f<KSEaseExponentialOut>(0.5f), 0.96875f);
    EXPECT_FLOAT_EQ(f<KSEaseExponentialInOut>(0.5f), 0.5f);
    EXPECT_FLOAT_EQ(f<KSEaseExponentialInOut>(0.25f), 0.015625f);
}

TEST_F(EaseTest, SineCurves)
{
    EXPECT_NEAR(f<KSEaseSineIn>(0.5f), 0.29289322f, 1e-6);
    EXPECT_NEAR(f<KSEaseSineOut>(0.5f), 0.70710677f, 1e-6);
    EXPECT_NEAR(f<KSEaseSineInOut>(0.5f), 0.5f, 1e-6);
    EXPECT_NEAR(f<KSEaseSineInOut>(1.0f), 1.0f, 1e-6);
}

TEST_F(EaseTest, ElasticCurves)
{
    EXPECT_NEAR(f<KSEaseElasticOut>(0.5f), 1.015625f, 1e-5);
    EXPECT_NEAR(f<KSEaseElasticIn>(0.5f), -0.015625f, 1e-5);
    EXPECT_EQ(f<KSEaseElasticIn>(1.0f), 1.0f);
    EXPECT_EQ(f<KSEaseElasticOut>(0.0f), 0.0f);
    EXPECT_EQ(f<KSEaseElasticInOut>(0.0f), 0.0f);
    EXPECT_NEAR(f<KSEaseElasticInOut>(0.75f), 1.0078125f, 1e-5);
}

TEST_F(EaseTest, ElasticWithPeriodZeroUsesPointFourFive)
{
    for (auto make : { +[](KSActionInterval* a) -> Ref<KSEaseElastic> { return KSEaseElasticIn::actionWithAction(a, 0); },
             +[](KSActionInterval* a) -> Ref<KSEaseElastic> { return KSEaseElasticOut::actionWithAction(a, 0); },
             +[](KSActionInterval* a) -> Ref<KSEaseElastic> { return KSEaseElasticInOut::actionWithAction(a, 0); } }) {
        auto probe = ProbeAction::make(1);
        auto ease = make(probe);
        ease->startWithTarget(KSNode::node());
        ease->update(0.3f);
        EXPECT_TRUE(std::isfinite(probe->last()));
        EXPECT_EQ(ease->period(), 0.3f * 1.5f);
    }
    // The same curve as an explicit period of 0.45.
    EXPECT_FLOAT_EQ(f<KSEaseElasticOut>(0.3f, 0.0f), f<KSEaseElasticOut>(0.3f, 0.3f * 1.5f));
}

TEST_F(EaseTest, BounceCurves)
{
    EXPECT_FLOAT_EQ(f<KSEaseBounceOut>(1.0f), 1.0f);
    EXPECT_FLOAT_EQ(f<KSEaseBounceOut>(0.2f), 0.3025f);
    EXPECT_FLOAT_EQ(f<KSEaseBounceIn>(0.0f), 0.0f);
    EXPECT_NEAR(f<KSEaseBounceIn>(0.8f), 1 - 0.3025f, 1e-6);
    EXPECT_FLOAT_EQ(f<KSEaseBounceInOut>(0.5f), 0.5f);
    // t = 0.1: (1 - bounce(0.8)) / 2, bounce(0.8) = 7.5625 (0.8 - 0.8181818)^2 + 0.9375
    EXPECT_NEAR(f<KSEaseBounceInOut>(0.1f), (1 - (7.5625f * 0.0181818f * 0.0181818f + 0.9375f)) * 0.5f, 1e-6);
}

TEST_F(EaseTest, BackCurvesOvershoot)
{
    EXPECT_NEAR(f<KSEaseBackIn>(0.5f), -0.0876975f, 1e-6);
    EXPECT_NEAR(f<KSEaseBackOut>(0.5f), 1.0876975f, 1e-6);
    EXPECT_NEAR(f<KSEaseBackInOut>(0.25f), -0.09968184f, 1e-6);
    EXPECT_NEAR(f<KSEaseBackInOut>(1.0f), 1.0f, 1e-6);
}

TEST_F(EaseTest, ReversalsMirrorTheCurveAndReverseTheInnerAction)
{
    auto probe = ProbeAction::make(1);
    auto easeIn = KSEaseIn::actionWithAction(probe, 3);
    auto reversed = platform::dynamicRef<KSEaseIn>(easeIn->reverse());
    ASSERT_TRUE(reversed);
    EXPECT_FLOAT_EQ(reversed->rate(), 1.0f / 3);
    auto inner = dynamic_cast<ProbeAction*>(reversed->innerAction());
    ASSERT_NE(inner, nullptr);
    EXPECT_TRUE(inner->reversed);

    EXPECT_FLOAT_EQ(platform::dynamicRef<KSEaseInOut>(KSEaseInOut::actionWithAction(probe, 3)->reverse())->rate(), 3);
    EXPECT_TRUE(platform::dynamicRef<KSEaseExponentialOut>(KSEaseExponentialIn::actionWithAction(probe)->reverse()));
    EXPECT_TRUE(platform::dynamicRef<KSEaseSineIn>(KSEaseSineOut::actionWithAction(probe)->reverse()));
    EXPECT_TRUE(platform::dynamicRef<KSEaseBounceOut>(KSEaseBounceIn::actionWithAction(probe)->reverse()));
    EXPECT_TRUE(platform::dynamicRef<KSEaseBackIn>(KSEaseBackOut::actionWithAction(probe)->reverse()));
    auto elastic = platform::dynamicRef<KSEaseElasticOut>(KSEaseElasticIn::actionWithAction(probe, 0.7f)->reverse());
    ASSERT_TRUE(elastic);
    EXPECT_FLOAT_EQ(elastic->period(), 0.7f);

    EXPECT_ASSERTION(KSEaseElastic::actionWithAction(probe)->reverse(), "engine/KSActionEase", "Override me");
    EXPECT_ASSERTION(KSEaseIn::actionWithAction(nullptr, 2), "engine/KSActionEase", "Ease: arguments must be non-nil");
}

TEST_F(EaseTest, CopiesKeepTheirClassRateAndPeriod)
{
    auto probe = ProbeAction::make(2);
    auto rate = platform::dynamicRef<KSEaseOut>(KSEaseOut::actionWithAction(probe, 4)->copy());
    ASSERT_TRUE(rate);
    EXPECT_FLOAT_EQ(rate->rate(), 4);
    EXPECT_FLOAT_EQ(rate->duration(), 2);
    EXPECT_NE(rate->innerAction(), probe.get());
    auto elastic = platform::dynamicRef<KSEaseElasticInOut>(KSEaseElasticInOut::actionWithAction(probe, 0.6f)->copy());
    ASSERT_TRUE(elastic);
    EXPECT_FLOAT_EQ(elastic->period(), 0.6f);
    EXPECT_TRUE(platform::dynamicRef<KSEaseBackInOut>(KSEaseBackInOut::actionWithAction(probe)->copy()));
}

TEST_F(EaseTest, AnEasedMoveRunsThroughTheManager)
{
    auto node = KSNode::node();
    node->onEnter();
    node->runAction(KSEaseIn::actionWithAction(KSMoveBy::actionWithDuration(1, { 100, 0 }), 2));
    tick(0.1f);
    tick(0.5f);
    EXPECT_FLOAT_EQ(node->position().x, 25);
    tick(0.5f);
    EXPECT_FLOAT_EQ(node->position().x, 100);
    EXPECT_EQ(node->numberOfRunningActions(), 0u);
}
