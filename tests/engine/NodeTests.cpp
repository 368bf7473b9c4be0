// Nodes: z-order, life cycle, actions and timers across enter/exit, transforms,
// bounding boxes and space conversions (hand-computed values), assertions.
#include "NodeTestSupport.h"

#include "engine/KSActionInstant.h"
#include "engine/Support/KSArray.h"

#include <cmath>

using namespace kestrel;
using namespace kestrel_test;

namespace {

class NodeTest : public EngineTest { };

std::vector<KSNode*> childList(KSNode* n)
{
    std::vector<KSNode*> out;
    for (KSNode* c : n->children()->objectsAs<KSNode>())
        out.push_back(c);
    return out;
}

void expectPoint(Point p, float x, float y)
{
    EXPECT_NEAR(p.x, x, 1e-3f);
    EXPECT_NEAR(p.y, y, 1e-3f);
}

} // namespace

TEST_F(NodeTest, ChildrenAreKeptInZOrderAndEqualZKeepsInsertionOrder)
{
    auto parent = KSNode::node();
    auto a = KSNode::node(), b = KSNode::node(), c = KSNode::node(), d = KSNode::node();
    parent->addChild(a, 1);
    parent->addChild(b, -1);
    parent->addChild(c, 1);
    parent->addChild(d, 0);
    EXPECT_EQ(childList(parent), (std::vector<KSNode*> { b.get(), d.get(), a.get(), c.get() }));

    // Reordering to a z equal to siblings' puts the child after them.
    parent->reorderChild(b, 1);
    EXPECT_EQ(childList(parent), (std::vector<KSNode*> { d.get(), a.get(), c.get(), b.get() }));
    EXPECT_EQ(b->zOrder(), 1);
    EXPECT_EQ(b->parent(), parent.get());
}

TEST_F(NodeTest, VisitDrawsNegativeZBeforeTheParentAndSkipsInvisibleSubtrees)
{
    std::vector<std::string> journal;
    auto parent = RecordingNode::make("p", &journal);
    auto back = RecordingNode::make("back", &journal);
    auto front = RecordingNode::make("front", &journal);
    auto hidden = RecordingNode::make("hidden", &journal);
    auto hiddenChild = RecordingNode::make("hiddenChild", &journal);
    hidden->addChild(hiddenChild);
    hidden->setVisible(false);
    parent->addChild(front, 0);
    parent->addChild(back, -1);
    parent->addChild(hidden, 2);

    parent->visit();
    EXPECT_EQ(journal, (std::vector<std::string> { "back:draw", "p:draw", "front:draw" }));
}

TEST_F(NodeTest, LifeCycleOrderFollowsTheTree)
{
    std::vector<std::string> journal;
    auto root = RecordingNode::make("root", &journal);
    auto child = RecordingNode::make("child", &journal);
    auto grandchild = RecordingNode::make("grand", &journal);
    child->addChild(grandchild);
    root->addChild(child);

    root->onEnter();
    EXPECT_TRUE(root->isRunning());
    EXPECT_TRUE(grandchild->isRunning());
    root->onExit();
    root->cleanup();
    EXPECT_EQ(journal, (std::vector<std::string> { "root:enter", "child:enter", "grand:enter", "root:exit",
                           "child:exit", "grand:exit", "root:cleanup", "child:cleanup", "grand:cleanup" }));
    EXPECT_FALSE(child->isRunning());

    // A child added to a running parent enters at once.
    journal.clear();
    root->onEnter();
    auto late = RecordingNode::make("late", &journal);
    journal.clear();
    root->addChild(late);
    EXPECT_EQ(journal, (std::vector<std::string> { "late:enter", "late:didFinish" }));

    // Detaching: exit, then cleanup, then the parent link goes.
    journal.clear();
    root->removeChild(late, true);
    EXPECT_EQ(journal, (std::vector<std::string> { "late:exit", "late:cleanup" }));
    EXPECT_EQ(late->parent(), nullptr);
    EXPECT_FALSE(late->isRunning());
}

TEST_F(NodeTest, ActionsRunOnANodeThatIsNotRunningStartWhenItEnters)
{
    auto node = KSNode::node();
    node->runAction(KSMoveBy::actionWithDuration(1, { 10, 0 }));
    tick(0.5f);
    tick(0.5f);
    expectPoint(node->position(), 0, 0);

    node->onEnter();
    tick(0.5f); // first frame: progress 0
    tick(0.5f);
    expectPoint(node->position(), 5, 0);
}

