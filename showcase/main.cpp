// The showcase: drives the engine's scheduler from a real-time run loop at 30
// frames per second and prints what each subscriber did, frame by frame.
#include "engine/KSScheduler.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/RunLoop.h"

#include <cstdio>
#include <string>

using namespace kestrel;
using platform::adoptRef;
using platform::Ref;

namespace {

// A subscriber that reports its calls: a per-frame update and a slower timer.
class Reporter : public platform::Object {
public:
    static Ref<Reporter> make(std::string name) { return adoptRef(new Reporter(std::move(name))); }
    void update(ksTime dt)
    {
        ++updates;
        total += dt;
    }
    void every(ksTime elapsed)
    {
        std::printf("  %-8s timer fired after %.3f s (updates so far: %d)\n", name.c_str(), elapsed, updates);
    }
    std::string name;
    int updates { 0 };
    double total { 0 };

private:
    explicit Reporter(std::string n) : name(std::move(n)) { }
};

} // namespace

int main()
{
    auto& loop = platform::RunLoop::main();
    KSScheduler* scheduler = KSScheduler::sharedScheduler();

    auto physics = Reporter::make("physics");
    auto hud = Reporter::make("hud");
    scheduler->scheduleUpdateForTarget(physics.get(), -1, false);
    scheduler->scheduleUpdateForTarget(hud.get(), 1, false);
    scheduler->scheduleSelector(BRISKO_SELECTOR(Reporter, every), physics.get(), 0.25f, false);
    scheduler->scheduleSelector(BRISKO_SELECTOR(Reporter, every), hud.get(), 0.5f, false);

    std::puts("scheduler: 1 s of frames at 1/30 s");
    double last = loop.now();
    int frames = 0;
    auto displayLink = loop.scheduleTimer(1.0 / 30, true, [&](platform::Timer& timer) {
        double now = loop.now();
        scheduler->tick(static_cast<ksTime>(now - last));
        last = now;
        if (++frames == 30) {
            timer.invalidate();
            loop.stop();
        }
    });
    loop.run();

    std::printf("scheduler: %d frames; physics updated %d times (%.2f s), hud %d times (%.2f s)\n", frames,
                physics->updates, physics->total, hud->updates, hud->total);
    KSScheduler::purgeSharedScheduler();
    return 0;
}
