// Actions on a hand-ticked scheduler: the time base, repeat-forever, speed,
// follow, composition (sequence, spawn, repeat, reverse-time), property actions,
// instant actions, copies and reversals.
#include "NodeTestSupport.h"

#include "engine/KSActionEase.h"
#include "engine/KSActionInstant.h"
#include "engine/KSActionTween.h"
#include "engine/KSAnimate.h"

#include "platform/foundation/Log.h"

#include <cfloat>

using namespace kestrel;
using namespace kestrel_test;

namespace {

class ActionTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        node = KSNode::node();
        node->onEnter();
    }
    Ref<KSNode> node;
};

void expectPoint(Point p, float x, float y)
{
    EXPECT_NEAR(p.x, x, 1e-3f) << "x";
    EXPECT_NEAR(p.y, y, 1e-3f) << "y";
}

class CallbackTarget : public platform::Object {
public:
    void called() { calls++; }
    void calledWithNode(KSNode* n) { nodes.push_back(n); }
    void calledWithData(KSNode* n, void* d) { nodes.push_back(n); data = d; }
    void redirectedWithData(KSNode* n, void* d) { redirected++; calledWithData(n, d); }
    int calls { 0 };
    int redirected { 0 };
    std::vector<KSNode*> nodes;
    void* data { nullptr };
};

class FlipNode : public KSNode, public KSFlipProtocol {
public:
    static Ref<FlipNode> make() { auto n = platform::adoptRef(new FlipNode); n->init(); return n; }
    void setFlipX(bool f) override { fx = f; }
    bool flipX() const override { return fx; }
    void setFlipY(bool f) override { fy = f; }
    bool flipY() const override { return fy; }
    bool fx { false }, fy { false };
};

class TestAnimation : public KSAnimationFrames {
public:
    static Ref<TestAnimation> make(int n, float delay)
    {
        auto a = platform::adoptRef(new TestAnimation);
        for (int i = 0; i < n; ++i)
            a->frames.push_back(makeFrame());
        a->delay_ = delay;
        return a;
    }
    // A frame without a texture: enough for the action, which compares identities.
    static Ref<KSSpriteFrame> makeFrame() { return KSSpriteFrame::frameWithTexture(nullptr, Rect(0, 0, 1, 1)); }
    float delay() const override { return delay_; }
    unsigned frameCount() const override { return static_cast<unsigned>(frames.size()); }
    KSSpriteFrame* frameAtIndex(unsigned i) const override { return frames.at(i).get(); }
    Ref<KSAnimationFrames> reversedAnimation() const override
    {
        auto a = platform::adoptRef(new TestAnimation);
        a->frames.assign(frames.rbegin(), frames.rend());
        a->delay_ = delay_;
        return a;
    }
    std::vector<Ref<KSSpriteFrame>> frames;
    float delay_ { 0 };
};

class FrameSprite : public KSNode, public KSFrameDisplay {
public:
    static Ref<FrameSprite> make() { auto n = platform::adoptRef(new FrameSprite); n->init(); return n; }
    Ref<KSSpriteFrame> displayedFrame() const override { return frame; }
    bool isFrameDisplayed(KSSpriteFrame* f) const override { return frame.get() == f; }
    void setDisplayFrame(KSSpriteFrame* f) override { frame = f; sets++; }
    Ref<KSSpriteFrame> frame;
    int sets { 0 };
};

} // namespace

// Time base ----------------------------------------------------------------------

TEST_F(ActionTest, ZeroDurationShowsStartThenEndOnTheNextFrame)
{
    auto probe = ProbeAction::make(0);
    EXPECT_EQ(probe->duration(), FLT_EPSILON);
    node->runAction(probe);
    tick(0.016f);
    EXPECT_EQ(probe->updates, std::vector<float> { 0.0f });
    EXPECT_EQ(node->numberOfRunningActions(), 1u);
    tick(0.016f);
    EXPECT_EQ(probe->updates, (std::vector<float> { 0.0f, 1.0f }));
    EXPECT_EQ(probe->stops, 1);
    EXPECT_EQ(node->numberOfRunningActions(), 0u);
}

