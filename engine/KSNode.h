// The element of the scene graph: placement (position, anchor, size, scale,
// rotation, depth), children ordered by z-order, a tag for lookup, and the
// front door to the shared action manager and scheduler for whatever runs on it.
//
// Caveat: a node registers its actions and timers paused while it is not
// running; onEnter resumes them, onExit pauses them and only cleanup removes
// them. A node with running actions is kept alive by the action manager.
#pragma once

#include "engine/KSCamera.h"
#include "engine/KSGrid.h"
#include "engine/KSScheduler.h"
#include "engine/Support/KSArray.h"
#include "engine/ksTypes.h"
#include "platform/foundation/Object.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kestrel {

class KSAction;
class KSNode;

// The numeric properties a node class exposes by name (what the tween action
// drives). Each class builds one table from its base class's table plus its
// own entries, so a subclass answers every key of its ancestors.
class KSFloatProperties {
public:
    using Setter = void (*)(KSNode*, float);
    KSFloatProperties(const KSFloatProperties* base, std::initializer_list<std::pair<const char*, Setter>> own);
    // Null for a key the class does not expose.
    Setter find(std::string_view key) const;

private:
    std::unordered_map<std::string_view, Setter> setters_;
};

// A float clamped to 0...255 and truncated, for byte properties such as opacity.
GLubyte ksFloatToByte(float value);

} // namespace kestrel

namespace platform::ui {
class ActiveTouch;
}

namespace kestrel {

// Affine (a, b, c, d, tx, ty) as a column-major 4x4 GL matrix.
void ksAffineToGLMatrix(const AffineTransform& t, GLfloat m[16]);

class KSNode : public platform::Object {
public:
    [[nodiscard]] static platform::Ref<KSNode> node();
    virtual bool init();

    std::string description() const override;

    // Placement. Each setter marks the cached transforms dirty.
    float rotation() const { return rotation_; }
    // Inline: a subclass's override that adds to them inlines them too.
    virtual void setRotation(float degrees)
    {
        rotation_ = degrees;
        setDirty();
    }
    float scaleX() const { return scaleX_; }
    virtual void setScaleX(float s);
    float scaleY() const { return scaleY_; }
    virtual void setScaleY(float s);
    // Asserts that the two scales are equal.
    float scale() const;
    virtual void setScale(float s);
    Point position() const { return position_; }
    virtual void setPosition(Point p)
    {
        position_ = p;
        if (positionInPixelsApart_ || ksContentScaleFactor() != 1.0f)
            keepPositionInPixels(ksPointPointsToPixels(p));
        setDirty();
    }
    // Pixels equal points at a content scale of 1: only another scale keeps
    // them apart (in the on-demand block).
    Point positionInPixels() const { return positionInPixelsApart_ ? extras_->positionInPixels_ : position_; }
    virtual void setPositionInPixels(Point p);
    Point anchorPoint() const { return anchorPoint_; }
    virtual void setAnchorPoint(Point p);
    // Derived from the anchor point and the content size in pixels.
    Point anchorPointInPixels() const
    {
        const Size size = contentSizeInPixels();
        return { size.width * anchorPoint_.x, size.height * anchorPoint_.y };
    }
    Size contentSize() const { return contentSize_; }
    virtual void setContentSize(Size s);
    Size contentSizeInPixels() const
    {
        return contentSizeInPixelsApart_ ? extras_->contentSizeInPixels_ : contentSize_;
    }
    virtual void setContentSizeInPixels(Size s);
    bool isRelativeAnchorPoint() const { return isRelativeAnchorPoint_; }
    virtual void setIsRelativeAnchorPoint(bool relative);
    // Stored in pixels: the getter answers z x content scale factor.
    float vertexZ() const { return extras_ ? extras_->vertexZ_ : 0; }
    virtual void setVertexZ(float z);
    bool visible() const { return visible_; }
    virtual void setVisible(bool visible) { visible_ = visible; }

    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    void* userData() const { return extras_ ? extras_->userData_ : nullptr; }
    void setUserData(void* data);
    // Not retained: the parent owns its children.
    KSNode* parent() const { return parent_; }
    void setParent(KSNode* parent) { parent_ = parent; }
    int zOrder() const { return zOrder_; }
    KSArray* children() const { return children_.get(); }
    bool isRunning() const { return isRunning_; }

    // Children. The list is kept sorted by z-order; equal z keeps insertion order.
    virtual void addChild(KSNode* child, int z, int tag);
    void addChild(KSNode* child, int z);
    void addChild(KSNode* child);
    virtual void removeChild(KSNode* child, bool cleanup);
    void removeFromParentAndCleanup(bool cleanup);
    void removeChildByTag(int tag, bool cleanup);
    virtual void removeAllChildrenWithCleanup(bool cleanup);
    virtual void reorderChild(KSNode* child, int z);
    KSNode* getChildByTag(int tag) const;

    // Drawing: draw() in the node's own space; visit() walks the subtree by z-order.
    virtual void draw() { }
    virtual void visit();
    void transform();
    void transformAncestors();

