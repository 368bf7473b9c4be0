// Fixtures for the director tests: a GL view sharing the test context, a
// director of the chosen loop on the manual clock, scenes that record their
// life cycle into a journal, and a clean slate of shared objects per test.
#pragma once

#include "TextureTestSupport.h"

#include "engine/KSLayer.h"
#include "engine/KSScene.h"
#include "engine/platform/EAGLView.h"
#include "engine/platform/KSDirectorIOS.h"

#include <functional>
#include <string>
#include <vector>

namespace director_test {

using platform::Ref;

class RecordingScene : public kestrel::KSScene {
public:
    static Ref<RecordingScene> make(std::string name, std::vector<std::string>* journal);
    void onEnter() override;
    void onEnterTransitionDidFinish() override;
    void onExit() override;
    void cleanup() override;
    void visit() override;
    // A callback for actions (a call-func) that does nothing.
    void calledBack() { }
    std::string name;
    // Called after the scene's own onEnter and onEnterTransitionDidFinish,
    // inside its onExit and cleanup, and at the start of its visit.
    std::function<void()> whenEntered, whenFinished, whenExiting, whenCleaned, whenVisited;

private:
    RecordingScene() = default;
    std::vector<std::string>* journal_ { nullptr };
};

class DirectorTest : public texture_test::GLTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The director of the given loop type (made now).
    kestrel::KSDirectorIOS* director(int type = kestrel::kKSDirectorTypeNSTimer);
    // A view of the given size in points sharing the test's context.
    Ref<kestrel::EAGLView> makeView(float width = 320, float height = 480,
                                    const std::string& format = kestrel::kEAGLColorFormatRGB565, GLuint depth = 0);
    // The director with a view attached (GL defaults set).
    kestrel::KSDirectorIOS* directorWithView(int type = kestrel::kKSDirectorTypeNSTimer, float width = 320,
                                             float height = 480);
    // Copies the shipped frame-rate character map into the test's bundle.
    void installFPSImages();
    // Runs 1/60 s frames until the director runs `scene` (at most `limit`
    // frames); answers how many it took, or -1.
    int runUntilRunning(kestrel::KSScene* scene, int limit = 400);

    std::vector<std::string> journal;
};

} // namespace director_test