TEST_F(ActionTest, IntervalIsDoneAfterTheFirstFramePlusItsDuration)
{
    auto move = KSMoveBy::actionWithDuration(1, { 100, 0 });
    node->runAction(move);
    tick(0.5f); // first frame: dt is not counted
    expectPoint(node->position(), 0, 0);
    tick(0.5f);
    expectPoint(node->position(), 50, 0);
    tick(0.75f);
    expectPoint(node->position(), 100, 0); // clamped at 1
    EXPECT_EQ(node->numberOfRunningActions(), 0u);
}

// Repeat forever, speed, follow ---------------------------------------------------

TEST_F(ActionTest, RepeatForeverRestartsAtItsStartAndDropsTheOvershoot)
{
    auto probe = ProbeAction::make(1);
    node->runAction(KSRepeatForever::actionWithAction(probe));
    tick(0.1f);
    tick(0.9f);
    tick(0.25f);
    ASSERT_EQ(probe->updates.size(), 4u);
    EXPECT_FLOAT_EQ(probe->updates[1], 0.9f);
    EXPECT_FLOAT_EQ(probe->updates[2], 1.0f);
    EXPECT_FLOAT_EQ(probe->updates[3], 0.0f);
    EXPECT_EQ(probe->elapsed(), 0.0f);
    EXPECT_EQ(probe->starts, 2);
    EXPECT_EQ(probe->stops, 0);
    tick(0.25f);
    EXPECT_FLOAT_EQ(probe->last(), 0.25f);
    EXPECT_EQ(node->numberOfRunningActions(), 1u);
}

TEST_F(ActionTest, SpeedScalesTheFrameTime)
{
    node->runAction(KSSpeed::actionWithAction(KSMoveBy::actionWithDuration(1, { 100, 0 }), 2));
    tick(0.1f);
    tick(0.25f);
    expectPoint(node->position(), 50, 0);
    tick(0.25f);
    expectPoint(node->position(), 100, 0);
    EXPECT_EQ(node->numberOfRunningActions(), 0u);

    auto other = KSNode::node();
    other->onEnter();
    auto halted = KSSpeed::actionWithAction(KSMoveBy::actionWithDuration(1, { 100, 0 }), 0);
    other->runAction(halted);
    for (int i = 0; i < 5; ++i)
        tick(1);
    expectPoint(other->position(), 0, 0);
    EXPECT_FALSE(halted->isDone());
    halted->setSpeed(1);
    tick(1);
    expectPoint(other->position(), 100, 0);
}

TEST_F(ActionTest, FollowClampsToTheWorldBoundary)
{
    auto layer = KSNode::node();
    auto hero = KSNode::node();
    layer->addChild(hero);
    layer->onEnter();
    auto follow = KSFollow::actionWithTarget(hero, Rect(0, 0, 1000, 320));
    EXPECT_FLOAT_EQ(follow->leftBoundary(), -520);
    EXPECT_FLOAT_EQ(follow->rightBoundary(), 0);
    EXPECT_FLOAT_EQ(follow->topBoundary(), 0);
    EXPECT_FLOAT_EQ(follow->bottomBoundary(), 0);
    layer->runAction(follow);

    hero->setPosition({ 100, 50 });
    tick(0.1f);
    expectPoint(layer->position(), 0, 0);
    hero->setPosition({ 600, 200 });
    tick(0.1f);
    expectPoint(layer->position(), -360, 0);
    hero->setPosition({ 900, 10 });
    tick(0.1f);
    expectPoint(layer->position(), -520, 0);

    // Done once the followed node stops running.
    hero->onExit();
    tick(0.1f);
    EXPECT_EQ(layer->numberOfRunningActions(), 0u);
}

TEST_F(ActionTest, FollowWithoutBoundaryCentresAndAFullyCoveredWorldNeverMoves)
{
    auto layer = KSNode::node();
    auto hero = KSNode::node();
    layer->addChild(hero);
    layer->onEnter();
    hero->setPosition({ 100, 50 });
    layer->runAction(KSFollow::actionWithTarget(hero));
    tick(0.1f);
    expectPoint(layer->position(), 140, 110);

    auto still = KSNode::node();
    auto walker = KSNode::node();
    still->addChild(walker);
    still->onEnter();
    still->setPosition({ 7, 7 });
    walker->setPosition({ 400, 300 });
    still->runAction(KSFollow::actionWithTarget(walker, Rect(0, 0, 480, 320)));
    tick(0.1f);
    expectPoint(still->position(), 7, 7);
}

