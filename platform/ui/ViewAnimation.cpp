// View animation blocks: begin/commit pairs that record a name, a duration and
// a did-stop selector. Final values apply at once; the selector runs when the
// delay and duration have passed on the main run loop.
#include "platform/ui/View.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"

#include <algorithm>
#include <list>

namespace platform::ui {

namespace {

struct Block {
    std::string name;
    void* context { nullptr };
    double duration { 0.2 };
    double delay { 0 };
    Ref<Object> delegate;
    View::WillStartSelector willStart;
    View::DidStopSelector didStop;
};

struct Running {
    uint64_t id;
    View::RunningAnimation info;
    Ref<Timer> timer; // invalid once fired or dropped with the loop's timers
};

std::vector<Block>& openBlocks()
{
    static std::vector<Block> blocks;
    return blocks;
}

std::list<Running>& running()
{
    static std::list<Running> list;
    return list;
}

bool animationsEnabled = true;
uint64_t nextId = 1;

Block* top()
{
    auto& blocks = openBlocks();
    return blocks.empty() ? nullptr : &blocks.back();
}

} // namespace

void View::beginAnimations(const std::string& name, void* context)
{
    Block b;
    b.name = name;
    b.context = context;
    openBlocks().push_back(std::move(b));
}

void View::commitAnimations()
{
    auto& blocks = openBlocks();
    if (blocks.empty()) {
        logWarning("View: commitAnimations without beginAnimations");
        return;
    }
    Block b = std::move(blocks.back());
    blocks.pop_back();

    RunLoop& loop = RunLoop::main();
    uint64_t id = nextId++;
    double total = b.delay + b.duration;
    running().push_back({ id, { b.name, b.duration, loop.now() + total }, nullptr });
    auto entry = std::prev(running().end());

    if (b.willStart && b.delegate)
        b.willStart.invoke(b.delegate.get(), b.name, b.context);
    entry->timer = loop.performAfter(total, [b = std::move(b), id] {
        auto& list = running();
        list.remove_if([id](const Running& r) { return r.id == id; });
        if (b.didStop && b.delegate)
            b.didStop.invoke(b.delegate.get(), b.name, true, b.context);
    });
}

void View::setAnimationDuration(double seconds) { if (auto* b = top()) b->duration = std::max(0.0, seconds); }
void View::setAnimationDelay(double seconds) { if (auto* b = top()) b->delay = std::max(0.0, seconds); }
void View::setAnimationCurve(AnimationCurve) { }
void View::setAnimationBeginsFromCurrentState(bool) { }
void View::setAnimationDelegate(Object* delegate) { if (auto* b = top()) b->delegate = delegate; }
void View::setAnimationWillStartSelector(WillStartSelector s) { if (auto* b = top()) b->willStart = s; }
void View::setAnimationDidStopSelector(DidStopSelector s) { if (auto* b = top()) b->didStop = s; }
void View::setAnimationsEnabled(bool enabled) { animationsEnabled = enabled; }
bool View::areAnimationsEnabled() { return animationsEnabled; }
bool View::isAnimating() { return !openBlocks().empty(); }

std::vector<View::RunningAnimation> View::runningAnimations()
{
    std::vector<RunningAnimation> out;
    running().remove_if([](const Running& r) { return !r.timer || !r.timer->isValid(); });
    for (auto& r : running())
        out.push_back(r.info);
    return out;
}

} // namespace platform::ui
