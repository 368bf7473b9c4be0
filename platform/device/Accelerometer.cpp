// Accelerometer: the shared instance and sample injection.
#include "platform/device/Accelerometer.h"

#include "platform/foundation/RunLoop.h"

namespace platform::ui {

Accelerometer& Accelerometer::sharedAccelerometer()
{
    static Accelerometer instance;
    return instance;
}

bool Accelerometer::injectSample(double x, double y, double z)
{
    if (!delegate_)
        return false;
    auto sample = adoptRef(new Acceleration);
    sample->x_ = x;
    sample->y_ = y;
    sample->z_ = z;
    sample->timestamp_ = RunLoop::main().now();
    delegate_->accelerometer(this, sample.get());
    return true;
}

void Accelerometer::reset()
{
    delegate_ = nullptr;
    updateInterval_ = 0.01;
}

} // namespace platform::ui