TEST_F(ActionTest, AFollowCopyKeepsItsNodeAndBoundaries)
{
    auto layer = KSNode::node();
    auto hero = KSNode::node();
    layer->addChild(hero);
    layer->onEnter();
    auto follow = KSFollow::actionWithTarget(hero, Rect(0, 0, 1000, 320));
    follow->setTag(4);
    auto copy = platform::dynamicRef<KSFollow>(follow->copy());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->followedNode(), hero.get());
    EXPECT_TRUE(copy->boundarySet());
    EXPECT_FLOAT_EQ(copy->leftBoundary(), -520);
    EXPECT_EQ(copy->tag(), 4);
    EXPECT_EQ(copy->target(), nullptr);

    hero->setPosition({ 900, 10 });
    layer->runAction(copy);
    tick(0.1f);
    expectPoint(layer->position(), -520, 0);
}

// Composition ---------------------------------------------------------------------

TEST_F(ActionTest, SequenceStartingWithAnInstantActionAppliesItFirst)
{
    node->runAction(KSSequence::actionOne(KSPlace::actionWithPosition({ 50, 50 }), KSMoveBy::actionWithDuration(1, { 10, 0 })));
    tick(0.1f);
    expectPoint(node->position(), 50, 50);
    tick(0.5f);
    expectPoint(node->position(), 55, 50);
}

TEST_F(ActionTest, SequenceCallbackFiresInTheFrameTheMoveEnds)
{
    auto target = platform::adoptRef(new CallbackTarget);
    node->runAction(KSSequence::actionOne(KSMoveBy::actionWithDuration(1, { 10, 0 }),
        KSCallFuncN::actionWithTarget(target, BRISKO_SELECTOR(CallbackTarget, calledWithNode))));
    tick(0.1f);
    tick(0.5f);
    EXPECT_TRUE(target->nodes.empty());
    tick(0.5f);
    expectPoint(node->position(), 10, 0);
    EXPECT_EQ(target->nodes, std::vector<KSNode*> { node.get() });
    tick(0.1f);
    EXPECT_EQ(target->nodes.size(), 1u);
    EXPECT_EQ(node->numberOfRunningActions(), 0u);
}

TEST_F(ActionTest, SequencePassingItsSplitAtOnceAppliesTheFirstActionFully)
{
    auto seq = KSSequence::actionOne(KSMoveBy::actionWithDuration(1, { 10, 0 }), KSMoveBy::actionWithDuration(1, { 0, 10 }));
    seq->startWithTarget(node);
    seq->update(0.75f);
    expectPoint(node->position(), 10, 5);
    seq->update(1.0f);
    expectPoint(node->position(), 10, 10);
    seq->stop();
}

TEST_F(ActionTest, SequenceFoldAndItsAssertions)
{
    auto move = KSMoveBy::actionWithDuration(1, { 1, 0 });
    EXPECT_EQ(KSSequence::actions({ move.get() }).get(), move.get());
    EXPECT_FALSE(KSSequence::actions({ nullptr, move.get() }));
    auto three = KSSequence::actions({ move.get(), KSDelayTime::actionWithDuration(2).get(), KSDelayTime::actionWithDuration(3).get() });
    EXPECT_FLOAT_EQ(three->duration(), 6);
    EXPECT_ASSERTION(KSSequence::actionOne(nullptr, move), "engine/KSActionInterval", "Sequence: argument one must be non-nil");
    EXPECT_ASSERTION(KSSpawn::actionOne(move, nullptr), "engine/KSActionInterval", "Spawn: argument two must be non-nil");
    EXPECT_ASSERTION(KSMoveTo::actionWithDuration(1, { 0, 0 })->reverse(), "engine/KSActionInterval",
        "KSIntervalAction: reverse not implemented.");
    EXPECT_ASSERTION(move->init(), "engine/KSActionInterval", "IntervalActionInit: Init not supported. Use InitWithDuration");
}

