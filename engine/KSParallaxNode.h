// A node that moves its children at different speeds when it (or an ancestor)
// moves, for scrolling backgrounds with depth. Each child follows the node's
// absolute position by a ratio and sits at a fixed offset.
//
// Caveat: children must be added with the parallax form of addChild; the plain
// form fails the assertion. Children are repositioned on visit, only after the
// absolute position changed.
#pragma once

#include "engine/KSNode.h"

namespace kestrel {

class KSArray;

class KSParallaxNode : public KSNode {
public:
    [[nodiscard]] static platform::Ref<KSParallaxNode> node();
    bool init() override;

    using KSNode::addChild;
    void addChild(KSNode* child, int z, Point parallaxRatio, Point positionOffset);
    // Always fails: use the parallax form.
    void addChild(KSNode* child, int z, int tag) override;
    void removeChild(KSNode* child, bool cleanup) override;
    void removeAllChildrenWithCleanup(bool cleanup) override;
    void visit() override;

    // The entries (CGPointObject: ratio, offset, child), in the order added.
    KSArray* parallaxArray() const { return parallaxArray_.get(); }
    void setParallaxArray(KSArray* array);

    // Repositions the children when the absolute position changed; visit()
    // does this before drawing.
    void updateParallaxPositions();

protected:
    KSParallaxNode();
    ~KSParallaxNode() override;

    // The node's position plus those of all its ancestors.
    Point absolutePosition() const;

    platform::Ref<KSArray> parallaxArray_;
    Point lastPosition_ { -100, -100 };
};

} // namespace kestrel
