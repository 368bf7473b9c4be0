// KSCamera: the rest position and the look-at step of a node's transform.
#include "engine/KSCamera.h"

#include "engine/KSDirector.h"
#include "platform/foundation/Format.h"

#include <cfloat>

namespace kestrel {

platform::Ref<KSCamera> KSCamera::camera()
{
    auto c = platform::adoptRef(new KSCamera);
    return c->init() ? c : nullptr;
}

bool KSCamera::init()
{
    restore();
    return true;
}

float KSCamera::getZEye() { return FLT_EPSILON; }

void KSCamera::restore()
{
    eyeX_ = eyeY_ = 0;
    eyeZ_ = getZEye();
    centerX_ = centerY_ = centerZ_ = 0;
    upX_ = 0;
    upY_ = 1;
    upZ_ = 0;
    dirty_ = false;
}

void KSCamera::locate()
{
    if (dirty_)
        ksGLLookAt(eyeX_, eyeY_, eyeZ_, centerX_, centerY_, centerZ_, upX_, upY_, upZ_);
}

void KSCamera::setEyeX(float x, float y, float z)
{
    eyeX_ = x;
    eyeY_ = y;
    eyeZ_ = z;
    dirty_ = true;
}

void KSCamera::setCenterX(float x, float y, float z)
{
    centerX_ = x;
    centerY_ = y;
    centerZ_ = z;
    dirty_ = true;
}

void KSCamera::setUpX(float x, float y, float z)
{
    upX_ = x;
    upY_ = y;
    upZ_ = z;
    dirty_ = true;
}

void KSCamera::eyeX(float* x, float* y, float* z) const
{
    *x = eyeX_;
    *y = eyeY_;
    *z = eyeZ_;
}

void KSCamera::centerX(float* x, float* y, float* z) const
{
    *x = centerX_;
    *y = centerY_;
    *z = centerZ_;
}

void KSCamera::upX(float* x, float* y, float* z) const
{
    *x = upX_;
    *y = upY_;
    *z = upZ_;
}

std::string KSCamera::description() const
{
    return platform::format("<%s = %s | center = (%.2f,%.2f,%.2f)>", className().c_str(),
                            platform::addressString(this).c_str(), centerX_, centerY_, centerZ_);
}

} // namespace kestrel