TEST_F(ActionTest, SpawnOfUnequalLengthsPadsTheShorterOne)
{
    auto probe = ProbeAction::make(3);
    auto spawn = KSSpawn::actionOne(KSMoveBy::actionWithDuration(1, { 30, 0 }), probe);
    EXPECT_FLOAT_EQ(spawn->duration(), 3);
    node->runAction(spawn);
    tick(0.1f);
    tick(1.0f);
    expectPoint(node->position(), 30, 0);
    tick(1.0f);
    expectPoint(node->position(), 30, 0);
    EXPECT_EQ(node->numberOfRunningActions(), 1u);
    tick(1.0f);
    EXPECT_FLOAT_EQ(probe->last(), 1.0f);
    EXPECT_EQ(node->numberOfRunningActions(), 0u);

    // Reversed, the shorter action waits and ends together with the longer one.
    auto back = spawn->reverse();
    node->runAction(back);
    tick(0.1f);
    tick(1.0f);
    expectPoint(node->position(), 30, 0);
    tick(2.0f);
    expectPoint(node->position(), 0, 0);
}

TEST_F(ActionTest, RepeatChainsRepetitionsFromWhereEachEnded)
{
    auto repeat = KSRepeat::actionWithAction(KSMoveBy::actionWithDuration(1, { 10, 0 }), 3);
    node->runAction(repeat);
    tick(0.1f);
    for (int i = 0; i < 3; ++i)
        tick(0.5f);
    expectPoint(node->position(), 15, 0);
    for (int i = 0; i < 3; ++i)
        tick(0.5f);
    expectPoint(node->position(), 30, 0);
    EXPECT_EQ(node->numberOfRunningActions(), 0u);

    // A frame landing on a lap's end ends it there: a sequence's first part is not played again. A
    // long frame passing several laps plays each.
    struct Case {
        float tick;
        Point end;
    };
    for (const Case& c : { Case { 0.5f, { 20, 20 } }, Case { 5.0f, { 30, 30 } } }) {
        node->setPosition({ 0, 0 });
        const unsigned laps = c.tick > 1 ? 3 : 2;
        node->runAction(KSRepeat::actionWithAction(KSSequence::actions({ KSMoveBy::actionWithDuration(1, { 10, 0 }).get(),
                                                                         KSMoveBy::actionWithDuration(1, { 0, 10 }).get() })
                                                       .get(),
                                                   laps));
        tick(0.1f);
        for (float passed = 0; passed < 2.0f * static_cast<float>(laps); passed += c.tick)
            tick(c.tick);
        expectPoint(node->position(), c.end.x, c.end.y);
        EXPECT_EQ(node->numberOfRunningActions(), 0u);
    }
}

TEST_F(ActionTest, RepeatZeroTimesGivesOneUpdateAtStart)
{
    auto probe = ProbeAction::make(1);
    node->runAction(KSRepeat::actionWithAction(probe, 0));
    tick(0.1f);
    EXPECT_EQ(probe->updates, std::vector<float> { 0.0f });
    EXPECT_EQ(node->numberOfRunningActions(), 0u);
}

TEST_F(ActionTest, ReverseTimePlaysAMoveBackwards)
{
    node->runAction(KSReverseTime::actionWithAction(KSMoveTo::actionWithDuration(1, { 100, 0 })));
    tick(0.1f);
    expectPoint(node->position(), 100, 0);
    tick(0.5f);
    expectPoint(node->position(), 50, 0);
    tick(0.5f);
    expectPoint(node->position(), 0, 0);
    EXPECT_EQ(node->numberOfRunningActions(), 0u);
}

TEST_F(ActionTest, ReversedSequenceRunsItsPartsBackwardsInReverseOrder)
{
    auto seq = KSSequence::actionOne(KSMoveBy::actionWithDuration(1, { 10, 0 }), KSMoveBy::actionWithDuration(1, { 0, 20 }));
    node->setPosition({ 10, 20 });
    node->runAction(seq->reverse());
    tick(0.1f);
    tick(1.0f);
    expectPoint(node->position(), 10, 0);
    tick(1.0f);
    expectPoint(node->position(), 0, 0);
}

// Property actions ----------------------------------------------------------------

TEST_F(ActionTest, RotateToTakesTheShortestTurn)
{
    node->setRotation(10);
    auto to350 = KSRotateTo::actionWithDuration(1, 350);
    to350->startWithTarget(node);
    to350->update(1);
    EXPECT_FLOAT_EQ(node->rotation(), -10);

    node->setRotation(-450);
    auto to90 = KSRotateTo::actionWithDuration(1, 90);
    to90->startWithTarget(node);
    to90->update(0);
    EXPECT_FLOAT_EQ(node->rotation(), -90);
    to90->update(1);
    EXPECT_FLOAT_EQ(node->rotation(), 90);

    auto by = KSRotateBy::actionWithDuration(1, 30);
    by->startWithTarget(node);
    by->update(0.5f);
    EXPECT_FLOAT_EQ(node->rotation(), 105);
    auto back = by->reverse();
    back->startWithTarget(node);
    back->update(1);
    EXPECT_FLOAT_EQ(node->rotation(), 75);
}

