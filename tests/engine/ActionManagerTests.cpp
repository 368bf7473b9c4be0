// The action manager: registration, pausing, lookups, and the re-entrant cases
// (actions that remove themselves, their neighbours, their whole target, or
// other targets while they are being stepped).
#include "NodeTestSupport.h"

#include "engine/KSActionInstant.h"

#include <functional>

using namespace kestrel;
using namespace kestrel_test;

namespace {

class ActionManagerTest : public EngineTest {
protected:
    KSActionManager* manager() { return KSActionManager::sharedManager(); }
};

// An action that runs a script on each step and finishes when told to.
class ScriptedAction : public KSAction {
public:
    static Ref<ScriptedAction> make(std::vector<std::string>* journal, std::string name, std::function<void()> onStep = {})
    {
        auto a = platform::adoptRef(new ScriptedAction);
        a->init();
        a->journal_ = journal;
        a->name_ = std::move(name);
        a->onStep_ = std::move(onStep);
        return a;
    }
    void step(ksTime) override
    {
        if (journal_)
            journal_->push_back(name_);
        if (onStep_)
            onStep_();
    }
    void stop() override
    {
        stops++;
        if (onStop)
            onStop();
        KSAction::stop();
    }
    bool isDone() const override { return done; }

    bool done { false };
    int stops { 0 };
    std::function<void()> onStop;

private:
    std::vector<std::string>* journal_ { nullptr };
    std::string name_;
    std::function<void()> onStep_;
};

} // namespace

TEST_F(ActionManagerTest, PausedTargetsStartButDoNotStep)
{
    std::vector<std::string> journal;
    auto node = KSNode::node();
    auto probe = ProbeAction::make(1);
    manager()->addAction(probe, node, true);
    EXPECT_EQ(probe->starts, 1);
    EXPECT_EQ(probe->target(), node.get());
    tick(0.1f);
    EXPECT_TRUE(probe->updates.empty());

    // A later action with paused = false does not resume the target.
    manager()->addAction(ScriptedAction::make(&journal, "s"), node, false);
    tick(0.1f);
    EXPECT_TRUE(journal.empty());

    manager()->resumeTarget(node);
    tick(0.1f);
    EXPECT_EQ(journal, std::vector<std::string> { "s" });
    EXPECT_EQ(probe->updates.size(), 1u);
}

TEST_F(ActionManagerTest, AnActionIsAddedOnlyOnceAndLookupsUseTags)
{
    auto node = KSNode::node();
    auto a = ScriptedAction::make(nullptr, "a");
    auto b = ScriptedAction::make(nullptr, "b");
    auto c = ScriptedAction::make(nullptr, "c");
    a->setTag(1);
    b->setTag(1);
    c->setTag(2);
    manager()->addAction(a, node, false);
    manager()->addAction(b, node, false);
    manager()->addAction(c, node, false);
    EXPECT_ASSERTION(manager()->addAction(a, node, false), "engine/KSActionManager", "runAction: Action already running");
    EXPECT_ASSERTION(manager()->addAction(nullptr, node, false), "engine/KSActionManager",
        "Argument action must be non-nil");
    EXPECT_ASSERTION(manager()->addAction(a, nullptr, false), "engine/KSActionManager",
        "Argument target must be non-nil");
    EXPECT_ASSERTION(manager()->removeActionByTag(1, nullptr), "engine/KSActionManager", "Target should be ! nil");
    EXPECT_ASSERTION(manager()->getActionByTag(-1, node), "engine/KSActionManager", "Invalid tag");

    EXPECT_EQ(node->getActionByTag(1), a.get());
    node->stopActionByTag(1); // only the first of that tag
    EXPECT_EQ(node->getActionByTag(1), b.get());
    EXPECT_EQ(node->numberOfRunningActions(), 2u);
    EXPECT_EQ(a->stops, 0); // removal does not stop

    // Unknown targets, actions and tags are ignored.
    auto stranger = KSNode::node();
    manager()->removeAllActionsFromTarget(stranger);
    manager()->removeAction(a);
    manager()->removeActionByTag(9, node);
    EXPECT_EQ(manager()->getActionByTag(9, stranger), nullptr);
    EXPECT_EQ(manager()->numberOfRunningActionsInTarget(stranger), 0u);
}

