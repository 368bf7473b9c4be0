// CGPointObject: ratio, offset and child link of one parallax child.
#include "engine/Support/CGPointObject.h"

namespace kestrel {

platform::Ref<CGPointObject> CGPointObject::pointWithCGPoint(platform::Point ratio, platform::Point offset)
{
    auto p = platform::adoptRef(new CGPointObject);
    return p->initWithCGPoint(ratio, offset) ? p : nullptr;
}

bool CGPointObject::initWithCGPoint(platform::Point ratio, platform::Point offset)
{
    ratio_ = ratio;
    offset_ = offset;
    return true;
}

platform::Point CGPointObject::ratio() const
{
    std::lock_guard guard(lock_);
    return ratio_;
}

void CGPointObject::setRatio(platform::Point ratio)
{
    std::lock_guard guard(lock_);
    ratio_ = ratio;
}

platform::Point CGPointObject::offset() const
{
    std::lock_guard guard(lock_);
    return offset_;
}

void CGPointObject::setOffset(platform::Point offset)
{
    std::lock_guard guard(lock_);
    offset_ = offset;
}

} // namespace kestrel