TEST_F(ActionTest, MoveByAddsAndMoveToArrives)
{
    auto by = KSMoveBy::actionWithDuration(0.5f, { 50, 0 });
    for (int run = 0; run < 2; ++run) {
        node->runAction(by);
        tick(0.1f);
        tick(0.5f);
    }
    expectPoint(node->position(), 100, 0);

    auto to = KSMoveTo::actionWithDuration(0.5f, { 50, 0 });
    for (int run = 0; run < 2; ++run) {
        node->runAction(to);
        tick(0.1f);
        tick(0.5f);
    }
    expectPoint(node->position(), 50, 0);

    auto back = by->reverse();
    back->startWithTarget(node);
    back->update(1);
    expectPoint(node->position(), 0, 0);
}

TEST_F(ActionTest, JumpsTouchTheLineBetweenHops)
{
    auto jump = KSJumpBy::actionWithDuration(1, { 90, 0 }, 10, 3);
    jump->startWithTarget(node);
    jump->update(1.0f / 6);
    expectPoint(node->position(), 15, 10);
    jump->update(1.0f / 3);
    expectPoint(node->position(), 30, 0);
    jump->update(1);
    expectPoint(node->position(), 90, 0);
}

TEST_F(ActionTest, JumpToAndBezierToLandRightWhenRestarted)
{
    auto jump = KSJumpTo::actionWithDuration(1, { 100, 0 }, 10, 1);
    jump->startWithTarget(node);
    jump->update(1);
    expectPoint(node->position(), 100, 0);
    node->setPosition({ 50, 50 });
    jump->startWithTarget(node);
    jump->update(1);
    expectPoint(node->position(), 100, 0);

    ksBezierConfig config { { 200, 0 }, { 0, 100 }, { 200, 100 } };
    auto bezier = KSBezierTo::actionWithDuration(1, config);
    node->setPosition({ 0, 0 });
    bezier->startWithTarget(node);
    bezier->update(1);
    expectPoint(node->position(), 200, 0);
    node->setPosition({ 20, 30 });
    bezier->startWithTarget(node);
    bezier->update(1);
    expectPoint(node->position(), 200, 0);

    // Inside a repeat the absolute end holds for every repetition.
    node->setPosition({ 0, 0 });
    node->runAction(KSRepeat::actionWithAction(KSJumpTo::actionWithDuration(1, { 40, 0 }, 5, 2), 2));
    tick(0.1f);
    for (int i = 0; i < 4; ++i)
        tick(0.5f);
    expectPoint(node->position(), 40, 0);
}

TEST_F(ActionTest, BezierByFollowsTheCubicCurve)
{
    ksBezierConfig config { { 100, 0 }, { 50, 100 }, { 50, 100 } };
    auto bezier = KSBezierBy::actionWithDuration(1, config);
    node->setPosition({ 10, 10 });
    bezier->startWithTarget(node);
    bezier->update(0.5f);
    expectPoint(node->position(), 60, 85);
    bezier->update(1);
    expectPoint(node->position(), 110, 10);

    auto back = bezier->reverse();
    back->startWithTarget(node);
    back->update(1);
    expectPoint(node->position(), 10, 10);
}

TEST_F(ActionTest, ScaleByMultipliesAndItsReverseDivides)
{
    node->setScale(1.5f);
    auto by = KSScaleBy::actionWithDuration(1, 2);
    by->startWithTarget(node);
    by->update(1);
    EXPECT_FLOAT_EQ(node->scale(), 3);
    auto back = by->reverse();
    back->startWithTarget(node);
    back->update(1);
    EXPECT_FLOAT_EQ(node->scale(), 1.5f);

    auto to = KSScaleTo::actionWithDuration(1, 2, 4);
    to->startWithTarget(node);
    to->update(0.5f);
    EXPECT_FLOAT_EQ(node->scaleX(), 1.75f);
    EXPECT_FLOAT_EQ(node->scaleY(), 2.75f);
}