TEST_F(ActionManagerTest, AFinishedActionIsStoppedAndItsTargetReleased)
{
    platform::Weak<KSNode> weak;
    Ref<ScriptedAction> action = ScriptedAction::make(nullptr, "a");
    {
        auto node = KSNode::node();
        weak = node.get();
        node->onEnter();
        node->runAction(action);
    }
    EXPECT_FALSE(weak.expired()); // kept alive by the manager
    tick(0.1f);
    EXPECT_FALSE(weak.expired());
    action->done = true;
    tick(0.1f);
    EXPECT_EQ(action->stops, 1);
    EXPECT_EQ(action->target(), nullptr);
    EXPECT_TRUE(weak.expired());
}

TEST_F(ActionManagerTest, StoppingAllActionsOfTheOwnTargetDuringAStepIsSafe)
{
    std::vector<std::string> journal;
    platform::Weak<KSNode> weak;
    {
        auto node = KSNode::node();
        weak = node.get();
        KSNode* raw = node.get();
        node->onEnter();
        node->runAction(ScriptedAction::make(&journal, "first", [raw] { raw->stopAllActions(); }));
        node->runAction(ScriptedAction::make(&journal, "second"));
    }
    // The node's only owner is the manager; the step lets go of it.
    tick(0.1f);
    EXPECT_EQ(journal, std::vector<std::string> { "first" });
    EXPECT_TRUE(weak.expired());
}

TEST_F(ActionManagerTest, ARecordEmptiedAndRefilledDuringItsStepSurvives)
{
    std::vector<std::string> journal;
    auto node = KSNode::node();
    node->onEnter();
    KSNode* raw = node.get();
    node->runAction(ScriptedAction::make(&journal, "first", [raw, &journal] {
        raw->stopAllActions();
        raw->runAction(ScriptedAction::make(&journal, "fresh"));
    }));
    tick(0.1f);
    EXPECT_EQ(node->numberOfRunningActions(), 1u);
    tick(0.1f);
    EXPECT_EQ(journal, (std::vector<std::string> { "first", "fresh" }));
}

TEST_F(ActionManagerTest, RemovingTheActionBeforeDoesNotSkipTheNextOne)
{
    std::vector<std::string> journal;
    auto node = KSNode::node();
    node->onEnter();
    auto a = ScriptedAction::make(&journal, "a");
    KSAction* rawA = a.get();
    node->runAction(a);
    node->runAction(ScriptedAction::make(&journal, "b", [rawA] { KSActionManager::sharedManager()->removeAction(rawA); }));
    node->runAction(ScriptedAction::make(&journal, "c"));
    tick(0.1f);
    EXPECT_EQ(journal, (std::vector<std::string> { "a", "b", "c" }));
    journal.clear();
    tick(0.1f);
    EXPECT_EQ(journal, (std::vector<std::string> { "b", "c" }));
}

TEST_F(ActionManagerTest, AnActionRemovingItselfSurvivesItsStep)
{
    std::vector<std::string> journal;
    auto node = KSNode::node();
    node->onEnter();
    KSAction* self = nullptr;
    auto a = ScriptedAction::make(&journal, "a", [&self] { KSActionManager::sharedManager()->removeAction(self); });
    self = a.get();
    node->runAction(a);
    node->runAction(ScriptedAction::make(&journal, "b"));
    a = nullptr;
    tick(0.1f);
    EXPECT_EQ(journal, (std::vector<std::string> { "a", "b" }));
    EXPECT_EQ(node->numberOfRunningActions(), 1u);
}

TEST_F(ActionManagerTest, ANewActionOnTheSameTargetIsStartedAndSteppedInTheSameFrame)
{
    auto node = KSNode::node();
    node->onEnter();
    auto probe = ProbeAction::make(1);
    KSNode* raw = node.get();
    node->runAction(KSSequence::actionOne(KSDelayTime::actionWithDuration(0.1f),
        KSCallBlock::actionWithBlock([raw, probe] { raw->runAction(probe); })));
    tick(0.1f); // the delay shows 0
    EXPECT_EQ(probe->starts, 0);
    tick(0.2f); // the delay ends, the callback runs the probe, which steps at once
    EXPECT_EQ(probe->starts, 1);
    EXPECT_EQ(probe->updates, std::vector<float> { 0.0f });
}