    // Life cycle.
    virtual void onEnter();
    virtual void onEnterTransitionDidFinish();
    virtual void onExit();
    virtual void cleanup();

    // Actions, through the shared action manager.
    KSAction* runAction(KSAction* action);
    void stopAllActions();
    void stopAction(KSAction* action);
    void stopActionByTag(int tag);
    KSAction* getActionByTag(int tag) const;
    unsigned numberOfRunningActions() const;

    // Scheduling, through the shared scheduler.
    void scheduleUpdate();
    void scheduleUpdateWithPriority(int priority);
    void unscheduleUpdate();
    void schedule(SEL_SCHEDULE selector);
    void schedule(SEL_SCHEDULE selector, ksTime interval);
    void unschedule(SEL_SCHEDULE selector);
    void unscheduleAllSelectors();
    void resumeSchedulerAndActions();
    void pauseSchedulerAndActions();
    // Called every frame once scheduleUpdate was sent.
    virtual void update(ksTime /*dt*/) { }

    // Numeric properties by name, for the tween action. A node answers
    // "rotation", "scale", "scaleX", "scaleY" and "vertexZ"; subclasses add
    // theirs by overriding floatProperties(). An unknown key fails the assertion.
    void setFloatProperty(const std::string& key, float value);
    virtual const KSFloatProperties& floatProperties() const;

    // Geometry (pixels inside the transforms, points at the conversion functions).
    AffineTransform nodeToParentTransform();
    AffineTransform parentToNodeTransform();
    AffineTransform nodeToWorldTransform();
    AffineTransform worldToNodeTransform();
    Rect boundingBox();
    Rect boundingBoxInPixels();
    Point convertToNodeSpace(Point worldPoint);
    Point convertToWorldSpace(Point nodePoint);
    Point convertToNodeSpaceAR(Point worldPoint);
    Point convertToWorldSpaceAR(Point nodePoint);
    // A touch's location (in its view) in the node's space, from its corner / anchor point.
    Point convertTouchToNodeSpace(platform::ui::ActiveTouch* touch);
    Point convertTouchToNodeSpaceAR(platform::ui::ActiveTouch* touch);

    // The node's camera, made on first request. A moved (dirty) camera is
    // applied in transform(), about the anchor point.
    KSCamera* camera();
    // The grid effect (retained). While it is active the node and its children
    // render into the grid's texture, which is then drawn as the grid's mesh.
    KSGridBase* grid() const { return extras_ ? extras_->grid_.get() : nullptr; }
    void setGrid(KSGridBase* grid);
    Point convertToWindowSpace(Point nodePoint);

    // The cached GL matrix of nodeToParentTransform (refreshed by transform()).
    const GLfloat* transformGL();

protected:
    KSNode() = default;
    ~KSNode() override;

    // The cached transforms live in the on-demand block: without it there is nothing to mark.
    void setDirty()
    {
        if (extras_)
            extras_->transformDirty_ = extras_->inverseDirty_ = extras_->transformGLDirty_ = true;
    }
    // Whether any cached transform waits to be recomputed.
    bool transformsDirty() const
    {
        return !extras_ || extras_->transformDirty_ || extras_->inverseDirty_ || extras_->transformGLDirty_;
    }

    // What a frame of a moving node reads and writes, first and together.
    float rotation_ { 0 };
    float scaleX_ { 1 };
    float scaleY_ { 1 };
    Point position_ {};
    Point anchorPoint_ {};
    Size contentSize_ {};
    int zOrder_ { 0 };
    int tag_ { kKSNodeTagInvalid };
    KSNode* parent_ { nullptr };
    // What most nodes of a big scene never use, in a block made on first use:
    // the cached transforms (a batch-drawn sprite asks for none of them), the
    // depth, the camera, the grid, the user data, and the placement in pixels
    // where it differs from the one in points.
    struct Extras {
        AffineTransform transform_ {};
        AffineTransform inverse_ {};
        GLfloat transformGL_[16] {};
        float vertexZ_ { 0 };
        bool transformDirty_ { true };
        bool inverseDirty_ { true };
        bool transformGLDirty_ { true };
        Point positionInPixels_ {};
        Size contentSizeInPixels_ {};
        platform::Ref<KSCamera> camera_;
        platform::Ref<KSGridBase> grid_;
        void* userData_ { nullptr };
    };
    std::unique_ptr<Extras> extras_;
    // Not read by a frame of a batch-drawn sprite.
    platform::Ref<KSArray> children_;
    bool visible_ : 1 { true };
    bool isRelativeAnchorPoint_ : 1 { true };
    bool isRunning_ : 1 { false };

private:
    Extras& extras();
    // Keeps the placement in pixels beside the one in points while they differ.
    void keepPositionInPixels(Point pixels);
    void keepContentSizeInPixels(Size pixels);
    bool positionInPixelsApart_ : 1 { false };
    bool contentSizeInPixelsApart_ : 1 { false };
    void childrenAlloc();
    void insertChild(KSNode* child, int z);
    void detachChild(KSNode* child, bool cleanup);
    void setZOrder(int z) { zOrder_ = z; }
};

} // namespace kestrel