TEST_F(ActionTest, BlinkLeavesTheNodeAsTheRuleGivesAtTheEnd)
{
    auto blink = KSBlink::actionWithDuration(1, 2);
    blink->startWithTarget(node);
    blink->update(0.3f);
    EXPECT_TRUE(node->visible());
    blink->update(0.1f);
    EXPECT_FALSE(node->visible());
    blink->update(1);
    EXPECT_FALSE(node->visible());
}

TEST_F(ActionTest, FadesAndTintsAreClampedNeverWrapped)
{
    auto sprite = ColorNode::make();
    auto fadeIn = KSFadeIn::actionWithDuration(1);
    fadeIn->startWithTarget(sprite);
    fadeIn->update(0.5f);
    EXPECT_EQ(sprite->opacity_, 127);

    sprite->opacity_ = 200;
    auto fadeTo = KSFadeTo::actionWithDuration(1, 255);
    fadeTo->startWithTarget(sprite);
    fadeTo->update(1.5f);
    EXPECT_EQ(sprite->opacity_, 255);
    fadeTo->update(-4.0f);
    EXPECT_EQ(sprite->opacity_, 0);

    sprite->color_ = { 200, 50, 0 };
    auto tint = KSTintBy::actionWithDuration(1, 100, -100, 0);
    tint->startWithTarget(sprite);
    tint->update(1);
    EXPECT_EQ(sprite->color_, (ksColor3B { 255, 0, 0 }));
    auto untint = tint->reverse();
    untint->startWithTarget(sprite);
    untint->update(0.5f);
    EXPECT_EQ(sprite->color_, (ksColor3B { 205, 50, 0 }));

    auto tintTo = KSTintTo::actionWithDuration(1, 0, 100, 255);
    sprite->color_ = { 100, 100, 100 };
    tintTo->startWithTarget(sprite);
    tintTo->update(0.5f);
    EXPECT_EQ(sprite->color_, (ksColor3B { 50, 100, 177 }));

    // An overshooting ease drives a fade below zero: it stays at 0.
    auto eased = KSEaseBackIn::actionWithAction(KSFadeIn::actionWithDuration(1));
    eased->startWithTarget(sprite);
    eased->update(0.2f);
    EXPECT_EQ(sprite->opacity_, 0);
}

TEST_F(ActionTest, AnimateShowsFramesByProgressAndRestoresTheOriginal)
{
    auto sprite = FrameSprite::make();
    auto original = TestAnimation::makeFrame();
    sprite->frame = original.get();
    auto animation = TestAnimation::make(4, 0.25f);
    auto animate = KSAnimate::actionWithAnimation(animation);
    EXPECT_FLOAT_EQ(animate->duration(), 1);
    animate->startWithTarget(sprite);
    animate->update(0.2f);
    EXPECT_EQ(sprite->frame.get(), animation->frames[0].get());
    animate->update(0.25f);
    EXPECT_EQ(sprite->frame.get(), animation->frames[1].get());
    animate->update(1);
    EXPECT_EQ(sprite->frame.get(), animation->frames[3].get());
    int sets = sprite->sets;
    animate->update(1);
    EXPECT_EQ(sprite->sets, sets); // already shown: not set again
    animate->stop();
    EXPECT_EQ(sprite->frame.get(), original.get());

    auto reversed = platform::dynamicRef<KSAnimate>(animate->reverse());
    reversed->startWithTarget(sprite);
    reversed->update(0);
    EXPECT_EQ(sprite->frame.get(), animation->frames[3].get());
    EXPECT_ASSERTION(KSAnimate::actionWithAnimation(nullptr), "engine/KSActionInterval",
        "Animate: argument Animation must be non-nil");
}

TEST_F(ActionTest, AnimateWithAnEmptyAnimationDoesNothing)
{
    auto sprite = FrameSprite::make();
    auto original = TestAnimation::makeFrame();
    sprite->frame = original.get();
    sprite->onEnter();
    sprite->runAction(KSAnimate::actionWithAnimation(TestAnimation::make(0, 0.1f), false));
    tick(0.1f);
    tick(0.1f);
    EXPECT_EQ(sprite->sets, 0);
    EXPECT_EQ(sprite->frame.get(), original.get());
    EXPECT_EQ(sprite->numberOfRunningActions(), 0u);
}