TEST_F(NodeTest, RemovalWithoutCleanupKeepsActionsAndTimersPausedUntilReAdded)
{
    auto scene = KSNode::node();
    scene->onEnter();
    auto node = RecordingNode::make("n", nullptr);
    scene->addChild(node);
    node->runAction(KSMoveBy::actionWithDuration(1, { 10, 0 }));
    node->scheduleUpdate();
    tick(0.5f);
    tick(0.5f);
    expectPoint(node->position(), 5, 0);
    EXPECT_EQ(node->updates.size(), 2u);

    scene->removeChild(node, false);
    tick(0.5f);
    expectPoint(node->position(), 5, 0);
    EXPECT_EQ(node->updates.size(), 2u);
    EXPECT_EQ(node->numberOfRunningActions(), 1u);

    scene->addChild(node);
    tick(0.25f);
    expectPoint(node->position(), 7.5f, 0);
    EXPECT_EQ(node->updates.size(), 3u);

    // Cleanup removes them for good.
    scene->removeChild(node, true);
    EXPECT_EQ(node->numberOfRunningActions(), 0u);
    scene->addChild(node);
    tick(0.25f);
    expectPoint(node->position(), 7.5f, 0);
    EXPECT_EQ(node->updates.size(), 3u);
}

TEST_F(NodeTest, NonRelativeAnchorPlacesTheCornerAndTurnsAboutTheCentre)
{
    auto node = KSNode::node();
    node->setContentSize({ 100, 100 });
    node->setAnchorPoint({ 0.5f, 0.5f });
    node->setIsRelativeAnchorPoint(false);
    node->setPosition({ 10, 10 });
    expectPoint(node->convertToWorldSpace({ 0, 0 }), 10, 10);

    node->setRotation(90);
    // The centre stays, the lower-left corner turns clockwise about it.
    expectPoint(node->convertToWorldSpace({ 50, 50 }), 60, 60);
    expectPoint(node->convertToWorldSpace({ 0, 0 }), 10, 110);

    node->setRotation(0);
    node->setScale(2);
    expectPoint(node->convertToWorldSpace({ 50, 50 }), 60, 60);
    expectPoint(node->convertToWorldSpace({ 0, 0 }), -40, -40);
}

TEST_F(NodeTest, RelativeAnchorTransformAndGLMatrix)
{
    auto node = KSNode::node();
    node->setContentSize({ 40, 20 });
    node->setAnchorPoint({ 0.5f, 0.5f });
    node->setPosition({ 100, 50 });
    node->setScaleX(2);
    AffineTransform t = node->nodeToParentTransform();
    // translate(100,50) scale(2,1) translate(-20,-10)
    EXPECT_FLOAT_EQ(t.a, 2);
    EXPECT_FLOAT_EQ(t.d, 1);
    EXPECT_FLOAT_EQ(t.tx, 60);
    EXPECT_FLOAT_EQ(t.ty, 40);

    const GLfloat* m = node->transformGL();
    EXPECT_FLOAT_EQ(m[0], 2);
    EXPECT_FLOAT_EQ(m[5], 1);
    EXPECT_FLOAT_EQ(m[10], 1);
    EXPECT_FLOAT_EQ(m[12], 60);
    EXPECT_FLOAT_EQ(m[13], 40);
    EXPECT_FLOAT_EQ(m[15], 1);
    EXPECT_FLOAT_EQ(m[1], 0);

    // The cached matrix follows a later change.
    node->setPosition({ 0, 0 });
    EXPECT_FLOAT_EQ(node->transformGL()[12], -40);
    auto inv = node->parentToNodeTransform();
    expectPoint(inv.apply(Point(-40, -10)), 0, 0);
}

TEST_F(NodeTest, BoundingBoxOfARotatedNodeIsTheAxisAlignedBox)
{
    auto node = KSNode::node();
    node->setContentSize({ 100, 100 });
    node->setAnchorPoint({ 0.5f, 0.5f });
    node->setPosition({ 200, 200 });
    node->setRotation(45);
    Rect box = node->boundingBox();
    float half = 50 * std::sqrt(2.0f);
    EXPECT_NEAR(box.origin.x, 200 - half, 1e-3);
    EXPECT_NEAR(box.origin.y, 200 - half, 1e-3);
    EXPECT_NEAR(box.size.width, 2 * half, 1e-3);
    EXPECT_NEAR(box.size.height, 2 * half, 1e-3);
}

