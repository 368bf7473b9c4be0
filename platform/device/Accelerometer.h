// The accelerometer: one shared instance with a delegate (not retained) that
// receives each sample. Nothing measures anything here: tests and programs
// inject samples, which reach the delegate at once on the calling thread.
#pragma once

#include "platform/foundation/Object.h"

namespace platform::ui {

class Accelerometer;

// One reading in g along the device's axes, stamped with the main loop's clock.
class Acceleration : public Object {
public:
    double x() const { return x_; }
    double y() const { return y_; }
    double z() const { return z_; }
    double timestamp() const { return timestamp_; }
    std::string className() const override { return "Acceleration"; }

private:
    friend class Accelerometer;
    Acceleration() = default;
    double x_ { 0 }, y_ { 0 }, z_ { 0 }, timestamp_ { 0 };
};

class AccelerometerDelegate {
public:
    virtual void accelerometer(Accelerometer* accelerometer, Acceleration* acceleration) = 0;

protected:
    ~AccelerometerDelegate() = default;
};

class Accelerometer {
public:
    static Accelerometer& sharedAccelerometer();

    AccelerometerDelegate* delegate() const { return delegate_; }
    // Not retained: the delegate clears itself before it goes away.
    void setDelegate(AccelerometerDelegate* delegate) { delegate_ = delegate; }
    double updateInterval() const { return updateInterval_; }
    void setUpdateInterval(double seconds) { updateInterval_ = seconds; }

    // Hands one sample to the delegate; answers whether there was one.
    bool injectSample(double x, double y, double z);

    void reset();

private:
    Accelerometer() = default;
    AccelerometerDelegate* delegate_ { nullptr };
    double updateInterval_ { 0.01 };
};

} // namespace platform::ui