TEST_F(ActionTest, TweenDrivesANamedProperty)
{
    auto tween = KSActionTween::actionWithDuration(1, "scale", 1, 3);
    tween->startWithTarget(node);
    tween->update(0.5f);
    EXPECT_FLOAT_EQ(node->scale(), 2);
    auto back = tween->reverse();
    back->startWithTarget(node);
    back->update(0.25f);
    EXPECT_FLOAT_EQ(node->scale(), 2.5f);
    auto bad = KSActionTween::actionWithDuration(1, "nonsense", 0, 1);
    bad->startWithTarget(node);
    EXPECT_THROW(bad->update(0.5f), platform::AssertionFailure);
}

// Nothing to wrap, or a target that cannot be driven --------------------------------

TEST_F(ActionTest, WrappersOverNothingAreHarmlessAndCompositionsRefuseIt)
{
    // What reversing an action without a reverse gives them.
    auto forever = KSRepeatForever::actionWithAction(nullptr);
    auto speed = KSSpeed::actionWithAction(nullptr, 2);
    node->runAction(forever);
    node->runAction(speed);
    tick(0.1f);
    tick(0.5f);
    EXPECT_EQ(node->numberOfRunningActions(), 2u);
    EXPECT_TRUE(forever->copy());
    EXPECT_TRUE(forever->reverse());
    EXPECT_TRUE(speed->copy());
    EXPECT_TRUE(speed->reverse());
    node->stopAllActions();
    EXPECT_EQ(node->numberOfRunningActions(), 0u);

    EXPECT_ASSERTION(KSRepeat::actionWithAction(nullptr, 2), "engine/KSActionInterval",
                     "Repeat: argument action must be non-nil");
    EXPECT_ASSERTION(KSReverseTime::actionWithAction(nullptr), "engine/KSActionInterval",
                     "ReverseTime: argument action must be non-nil");
}

TEST_F(ActionTest, ANodeActionOnAnotherKindOfTargetFailsWhenItStartsAndIsNotKept)
{
    auto target = platform::makeRef<CallbackTarget>();
    KSActionManager* manager = KSActionManager::sharedManager();
    EXPECT_ASSERTION(manager->addAction(KSActionTween::actionWithDuration(1, "scale", 1, 3).get(), target.get(), false),
                     "engine/KSAction", "KSActionTween: the target must be a KSNode");
    EXPECT_ASSERTION(manager->addAction(KSMoveBy::actionWithDuration(1, { 1, 1 }).get(), target.get(), false),
                     "engine/KSAction", "KSMoveBy: the target must be a KSNode");
    EXPECT_ASSERTION(manager->addAction(KSBlink::actionWithDuration(1, 2).get(), target.get(), false),
                     "engine/KSAction", "KSBlink: the target must be a KSNode");
    EXPECT_EQ(manager->numberOfRunningActionsInTarget(target.get()), 0u);
    tick(0.5f);

    // Actions that need no node still run on it.
    auto callback = KSCallFunc::actionWithTarget(target.get(), BRISKO_SELECTOR(CallbackTarget, called));
    manager->addAction(KSSequence::actionOne(KSDelayTime::actionWithDuration(0.1f), callback).get(), target.get(), false);
    tick(0.1f);
    tick(0.2f);
    EXPECT_EQ(target->calls, 1);
}

// Instant actions -----------------------------------------------------------------

TEST_F(ActionTest, InstantActionsActWhenRunEvenOnANodeThatIsNotRunning)
{
    auto idle = KSNode::node();
    idle->runAction(KSHide::action());
    EXPECT_FALSE(idle->visible());
    idle->runAction(KSToggleVisibility::action());
    idle->runAction(KSToggleVisibility::action());
    EXPECT_FALSE(idle->visible());
    idle->runAction(KSPlace::actionWithPosition({ 3, 4 }));
    EXPECT_EQ(idle->position(), Point(3, 4));

    auto show = KSShow::action();
    EXPECT_TRUE(platform::dynamicRef<KSHide>(show->reverse()));
    EXPECT_TRUE(platform::dynamicRef<KSShow>(KSHide::action()->reverse()));

    auto flip = FlipNode::make();
    flip->runAction(KSFlipX::actionWithFlipX(true));
    EXPECT_TRUE(flip->fx);
    flip->runAction(KSFlipX::actionWithFlipX(true)->reverse());
    EXPECT_FALSE(flip->fx);
    flip->runAction(KSFlipY::actionWithFlipY(true));
    EXPECT_TRUE(flip->fy);
}

