// The parallax node: per-child ratio and offset entries, applied on visit.
#include "engine/KSParallaxNode.h"

#include "engine/Support/CGPointObject.h"
#include "engine/Support/KSArray.h"
#include "platform/foundation/Exception.h"

namespace kestrel {

using platform::adoptRef;
using platform::Ref;

KSParallaxNode::KSParallaxNode() = default;
KSParallaxNode::~KSParallaxNode() = default;

Ref<KSParallaxNode> KSParallaxNode::node()
{
    auto n = adoptRef(new KSParallaxNode);
    return n->init() ? n : nullptr;
}

bool KSParallaxNode::init()
{
    if (!KSNode::init())
        return false;
    parallaxArray_ = KSArray::arrayWithCapacity(5);
    lastPosition_ = { -100, -100 };
    return true;
}

void KSParallaxNode::setParallaxArray(KSArray* array)
{
    parallaxArray_ = array;
}

void KSParallaxNode::addChild(KSNode*, int, int)
{
    BRISKO_ASSERT(false, "ParallaxNode: use addChild:z:parallaxRatio:positionOffset instead");
}

void KSParallaxNode::addChild(KSNode* child, int z, Point ratio, Point offset)
{
    BRISKO_ASSERT(child != nullptr, "Argument must be non-nil");
    // The node's own add first: a child it refuses (one with a parent already)
    // gets no entry and is not moved.
    KSNode::addChild(child, z, child->tag());
    auto entry = CGPointObject::pointWithCGPoint(ratio, offset);
    entry->setChild(child);
    parallaxArray_->addObject(entry.get());

    Point pos = position_;
    child->setPosition({ pos.x * ratio.x + offset.x, pos.y * ratio.y + offset.y });
}

void KSParallaxNode::removeChild(KSNode* child, bool cleanup)
{
    for (unsigned i = 0; i < parallaxArray_->count(); ++i) {
        auto* entry = parallaxArray_->objectAtIndexAs<CGPointObject>(i);
        if (entry->child() == child) {
            parallaxArray_->removeObjectAtIndex(i);
            break;
        }
    }
    KSNode::removeChild(child, cleanup);
}

void KSParallaxNode::removeAllChildrenWithCleanup(bool cleanup)
{
    parallaxArray_->removeAllObjects();
    KSNode::removeAllChildrenWithCleanup(cleanup);
}

Point KSParallaxNode::absolutePosition() const
{
    Point ret = position_;
    for (const KSNode* n = this; n->parent(); n = n->parent())
        ret = ret + n->parent()->position();
    return ret;
}

void KSParallaxNode::updateParallaxPositions()
{
    Point pos = absolutePosition();
    if (pos == lastPosition_)
        return;
    for (unsigned i = 0; i < parallaxArray_->count(); ++i) {
        auto* entry = parallaxArray_->objectAtIndexAs<CGPointObject>(i);
        Point ratio = entry->ratio();
        Point offset = entry->offset();
        entry->child()->setPosition({ -pos.x + pos.x * ratio.x + offset.x, -pos.y + pos.y * ratio.y + offset.y });
    }
    lastPosition_ = pos;
}

void KSParallaxNode::visit()
{
    updateParallaxPositions();
    KSNode::visit();
}

} // namespace kestrel
