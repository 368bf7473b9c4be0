// The motion streak: a scheduled node feeding its world position to a ribbon.
#include "engine/KSMotionStreak.h"

#include "engine/Support/PointMath.h"

namespace kestrel {

using platform::Ref;

Ref<KSMotionStreak> KSMotionStreak::streakWithFade(float fade, float minSeg, const std::string& image, float width,
                                                   float length, ksColor4B color)
{
    auto streak = adoptRef(new KSMotionStreak);
    return streak->initWithFade(fade, minSeg, image, width, length, color) ? streak : nullptr;
}

bool KSMotionStreak::initWithFade(float fade, float minSeg, const std::string& image, float width, float length,
                                  ksColor4B color)
{
    if (!KSNode::init())
        return false;
    segThreshold_ = minSeg;
    width_ = width;
    lastLocation_ = Point();
    Ref<KSRibbon> ribbon = KSRibbon::ribbonWithWidth(width, image, length, color, fade);
    if (!ribbon)
        return false;
    ribbon_ = ribbon.get();
    addChild(ribbon_);
    scheduleUpdate();
    return true;
}

void KSMotionStreak::update(ksTime dt)
{
    if (!ribbon_)
        return;
    const Point location = convertToWorldSpace(Point());
    ribbon_->setPosition(Point(-location.x, -location.y));
    if (ksPointDistance(lastLocation_, location) > segThreshold_) {
        ribbon_->addPointAt(location, width_);
        lastLocation_ = location;
    }
    ribbon_->update(dt);
}

void KSMotionStreak::removeChild(KSNode* child, bool cleanup)
{
    if (child && child == ribbon_ && child->parent() == this)
        ribbon_ = nullptr;
    KSNode::removeChild(child, cleanup);
}

void KSMotionStreak::removeAllChildrenWithCleanup(bool cleanup)
{
    ribbon_ = nullptr;
    KSNode::removeAllChildrenWithCleanup(cleanup);
}

void KSMotionStreak::setTexture(KSTexture2D* texture)
{
    if (ribbon_)
        ribbon_->setTexture(texture);
}

ksBlendFunc KSMotionStreak::blendFunc() const
{
    // Without its ribbon the streak draws nothing; the ribbon's default stands.
    return ribbon_ ? ribbon_->blendFunc() : ksBlendFunc { GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA };
}

void KSMotionStreak::setBlendFunc(ksBlendFunc blendFunc)
{
    if (ribbon_)
        ribbon_->setBlendFunc(blendFunc);
}

} // namespace kestrel