TEST_F(ActionManagerTest, StoppingTheNextTargetDuringTheWalkDeletesItsRecordAtOnce)
{
    std::vector<std::string> journal;
    auto one = KSNode::node();
    auto two = KSNode::node();
    auto three = KSNode::node();
    for (auto& n : { one, two, three })
        n->onEnter();
    KSNode* rawTwo = two.get();
    one->runAction(ScriptedAction::make(&journal, "one", [rawTwo] { rawTwo->stopAllActions(); }));
    two->runAction(ScriptedAction::make(&journal, "two"));
    three->runAction(ScriptedAction::make(&journal, "three"));
    platform::Weak<KSNode> weakTwo(two.get());
    two = nullptr; // the manager's record is its last owner
    tick(0.1f);
    EXPECT_TRUE(weakTwo.expired());
    EXPECT_EQ(journal, (std::vector<std::string> { "one", "three" }));
}

TEST_F(ActionManagerTest, RemovingAllActionsEverywhereFromInsideAStep)
{
    std::vector<std::string> journal;
    auto one = KSNode::node();
    auto two = KSNode::node();
    one->onEnter();
    two->onEnter();
    one->runAction(ScriptedAction::make(&journal, "one", [] { KSActionManager::sharedManager()->removeAllActions(); }));
    two->runAction(ScriptedAction::make(&journal, "two"));
    tick(0.1f);
    EXPECT_EQ(journal, std::vector<std::string> { "one" });
    EXPECT_EQ(one->numberOfRunningActions(), 0u);
    EXPECT_EQ(two->numberOfRunningActions(), 0u);
    tick(0.1f);
    EXPECT_EQ(journal, std::vector<std::string> { "one" });
}

TEST_F(ActionManagerTest, AnActionWhoseStopRemovesItselfIsReleasedOnce)
{
    std::vector<std::string> journal;
    auto node = KSNode::node();
    node->onEnter();
    platform::Weak<KSAction> weak;
    {
        auto a = ScriptedAction::make(&journal, "a");
        a->done = true;
        KSAction* self = a.get();
        a->onStop = [self] { KSActionManager::sharedManager()->removeAction(self); };
        weak = a.get();
        node->runAction(a);
        node->runAction(ScriptedAction::make(&journal, "b"));
    }
    tick(0.1f);
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(journal, (std::vector<std::string> { "a", "b" }));
    EXPECT_EQ(node->numberOfRunningActions(), 1u);
}

TEST_F(ActionManagerTest, AThrowingActionLeavesTheManagerConsistent)
{
    std::vector<std::string> journal;
    platform::Weak<KSNode> weak;
    {
        auto node = KSNode::node();
        weak = node.get();
        node->onEnter();
        KSNode* raw = node.get();
        node->runAction(ScriptedAction::make(&journal, "thrower", [raw] {
            raw->stopAllActions();
            throw std::runtime_error("boom");
        }));
    }
    auto other = KSNode::node();
    other->onEnter();
    other->runAction(ScriptedAction::make(&journal, "other"));

    EXPECT_THROW(tick(0.1f), std::runtime_error);
    EXPECT_TRUE(weak.expired()); // the emptied record went, with its target
    tick(0.1f);
    other->stopAllActions();
    EXPECT_EQ(other->numberOfRunningActions(), 0u);
    other->runAction(ScriptedAction::make(&journal, "again"));
    tick(0.1f);
    EXPECT_EQ(journal.back(), "again");
}

TEST_F(ActionManagerTest, PurgingReleasesEveryTarget)
{
    platform::Weak<KSNode> weak;
    {
        auto node = KSNode::node();
        weak = node.get();
        node->runAction(ProbeAction::make(1));
    }
    EXPECT_FALSE(weak.expired());
    KSActionManager::purgeSharedManager();
    EXPECT_TRUE(weak.expired());
}