TEST_F(ActionTest, CallbacksReceiveTheirArgumentsAndCopiesKeepThem)
{
    auto target = platform::adoptRef(new CallbackTarget);
    int data = 42;
    node->runAction(KSCallFunc::actionWithTarget(target, BRISKO_SELECTOR(CallbackTarget, called)));
    EXPECT_EQ(target->calls, 1);

    auto nd = KSCallFuncND::actionWithTarget(target, BRISKO_SELECTOR(CallbackTarget, calledWithData), &data);
    auto copy = platform::dynamicRef<KSCallFuncND>(nd->copy());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->targetCallback(), target.get());
    EXPECT_EQ(copy->data(), &data);
    node->runAction(copy);
    EXPECT_EQ(target->data, &data);
    EXPECT_EQ(target->nodes, std::vector<KSNode*> { node.get() });

    KSNode* seen = nullptr;
    int blocks = 0;
    node->runAction(KSCallBlock::actionWithBlock([&blocks] { blocks++; }));
    node->runAction(KSCallBlockN::actionWithBlock([&seen](KSNode* n) { seen = n; }));
    EXPECT_EQ(blocks, 1);
    EXPECT_EQ(seen, node.get());
    tick(0.1f);
    EXPECT_EQ(node->numberOfRunningActions(), 0u);
}

TEST_F(ActionTest, CallFuncNDCallsItsLookedUpMethodWhichCanBeReplaced)
{
    auto target = platform::adoptRef(new CallbackTarget);
    int data = 7;
    auto n = KSCallFuncN::actionWithTarget(target, BRISKO_SELECTOR(CallbackTarget, calledWithNode));
    EXPECT_EQ(n->targetCallback(), target.get());

    auto nd = KSCallFuncND::actionWithTarget(target, BRISKO_SELECTOR(CallbackTarget, calledWithData), &data);
    EXPECT_EQ(nd->callbackMethod(), BRISKO_SELECTOR(CallbackTarget, calledWithData).method());
    nd->setCallbackMethod(static_cast<KSCallFuncND::Selector::Method>(&CallbackTarget::redirectedWithData));
    node->runAction(nd);
    EXPECT_EQ(target->redirected, 1);
    EXPECT_EQ(target->data, &data);
    // A copy looks the method up again from the selector.
    node->runAction(nd->copy());
    EXPECT_EQ(target->redirected, 1);
    EXPECT_EQ(target->nodes.size(), 2u);
}

// Copies --------------------------------------------------------------------------

TEST_F(ActionTest, OnlyTheBaseCopyCarriesTheTag)
{
    auto base = KSAction::action();
    base->setTag(3);
    EXPECT_EQ(base->copy()->tag(), 3);

    auto show = KSShow::action();
    show->setTag(3);
    EXPECT_EQ(show->copy()->tag(), -1);

    auto forever = KSRepeatForever::actionWithAction(KSMoveBy::actionWithDuration(1, { 1, 0 }));
    forever->setTag(3);
    node->runAction(forever);
    auto foreverCopy = platform::dynamicRef<KSRepeatForever>(forever->copy());
    EXPECT_EQ(foreverCopy->tag(), -1);
    EXPECT_EQ(foreverCopy->target(), nullptr);
    EXPECT_NE(foreverCopy->innerAction(), forever->innerAction());

    auto speed = KSSpeed::actionWithAction(KSMoveBy::actionWithDuration(1, { 1, 0 }), 3);
    speed->setTag(3);
    auto speedCopy = platform::dynamicRef<KSSpeed>(speed->copy());
    EXPECT_EQ(speedCopy->tag(), -1);
    EXPECT_FLOAT_EQ(speedCopy->speed(), 3);
    EXPECT_FLOAT_EQ(speed->reverse()->speed(), 3);
}

TEST_F(ActionTest, BaseActionLogsItsUnimplementedSteps)
{
    platform::LogCapture capture;
    auto base = KSAction::action();
    base->step(0.1f);
    base->update(0.5f);
    EXPECT_TRUE(capture.contains("[Action step]. override me"));
    EXPECT_TRUE(capture.contains("[Action update]. override me"));
    EXPECT_EQ(base->description(), "<KSAction = " + platform::addressString(base.get()) + " | Tag = -1>");
}
