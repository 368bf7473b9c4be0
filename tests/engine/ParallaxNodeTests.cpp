// The parallax node: children follow the node's absolute position by their
// ratio, repositioned on visit once the position changed.
#include "NodeTestSupport.h"

#include "engine/KSParallaxNode.h"
#include "engine/Support/KSArray.h"

using namespace kestrel;
using namespace kestrel_test;

namespace {
class ParallaxNodeTest : public EngineTest { };
}

TEST_F(ParallaxNodeTest, ChildrenMoveByTheirRatio)
{
    auto world = KSNode::node();
    auto parallax = KSParallaxNode::node();
    world->addChild(parallax);
    auto layer = KSNode::node();
    parallax->addChild(layer, 1, { 0.5f, 0 }, { 10, 20 });
    EXPECT_EQ(layer->position(), Point(10, 20));
    EXPECT_EQ(layer->zOrder(), 1);
    EXPECT_EQ(parallax->parallaxArray()->count(), 1u);

    parallax->setPosition({ 100, 50 });
    parallax->visit();
    EXPECT_EQ(layer->position(), Point(-40, -30));

    // Ancestors count too: the absolute position is what matters.
    world->setPosition({ 100, 0 });
    parallax->visit();
    EXPECT_EQ(layer->position(), Point(-200 + 100 + 10, -50 + 20));
}

TEST_F(ParallaxNodeTest, NoRepositioningWhileTheAbsolutePositionIsUnchanged)
{
    auto parallax = KSParallaxNode::node();
    parallax->setPosition({ -100, -100 });
    auto layer = KSNode::node();
    parallax->addChild(layer, 0, { 0, 0 }, { 5, 5 });
    EXPECT_EQ(layer->position(), Point(5, 5));
    layer->setPosition({ 1, 1 });
    parallax->visit();
    EXPECT_EQ(layer->position(), Point(1, 1));
}

TEST_F(ParallaxNodeTest, RemovalKeepsEntriesAndChildrenInStep)
{
    auto parallax = KSParallaxNode::node();
    auto a = KSNode::node(), b = KSNode::node();
    parallax->addChild(a, 0, { 1, 1 }, { 0, 0 });
    parallax->addChild(b, 0, { 1, 1 }, { 0, 0 });
    parallax->removeChild(a, true);
    EXPECT_EQ(parallax->parallaxArray()->count(), 1u);
    EXPECT_EQ(parallax->children()->count(), 1u);

    // A child that has no entry is still removed as a child.
    auto stray = KSNode::node();
    parallax->KSNode::addChild(stray, 0, -1);
    parallax->removeChild(stray, true);
    EXPECT_EQ(parallax->children()->count(), 1u);

    parallax->removeAllChildrenWithCleanup(true);
    EXPECT_EQ(parallax->parallaxArray()->count(), 0u);
    EXPECT_EQ(parallax->children()->count(), 0u);

    EXPECT_ASSERTION(parallax->addChild(KSNode::node(), 0, 1), "engine/KSParallaxNode",
        "ParallaxNode: use addChild:z:parallaxRatio:positionOffset instead");
    EXPECT_ASSERTION(parallax->addChild(nullptr, 0, { 1, 1 }, { 0, 0 }), "engine/KSParallaxNode", "Argument must be non-nil");
}

TEST_F(ParallaxNodeTest, AChildWithAnotherParentIsRefusedWithoutAnEntryOrAMove)
{
    auto parallax = KSParallaxNode::node();
    parallax->setPosition({ 10, 10 });
    Ref<KSNode> elsewhere = KSNode::node();
    {
        auto child = KSNode::node();
        child->setPosition({ 3, 3 });
        elsewhere->addChild(child);
        EXPECT_ASSERTION(parallax->addChild(child, 0, { 1, 1 }, { 0, 0 }), "engine/KSNode",
                         "child already added. It can't be added again");
        EXPECT_EQ(parallax->parallaxArray()->count(), 0u);
        EXPECT_EQ(child->position(), Point(3, 3));
    }
    // The other parent lets the child go; visiting must not reach it.
    elsewhere = nullptr;
    parallax->setPosition({ 20, 20 });
    parallax->visit();
}
