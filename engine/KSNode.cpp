// The scene-graph node: placement and cached transforms, z-ordered children,
// life cycle, and forwarding of actions and timers to the shared managers.
#include "engine/KSNode.h"

#include "engine/KSAction.h"
#include "engine/KSActionManager.h"
#include "engine/KSCamera.h"
#include "engine/KSDirector.h"
#include "engine/KSGrid.h"
#include "engine/Support/KSArray.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/ui/Touches.h"

#include <GLES/gl.h>
#include <cmath>

namespace kestrel {

using platform::Ref;

void ksAffineToGLMatrix(const AffineTransform& t, GLfloat m[16])
{
    for (int i = 0; i < 16; ++i)
        m[i] = 0;
    m[0] = t.a;
    m[1] = t.b;
    m[4] = t.c;
    m[5] = t.d;
    m[12] = t.tx;
    m[13] = t.ty;
    m[10] = 1;
    m[15] = 1;
}

namespace {
KSNode* childAt(KSArray* list, unsigned i) { return static_cast<KSNode*>(list->objectAtIndex(i)); }
} // namespace

Ref<KSNode> KSNode::node()
{
    auto n = platform::adoptRef(new KSNode);
    return n->init() ? n : nullptr;
}

bool KSNode::init()
{
    return true;
}

KSNode::~KSNode()
{
    if (children_) {
        for (unsigned i = 0; i < children_->count(); ++i)
            childAt(children_.get(), i)->setParent(nullptr);
    }
}

std::string KSNode::description() const
{
    return platform::format("<%s = %s | Tag = %i>", className().c_str(), platform::addressString(this).c_str(), tag_);
}

// Placement -----------------------------------------------------------------

void KSNode::setScaleX(float s)
{
    scaleX_ = s;
    setDirty();
}

void KSNode::setScaleY(float s)
{
    scaleY_ = s;
    setDirty();
}

float KSNode::scale() const
{
    BRISKO_ASSERT(scaleX_ == scaleY_, "KSNode#scale. ScaleX != ScaleY. Don't know which one to return");
    return scaleX_;
}

void KSNode::setScale(float s)
{
    scaleX_ = scaleY_ = s;
    setDirty();
}

void KSNode::setPositionInPixels(Point p)
{
    float f = ksContentScaleFactor();
    position_ = f == 1.0f ? p : p * (1.0f / f);
    keepPositionInPixels(p);
    setDirty();
}

void KSNode::keepPositionInPixels(Point pixels)
{
    positionInPixelsApart_ = !(pixels == position_);
    if (positionInPixelsApart_)
        extras().positionInPixels_ = pixels;
}

void KSNode::keepContentSizeInPixels(Size pixels)
{
    contentSizeInPixelsApart_ = !(pixels == contentSize_);
    if (contentSizeInPixelsApart_)
        extras().contentSizeInPixels_ = pixels;
}

void KSNode::setAnchorPoint(Point p)
{
    if (p == anchorPoint_)
        return;
    anchorPoint_ = p;
    setDirty();
}

void KSNode::setContentSize(Size s)
{
    if (s == contentSize_)
        return;
    contentSize_ = s;
    keepContentSizeInPixels(ksSizePointsToPixels(s));
    setDirty();
}

void KSNode::setContentSizeInPixels(Size s)
{
    if (s == contentSizeInPixels())
        return;
    contentSize_ = ksSizePixelsToPoints(s);
    keepContentSizeInPixels(s);
    setDirty();
}

void KSNode::setIsRelativeAnchorPoint(bool relative)
{
    isRelativeAnchorPoint_ = relative;
    setDirty();
}

void KSNode::setVertexZ(float z)
{
    const float pixels = z * ksContentScaleFactor();
    if (pixels != 0 || extras_)
        extras().vertexZ_ = pixels;
}

KSFloatProperties::KSFloatProperties(const KSFloatProperties* base,
                                     std::initializer_list<std::pair<const char*, Setter>> own)
{
    if (base)
        setters_ = base->setters_;
    for (const auto& [key, setter] : own)
        setters_[key] = setter;
}

KSFloatProperties::Setter KSFloatProperties::find(std::string_view key) const
{
    auto found = setters_.find(key);
    return found != setters_.end() ? found->second : nullptr;
}

GLubyte ksFloatToByte(float value)
{
    if (!(value > 0))
        return 0;
    return value >= 255 ? 255 : static_cast<GLubyte>(value);
}

const KSFloatProperties& KSNode::floatProperties() const
{
    static const KSFloatProperties properties(nullptr, {
        { "rotation", [](KSNode* n, float v) { n->setRotation(v); } },
        { "scale", [](KSNode* n, float v) { n->setScale(v); } },
        { "scaleX", [](KSNode* n, float v) { n->setScaleX(v); } },
        { "scaleY", [](KSNode* n, float v) { n->setScaleY(v); } },
        { "vertexZ", [](KSNode* n, float v) { n->setVertexZ(v); } },
    });
    return properties;
}

void KSNode::setFloatProperty(const std::string& key, float value)
{
    KSFloatProperties::Setter setter = floatProperties().find(key);
    BRISKO_ASSERT(setter != nullptr,
                  platform::format("%s: no numeric property for the key \"%s\"", className().c_str(), key.c_str()));
    setter(this, value);
}

// Children --------------------------------------------------------------------

void KSNode::childrenAlloc()
{
    children_ = KSArray::arrayWithCapacity(4);
}

void KSNode::addChild(KSNode* child, int z, int tag)
{
    BRISKO_ASSERT(child != nullptr, "Argument must be non-nil");
    BRISKO_ASSERT(child->parent_ == nullptr, "child already added. It can't be added again");
    if (!children_)
        childrenAlloc();
    insertChild(child, z);
    child->tag_ = tag;
    child->setParent(this);
    if (isRunning_) {
        Ref<KSNode> keep(child);
        child->onEnter();
        child->onEnterTransitionDidFinish();
    }
}

void KSNode::addChild(KSNode* child, int z)
{
    BRISKO_ASSERT(child != nullptr, "Argument must be non-nil");
    addChild(child, z, child->tag_);
}

void KSNode::addChild(KSNode* child)
{
    BRISKO_ASSERT(child != nullptr, "Argument must be non-nil");
    addChild(child, child->zOrder_, child->tag_);
}

void KSNode::insertChild(KSNode* child, int z)
{
    auto* last = static_cast<KSNode*>(children_->lastObject());
    if (!last || last->zOrder_ <= z) {
        children_->addObject(child);
    } else {
        unsigned index = 0;
        for (unsigned n = children_->count(); index < n; ++index) {
            if (childAt(children_.get(), index)->zOrder_ > z)
                break;
        }
        children_->insertObject(child, index);
    }
    child->setZOrder(z);
}

void KSNode::reorderChild(KSNode* child, int z)
{
    BRISKO_ASSERT(child != nullptr, "Child must be non-nil");
    Ref<KSNode> keep(child);
    children_->removeObject(child);
    insertChild(child, z);
}

void KSNode::removeFromParentAndCleanup(bool cleanup)
{
    if (parent_)
        parent_->removeChild(this, cleanup);
}

void KSNode::removeChild(KSNode* child, bool cleanup)
{
    if (!child || !children_ || children_->indexOfObject(child) == kKSNotFound)
        return;
    detachChild(child, cleanup);
}

void KSNode::removeChildByTag(int tag, bool cleanup)
{
    BRISKO_ASSERT(tag != kKSNodeTagInvalid, "Invalid tag");
    if (KSNode* child = getChildByTag(tag))
        removeChild(child, cleanup);
}

void KSNode::removeAllChildrenWithCleanup(bool cleanup)
{
    if (!children_)
        return;
    Ref<KSArray> list = children_;
    for (unsigned i = 0; i < list->count(); ++i) {
        Ref<KSNode> child(childAt(list.get(), i));
        if (isRunning_)
            child->onExit();
        if (cleanup)
            child->cleanup();
        child->setParent(nullptr);
    }
    list->removeAllObjects();
}

void KSNode::detachChild(KSNode* child, bool cleanup)
{
    Ref<KSNode> keep(child);
    if (isRunning_)
        child->onExit();
    if (cleanup)
        child->cleanup();
    child->setParent(nullptr);
    children_->removeObject(child);
}

KSNode* KSNode::getChildByTag(int tag) const
{
    BRISKO_ASSERT(tag != kKSNodeTagInvalid, "Invalid tag");
    if (!children_)
        return nullptr;
    for (unsigned i = 0, n = children_->count(); i < n; ++i) {
        KSNode* child = childAt(children_.get(), i);
        if (child->tag_ == tag)
            return child;
    }
    return nullptr;
}

// Drawing ---------------------------------------------------------------------

void KSNode::visit()
{
    if (!visible_)
        return;
    glPushMatrix();
    // Hold the grid: an action started by a child may replace it mid-visit.
    Ref<KSGridBase> grid = this->grid();
    const bool gridActive = grid && grid->active();
    if (gridActive) {
        grid->beforeDraw();
        transformAncestors();
    }
    transform();
    if (children_) {
        // Children may remove themselves or siblings while drawing: hold the
        // list and each child for the call.
        Ref<KSArray> list = children_;
        unsigned i = 0;
        for (; i < list->count(); ++i) {
            Ref<KSNode> child(childAt(list.get(), i));
            if (child->zOrder_ >= 0)
                break;
            child->visit();
        }
        draw();
        for (; i < list->count(); ++i) {
            Ref<KSNode> child(childAt(list.get(), i));
            child->visit();
        }
    } else {
        draw();
    }
    if (gridActive)
        grid->afterDraw(this);
    glPopMatrix();
}

void KSNode::transformAncestors()
{
    if (parent_) {
        parent_->transformAncestors();
        parent_->transform();
    }
}

KSNode::Extras& KSNode::extras()
{
    if (!extras_)
        extras_ = std::make_unique<Extras>();
    return *extras_;
}

void KSNode::setUserData(void* data)
{
    if (data || extras_)
        extras().userData_ = data;
}

const GLfloat* KSNode::transformGL()
{
    Extras& extras = this->extras();
    if (extras.transformGLDirty_) {
        ksAffineToGLMatrix(nodeToParentTransform(), extras.transformGL_);
        extras.transformGLDirty_ = false;
    }
    return extras.transformGL_;
}

void KSNode::transform()
{
    glMultMatrixf(transformGL());
    if (const float z = vertexZ(); z != 0)
        glTranslatef(0, 0, z);

    // A moved camera looks at the node about its anchor point (a grid applies
    // it itself when it draws the captured picture).
    KSCamera* camera = extras_ ? extras_->camera_.get() : nullptr;
    KSGridBase* grid = this->grid();
    if (camera && camera->dirty() && !(grid && grid->active())) {
        const Point ap = anchorPointInPixels();
        bool translate = ap.x != 0 || ap.y != 0;
        if (translate)
            glTranslatef(ap.x, ap.y, 0);
        camera->locate();
        if (translate)
            glTranslatef(-ap.x, -ap.y, 0);
    }
}

void KSNode::setGrid(KSGridBase* grid)
{
    if (grid || extras_)
        extras().grid_ = grid;
}

KSCamera* KSNode::camera()
{
    Extras& extras = this->extras();
    if (!extras.camera_)
        extras.camera_ = KSCamera::camera();
    return extras.camera_.get();
}

Point KSNode::convertTouchToNodeSpace(platform::ui::ActiveTouch* touch)
{
    Point p = touch->locationInView(touch->view());
    return convertToNodeSpace(KSDirector::sharedDirector()->convertToGL(p));
}

Point KSNode::convertTouchToNodeSpaceAR(platform::ui::ActiveTouch* touch)
{
    Point p = touch->locationInView(touch->view());
    return convertToNodeSpaceAR(KSDirector::sharedDirector()->convertToGL(p));
}

// Life cycle ----------------------------------------------------------------

void KSNode::onEnter()
{
    if (children_) {
        Ref<KSArray> list = children_;
        for (unsigned i = 0; i < list->count(); ++i)
            Ref<KSNode>(childAt(list.get(), i))->onEnter();
    }
    resumeSchedulerAndActions();
    isRunning_ = true;
}

void KSNode::onEnterTransitionDidFinish()
{
    if (children_) {
        Ref<KSArray> list = children_;
        for (unsigned i = 0; i < list->count(); ++i)
            Ref<KSNode>(childAt(list.get(), i))->onEnterTransitionDidFinish();
    }
}

void KSNode::onExit()
{
    pauseSchedulerAndActions();
    isRunning_ = false;
    if (children_) {
        Ref<KSArray> list = children_;
        for (unsigned i = 0; i < list->count(); ++i)
            Ref<KSNode>(childAt(list.get(), i))->onExit();
    }
}

void KSNode::cleanup()
{
    stopAllActions();
    unscheduleAllSelectors();
    if (children_) {
        Ref<KSArray> list = children_;
        for (unsigned i = 0; i < list->count(); ++i)
            Ref<KSNode>(childAt(list.get(), i))->cleanup();
    }
}

// Actions ---------------------------------------------------------------------

KSAction* KSNode::runAction(KSAction* action)
{
    BRISKO_ASSERT(action != nullptr, "Argument must be non-nil");
    KSActionManager::sharedManager()->addAction(action, this, !isRunning_);
    return action;
}

void KSNode::stopAllActions()
{
    KSActionManager::sharedManager()->removeAllActionsFromTarget(this);
}

void KSNode::stopAction(KSAction* action)
{
    KSActionManager::sharedManager()->removeAction(action);
}

void KSNode::stopActionByTag(int tag)
{
    BRISKO_ASSERT(tag != kKSActionTagInvalid, "Invalid tag");
    KSActionManager::sharedManager()->removeActionByTag(tag, const_cast<KSNode*>(this));
}

KSAction* KSNode::getActionByTag(int tag) const
{
    BRISKO_ASSERT(tag != kKSActionTagInvalid, "Invalid tag");
    return KSActionManager::sharedManager()->getActionByTag(tag, const_cast<KSNode*>(this));
}

unsigned KSNode::numberOfRunningActions() const
{
    return KSActionManager::sharedManager()->numberOfRunningActionsInTarget(const_cast<KSNode*>(this));
}

// Scheduling ------------------------------------------------------------------

void KSNode::scheduleUpdate()
{
    scheduleUpdateWithPriority(0);
}

void KSNode::scheduleUpdateWithPriority(int priority)
{
    KSScheduler::sharedScheduler()->scheduleUpdateForTarget(this, priority, !isRunning_);
}

void KSNode::unscheduleUpdate()
{
    KSScheduler::sharedScheduler()->unscheduleUpdateForTarget(this);
}

void KSNode::schedule(SEL_SCHEDULE selector)
{
    schedule(selector, 0);
}

void KSNode::schedule(SEL_SCHEDULE selector, ksTime interval)
{
    BRISKO_ASSERT(bool(selector), "Argument must be non-nil");
    BRISKO_ASSERT(interval >= 0, "Arguemnt must be positive");
    KSScheduler::sharedScheduler()->scheduleSelector(selector, this, interval, !isRunning_);
}

void KSNode::unschedule(SEL_SCHEDULE selector)
{
    if (!selector)
        return;
    KSScheduler::sharedScheduler()->unscheduleSelector(selector, this);
}

void KSNode::unscheduleAllSelectors()
{
    KSScheduler::sharedScheduler()->unscheduleAllSelectorsForTarget(this);
}

void KSNode::resumeSchedulerAndActions()
{
    KSScheduler::sharedScheduler()->resumeTarget(this);
    KSActionManager::sharedManager()->resumeTarget(this);
}

void KSNode::pauseSchedulerAndActions()
{
    KSScheduler::sharedScheduler()->pauseTarget(this);
    KSActionManager::sharedManager()->pauseTarget(this);
}

// Geometry --------------------------------------------------------------------

AffineTransform KSNode::nodeToParentTransform()
{
    Extras& extras = this->extras();
    if (extras.transformDirty_) {
        AffineTransform t;
        Point ap = anchorPointInPixels();
        bool anchorIsZero = ap == Point {};
        if (!isRelativeAnchorPoint_ && !anchorIsZero)
            t = t.translate(ap.x, ap.y);
        const Point position = positionInPixels();
        if (!(position == Point {}))
            t = t.translate(position.x, position.y);
        if (rotation_ != 0)
            t = t.rotate(-0.017453292f * rotation_);
        if (!(scaleX_ == 1 && scaleY_ == 1))
            t = t.scale(scaleX_, scaleY_);
        if (!anchorIsZero)
            t = t.translate(-ap.x, -ap.y);
        extras.transform_ = t;
        extras.transformDirty_ = false;
    }
    return extras.transform_;
}

AffineTransform KSNode::parentToNodeTransform()
{
    Extras& extras = this->extras();
    if (extras.inverseDirty_) {
        extras.inverse_ = nodeToParentTransform().inverted();
        extras.inverseDirty_ = false;
    }
    return extras.inverse_;
}

AffineTransform KSNode::nodeToWorldTransform()
{
    AffineTransform t = nodeToParentTransform();
    for (KSNode* p = parent_; p; p = p->parent_)
        t = t.concat(p->nodeToParentTransform());
    return t;
}

AffineTransform KSNode::worldToNodeTransform()
{
    return nodeToWorldTransform().inverted();
}

Rect KSNode::boundingBoxInPixels()
{
    const Size size = contentSizeInPixels();
    Rect r { 0, 0, size.width, size.height };
    return nodeToParentTransform().apply(r);
}

Rect KSNode::boundingBox()
{
    Rect r = boundingBoxInPixels();
    float f = ksContentScaleFactor();
    return { r.origin.x / f, r.origin.y / f, r.size.width / f, r.size.height / f };
}

Point KSNode::convertToNodeSpace(Point worldPoint)
{
    float f = ksContentScaleFactor();
    if (f == 1.0f)
        return worldToNodeTransform().apply(worldPoint);
    return worldToNodeTransform().apply(worldPoint * f) * (1.0f / f);
}

Point KSNode::convertToWorldSpace(Point nodePoint)
{
    float f = ksContentScaleFactor();
    if (f == 1.0f)
        return nodeToWorldTransform().apply(nodePoint);
    return nodeToWorldTransform().apply(nodePoint * f) * (1.0f / f);
}

Point KSNode::convertToNodeSpaceAR(Point worldPoint)
{
    return convertToNodeSpace(worldPoint) - ksPointPixelsToPoints(anchorPointInPixels());
}

Point KSNode::convertToWorldSpaceAR(Point nodePoint)
{
    return convertToWorldSpace(nodePoint + ksPointPixelsToPoints(anchorPointInPixels()));
}

Point KSNode::convertToWindowSpace(Point nodePoint)
{
    return KSDirector::sharedDirector()->convertToUI(convertToWorldSpace(nodePoint));
}

} // namespace kestrel
