// Time sources of the run loop, in seconds as double.
//
// Programs use RealClock (monotonic). Tests use ManualClock and move time with
// advance(); nothing in a test sleeps. The wall-clock date is separate (Date.h).
#pragma once

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
    virtual bool isManual() const { return false; }
};

class RealClock final : public Clock {
public:
    double now() const override;
};

class ManualClock final : public Clock {
public:
    explicit ManualClock(double start = 0) : now_(start) { }
    double now() const override { return now_; }
    bool isManual() const override { return true; }
    void advance(double seconds) { now_ += seconds; }
    void set(double t) { now_ = t; }

private:
    double now_;
};

} // namespace platform
