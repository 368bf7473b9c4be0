// Touch objects and the injector: sets per phase, one object per finger,
// locations in the receiving view's coordinates; and accelerometer samples.
#include "platform/device/Accelerometer.h"
#include "platform/ui/Touches.h"
#include "platform/ui/Window.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace platform::ui;
using platform::Ref;

namespace {

class TouchInjectorTest : public testing_support::ManualClockTest { };

TEST_F(TouchInjectorTest, DeliversWholeSetsInTheViewsCoordinatesWithOneObjectPerFinger)
{
    class Recorder : public platform::ui::View {
    public:
        void touchesBeganWithEvent(const TouchSet& touches, Event* event) override
        {
            began = touches.count();
            first = touches.anyObject();
            location = first->locationInView(this);
            eventTouches = event->allTouches().count();
        }
        void touchesMovedWithEvent(const TouchSet& touches, Event*) override
        {
            sameObject = touches.anyObject() == first;
            previous = touches.anyObject()->previousLocationInView(this);
        }
        size_t began { 0 }, eventTouches { 0 };
        ActiveTouch* first { nullptr };
        bool sameObject { false };
        platform::Point location, previous;
    };
    auto window = platform::ui::Window::windowWithFrame({ 0, 0, 320, 480 });
    auto view = platform::adoptRef(new Recorder);
    view->initWithFrame({ 10, 20, 100, 100 });
    window->addSubview(view.get());
    auto touches = TouchInjector::begin(view.get(), { { 5, 6 }, { 50, 60 } });
    EXPECT_EQ(view->began, 2u);
    EXPECT_EQ(view->eventTouches, 2u);
    EXPECT_EQ(view->location, platform::Point(5, 6));
    EXPECT_EQ(touches[0]->locationInView(nullptr), platform::Point(15, 26));
    TouchInjector::move(touches[0].get(), { 7, 8 });
    EXPECT_TRUE(view->sameObject);
    EXPECT_EQ(view->previous, platform::Point(5, 6));
}

TEST_F(TouchInjectorTest, AccelerometerSamplesReachTheDelegateOnlyWhileOneIsSet)
{
    struct Listener : AccelerometerDelegate {
        void accelerometer(Accelerometer*, Acceleration* a) override { x = a->x(); z = a->z(); ++samples; }
        double x { 0 }, z { 0 };
        int samples { 0 };
    } listener;
    auto& accelerometer = Accelerometer::sharedAccelerometer();
    EXPECT_FALSE(accelerometer.injectSample(1, 0, 0));
    accelerometer.setDelegate(&listener);
    EXPECT_TRUE(accelerometer.injectSample(0.5, 0, -1));
    EXPECT_EQ(listener.samples, 1);
    EXPECT_EQ(listener.x, 0.5);
    EXPECT_EQ(listener.z, -1);
    accelerometer.reset();
    EXPECT_EQ(accelerometer.delegate(), nullptr);
}

} // namespace
