// What every showcase scene shares: the director and its view, the folder the
// frames go to, and a runner that shows a scene for a number of frames, saving
// the frames asked for as PNG files.
#pragma once

#include "engine/KSScene.h"
#include "engine/platform/EAGLView.h"

#include <functional>
#include <set>
#include <string>

namespace showcase {

struct SceneRun {
    unsigned frames { 0 };          // frames drawn while the scene was on
    std::vector<std::string> saved; // file names of the saved frames
};

class Showcase {
public:
    explicit Showcase(std::string outputDir) : outputDir_(std::move(outputDir)) { }

    const std::string& outputDir() const { return outputDir_; }
    kestrel::EAGLView* view() const;

    // Runs (or replaces to) the scene and draws `frames` frames in real time,
    // saving those listed (1 = the scene's first frame) as NAME-FRAME.png.
    // `onFrame` is called after each frame is presented (frame number).
    SceneRun run(const std::string& name, kestrel::KSScene* scene, unsigned frames, const std::set<unsigned>& save,
                 const std::function<void(unsigned)>& onFrame = {});

private:
    std::string outputDir_;
};

// One function per scene: builds and runs it, answers the line to print.
std::string runEngineScene(Showcase& showcase);
std::string runSpriteSheetScene(Showcase& showcase);
std::string runSpriteBatchScene(Showcase& showcase);
std::string runParticleScene(Showcase& showcase);
std::string runTileMapScene(Showcase& showcase);
std::string runTransitionScene(Showcase& showcase);
std::string runMenuScene(Showcase& showcase);
std::string runProgressScene(Showcase& showcase);
// The social client: a signed leaderboard request to the stand-in service, drawn as a headless screen.
std::string runSocialScene(Showcase& showcase);

} // namespace showcase