TEST_F(NodeTest, SpaceConversionsThroughAParentChain)
{
    auto root = KSNode::node();
    auto parent = KSNode::node();
    auto child = KSNode::node();
    root->addChild(parent);
    parent->addChild(child);
    parent->setPosition({ 100, 0 });
    parent->setScale(2);
    child->setPosition({ 10, 10 });
    child->setContentSize({ 20, 20 });
    child->setAnchorPoint({ 0.5f, 0.5f });

    // child (0,0) -> parent (0,0) (anchor -10,-10 then +10,+10) -> world (100,0)
    expectPoint(child->convertToWorldSpace({ 0, 0 }), 100, 0);
    expectPoint(child->convertToWorldSpace({ 10, 10 }), 120, 20);
    expectPoint(child->convertToNodeSpace({ 120, 20 }), 10, 10);
    expectPoint(child->convertToNodeSpaceAR({ 120, 20 }), 0, 0);
    expectPoint(child->convertToWorldSpaceAR({ 0, 0 }), 120, 20);
    // Window space is y-down from the top of the 480x320 window.
    expectPoint(child->convertToWindowSpace({ 10, 10 }), 120, 300);
}

TEST_F(NodeTest, ContentScaleFactorKeepsPointsAndPixelsApart)
{
    ksSetContentScaleFactor(2);
    auto node = KSNode::node();
    node->setVertexZ(5);
    EXPECT_FLOAT_EQ(node->vertexZ(), 10);
    node->setPosition({ 3, 4 });
    EXPECT_EQ(node->positionInPixels(), Point(6, 8));
    node->setContentSize({ 10, 20 });
    node->setAnchorPoint({ 0.5f, 0.5f });
    EXPECT_EQ(node->contentSizeInPixels(), Size(20, 40));
    EXPECT_EQ(node->anchorPointInPixels(), Point(10, 20));
    // The box comes back in points.
    Rect box = node->boundingBox();
    EXPECT_FLOAT_EQ(box.origin.x, -2);
    EXPECT_FLOAT_EQ(box.origin.y, -6);
    EXPECT_FLOAT_EQ(box.size.width, 10);
    expectPoint(node->convertToWorldSpace({ 0, 0 }), -2, -6);
    expectPoint(node->convertToNodeSpace({ -2, -6 }), 0, 0);
}

TEST_F(NodeTest, PixelsFollowThePointsWhateverTheScaleWhenTheyWereSet)
{
    auto node = KSNode::node();
    node->setPosition({ 3, 4 });
    node->setContentSize({ 10, 20 });
    ksSetContentScaleFactor(2);
    // Set before the scale changed: pixels as they were.
    EXPECT_EQ(node->positionInPixels(), Point(3, 4));
    node->setPositionInPixels({ 8, 6 });
    EXPECT_EQ(node->position(), Point(4, 3));
    EXPECT_EQ(node->positionInPixels(), Point(8, 6));
    node->setContentSizeInPixels({ 30, 50 });
    EXPECT_EQ(node->contentSize(), Size(15, 25));
    ksSetContentScaleFactor(1);
    EXPECT_EQ(node->positionInPixels(), Point(8, 6));
    node->setPosition({ 1, 2 });
    node->setContentSize({ 5, 6 });
    EXPECT_EQ(node->positionInPixels(), Point(1, 2));
    EXPECT_EQ(node->contentSizeInPixels(), Size(5, 6));
    EXPECT_EQ(node->boundingBox().size, Size(5, 6));
}

TEST_F(NodeTest, TagLookupAndRemoval)
{
    auto parent = KSNode::node();
    auto a = KSNode::node(), b = KSNode::node();
    parent->addChild(a, 5, 7);
    parent->addChild(b, 1, 7);
    EXPECT_EQ(parent->getChildByTag(7), b.get()); // first in z-order
    EXPECT_EQ(parent->getChildByTag(8), nullptr);
    parent->removeChildByTag(7, true);
    EXPECT_EQ(parent->getChildByTag(7), a.get());
    parent->removeAllChildrenWithCleanup(true);
    EXPECT_EQ(parent->children()->count(), 0u);
    EXPECT_EQ(a->parent(), nullptr);

    // Removing a stranger does nothing.
    auto stranger = KSNode::node();
    parent->removeChild(stranger, true);
    parent->removeChild(nullptr, true);
}

