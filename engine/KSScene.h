// The root node of one screen: full-window, anchored at its centre, placed at
// the origin. The director runs, pushes and replaces scenes.
#pragma once

#include "engine/KSNode.h"

namespace kestrel {

class KSScene : public KSNode {
public:
    [[nodiscard]] static platform::Ref<KSScene> node();
    bool init() override;
    std::string className() const override { return "KSScene"; }

    // The life-cycle calls as the director and the transitions send them.
    // A scene's callbacks may end the director or ask for other scenes, so
    // the same scene can be reached again while it is still in a call: each
    // call comes once per entry. No onExit to a scene that is not entered or
    // is in its onExit already, no onEnterTransitionDidFinish twice or to a
    // scene that is not entered, one cleanup until the scene enters again,
    // and no onEnter to an entered scene.
    void enterScene();
    void finishEnteringScene();
    void exitScene();
    void cleanupScene();
    // Inside its onExit, sent through exitScene.
    bool isExiting() const { return exiting_; }

protected:
    KSScene() = default;

private:
    bool entered_ { false }; // by enterScene, until exitScene
    bool exiting_ { false };
    bool toldFinished_ { false };
    bool cleanedUp_ { false };
};

} // namespace kestrel
