// What every showcase scene shares: the director and its view, the folder the
// frames go to, and a runner that shows a scene for a number of frames, saving
// the frames asked for as PNG files. Unless run in real time, the main loop is
// on a manual clock that the runner moves one frame interval at a time, so the
// frames are the same on every run and the program goes as fast as it can.
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
    Showcase(std::string outputDir, bool realTime) : outputDir_(std::move(outputDir)), realTime_(realTime) { }

    const std::string& outputDir() const { return outputDir_; }
    kestrel::EAGLView* view() const;

    // Runs (or replaces to) the scene and draws `frames` frames, saving those
    // listed (1 = the scene's first frame) as NAME-FRAME.png. `onFrame` is
    // called after each frame is presented (frame number). Fewer frames than
    // asked, or a frame that cannot be saved, is a failure.
    SceneRun run(const std::string& name, kestrel::KSScene* scene, unsigned frames, const std::set<unsigned>& save,
                 const std::function<void(unsigned)>& onFrame = {});
    // Lets frames run until done() answers true (at most `seconds` of showcase
    // time); answers done(), and records `what` as a failure when it is false.
    bool runUntil(const std::string& what, const std::function<bool()>& done, double seconds);

    void fail(const std::string& reason) { failures_.push_back(reason); }
    // Records the reason as a failure and answers it (the scene's line).
    std::string failed(const std::string& reason)
    {
        fail(reason);
        return reason;
    }
    const std::vector<std::string>& failures() const { return failures_; }

private:
    // One frame interval of showcase time: virtual, or real in real time.
    void step();

    std::string outputDir_;
    bool realTime_ { false };
    std::vector<std::string> failures_;
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
