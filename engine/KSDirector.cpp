// The director singleton: window size and coordinate conversions used by nodes
// and actions.
#include "engine/KSDirector.h"

#include "platform/foundation/Exception.h"

namespace kestrel {

namespace {
KSDirector* sharedInstance = nullptr;

class KSDirectorPortrait final : public KSDirector {
public:
    std::string className() const override { return "KSDirector"; }
};
} // namespace

KSDirector* KSDirector::sharedDirector()
{
    if (!sharedInstance)
        sharedInstance = new KSDirectorPortrait;
    return sharedInstance;
}

void KSDirector::purgeSharedDirector()
{
    if (KSDirector* d = sharedInstance) {
        sharedInstance = nullptr;
        d->release();
    }
}

KSDirector::~KSDirector()
{
    if (sharedInstance == this)
        sharedInstance = nullptr;
}

void KSDirector::setWinSizeInPixels(Size pixels)
{
    winSizeInPixels_ = pixels;
    winSizeInPoints_ = ksSizePixelsToPoints(pixels);
}

Point KSDirector::convertToGL(Point uiPoint) const
{
    return { uiPoint.x, winSize().height - uiPoint.y };
}

Point KSDirector::convertToUI(Point glPoint) const
{
    return { glPoint.x, winSize().height - glPoint.y };
}

} // namespace kestrel
