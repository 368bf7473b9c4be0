// The scene runner of the showcase: frames on the manual clock (or the real one),
// captures to PNG, and the failures the program reports in its exit status.
#include "Showcase.h"

#include "engine/KSDirector.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/Image.h"

#include <cstdio>
#include <fstream>

namespace showcase {

kestrel::EAGLView* Showcase::view() const { return kestrel::KSDirector::sharedDirector()->openGLView(); }

void Showcase::step()
{
    double interval = kestrel::KSDirector::sharedDirector()->animationInterval();
    if (realTime_)
        platform::RunLoop::main().runUntil([] { return false; }, interval);
    else
        platform::RunLoop::main().advance(interval);
}

bool Showcase::runUntil(const std::string& what, const std::function<bool()>& done, double seconds)
{
    double interval = kestrel::KSDirector::sharedDirector()->animationInterval();
    for (double t = 0; !done() && t < seconds; t += interval)
        step();
    if (done())
        return true;
    fail(what);
    return false;
}

SceneRun Showcase::run(const std::string& name, kestrel::KSScene* scene, unsigned frames,
                       const std::set<unsigned>& save, const std::function<void(unsigned)>& onFrame)
{
    kestrel::KSDirector* director = kestrel::KSDirector::sharedDirector();
    SceneRun result;
    kestrel::EAGLView* glView = view();
    // The switch happens at the next frame: count from the frame that shows the scene.
    glView->setCaptureHook([&](kestrel::EAGLView& v) {
        if (director->runningScene() != scene)
            return;
        unsigned frame = ++result.frames;
        if (save.count(frame)) {
            std::string file = platform::format("%s-%03u.png", name.c_str(), frame);
            auto image = v.readFrame();
            auto png = image ? image->pngData() : std::nullopt;
            bool written = false;
            if (png) {
                std::ofstream out(outputDir_ + "/" + file, std::ios::binary);
                out.write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
                written = static_cast<bool>(out.flush());
            }
            if (written)
                result.saved.push_back(file);
            else
                fail(name + ": cannot save " + file);
        }
        if (onFrame)
            onFrame(frame);
    });
    if (director->runningScene())
        director->replaceScene(scene);
    else
        director->runWithScene(scene);
    // Generous: the frames themselves take frames x the animation interval.
    double interval = director->animationInterval();
    double limit = 5 + frames * interval * 2;
    for (double t = 0; result.frames < frames && t < limit; t += interval)
        step();
    glView->setCaptureHook({});
    if (result.frames < frames)
        fail(platform::format("%s: drew %u of %u frames", name.c_str(), result.frames, frames));
    return result;
}

} // namespace showcase