TEST_F(NodeTest, ProgrammingErrorsFailTheDocumentedAssertions)
{
    auto node = KSNode::node();
    auto child = KSNode::node();
    node->addChild(child);
    EXPECT_ASSERTION(node->addChild(nullptr), "engine/KSNode", "Argument must be non-nil");
    EXPECT_ASSERTION(KSNode::node()->addChild(child), "engine/KSNode", "child already added. It can't be added again");
    EXPECT_ASSERTION(node->getChildByTag(-1), "engine/KSNode", "Invalid tag");
    EXPECT_ASSERTION(node->stopActionByTag(-1), "engine/KSNode", "Invalid tag");
    EXPECT_ASSERTION(node->reorderChild(nullptr, 1), "engine/KSNode", "Child must be non-nil");
    EXPECT_ASSERTION(node->runAction(nullptr), "engine/KSNode", "Argument must be non-nil");
    node->setScaleX(2);
    EXPECT_ASSERTION(node->scale(), "engine/KSNode", "KSNode#scale. ScaleX != ScaleY. Don't know which one to return");
    EXPECT_ASSERTION(node->schedule(SEL_SCHEDULE(&KSNode::update, "update"), -1), "engine/KSNode",
        "Arguemnt must be positive");
    EXPECT_ASSERTION(node->schedule(SEL_SCHEDULE(&KSNode::update, "update"), NAN), "engine/KSNode",
        "Arguemnt must be positive");
    EXPECT_ASSERTION(node->setFloatProperty("opacityX", 1), "engine/KSNode",
        "KSNode: no numeric property for the key \"opacityX\"");
}

TEST_F(NodeTest, ScheduledSelectorsArePausedUntilTheNodeRuns)
{
    auto node = RecordingNode::make("n", nullptr);
    node->schedule(SEL_SCHEDULE(&RecordingNode::update, "update"), 0);
    tick(0.1f);
    EXPECT_TRUE(node->updates.empty());
    node->onEnter();
    tick(0.1f);
    ASSERT_EQ(node->updates.size(), 1u);
    node->unschedule(SEL_SCHEDULE(&RecordingNode::update, "update"));
    tick(0.1f);
    EXPECT_EQ(node->updates.size(), 1u);
}

TEST_F(NodeTest, DescriptionNamesClassAddressAndTag)
{
    auto node = KSNode::node();
    node->setTag(12);
    EXPECT_EQ(node->description(), "<KSNode = " + platform::addressString(node.get()) + " | Tag = 12>");
}

namespace {
class FlagNode : public KSNode {
public:
    static Ref<FlagNode> make() { auto n = platform::adoptRef(new FlagNode); n->init(); return n; }
    bool dirty() const { return transformsDirty(); }
    void clean() { nodeToParentTransform(); parentToNodeTransform(); transformGL(); }
};
} // namespace

TEST_F(NodeTest, UnchangedAnchorOrSizeKeepsTheCachedTransforms)
{
    auto node = FlagNode::make();
    node->setContentSize({ 10, 10 });
    node->setAnchorPoint({ 0.5f, 0.5f });
    node->clean();
    ASSERT_FALSE(node->dirty());
    node->setContentSize({ 10, 10 });
    node->setAnchorPoint({ 0.5f, 0.5f });
    node->setContentSizeInPixels({ 10, 10 });
    EXPECT_FALSE(node->dirty());
    node->setVertexZ(3); // depth is applied apart from the matrix
    EXPECT_FALSE(node->dirty());
    node->setAnchorPoint({ 0, 0 });
    EXPECT_TRUE(node->dirty());
}

TEST_F(NodeTest, RarelyUsedFieldsMadeOnFirstUseKeepTheirValues)
{
    auto node = FlagNode::make();
    EXPECT_EQ(node->userData(), nullptr);
    EXPECT_EQ(node->grid(), nullptr);
    node->setUserData(nullptr);
    node->setGrid(nullptr);
    int payload = 7;
    node->setUserData(&payload);
    EXPECT_EQ(node->userData(), &payload);
    KSCamera* camera = node->camera();
    EXPECT_EQ(node->camera(), camera) << "one camera per node";
    EXPECT_EQ(node->userData(), &payload);

    // Placement set before the transforms were ever asked for still reaches them.
    auto late = FlagNode::make();
    late->setContentSize({ 4, 2 });
    late->setAnchorPoint({ 0.5f, 0.5f });
    late->setPosition({ 10, 20 });
    late->setRotation(90);
    const AffineTransform t = late->nodeToParentTransform();
    EXPECT_NEAR(t.apply(Point(2, 1)).x, 10, 1e-4);
    EXPECT_NEAR(t.apply(Point(2, 1)).y, 20, 1e-4);
    EXPECT_FLOAT_EQ(late->transformGL()[12], t.tx);
    EXPECT_NEAR(late->parentToNodeTransform().apply(Point(10, 20)).x, 2, 1e-4);
}
