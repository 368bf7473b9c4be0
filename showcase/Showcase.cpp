// The scene runner of the showcase: frames on the real clock, captures to PNG.
#include "Showcase.h"

#include "engine/KSDirector.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/Image.h"

#include <cstdio>
#include <fstream>

namespace showcase {

kestrel::EAGLView* Showcase::view() const { return kestrel::KSDirector::sharedDirector()->openGLView(); }

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
            if (auto image = v.readFrame()) {
                if (auto png = image->pngData()) {
                    std::ofstream out(outputDir_ + "/" + file, std::ios::binary);
                    out.write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
                    if (out)
                        result.saved.push_back(file);
                }
            }
        }
        if (onFrame)
            onFrame(frame);
    });
    if (director->runningScene())
        director->replaceScene(scene);
    else
        director->runWithScene(scene);
    // Generous: the frames themselves take frames x the animation interval.
    double timeout = 5 + frames * director->animationInterval() * 2;
    platform::RunLoop::main().runUntil([&] { return result.frames >= frames; }, timeout);
    glView->setCaptureHook({});
    return result;
}

} // namespace showcase
