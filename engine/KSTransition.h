// Transition scenes: a scene that joins an outgoing and an incoming scene and
// takes over their enter and exit calls while it runs. For now only the type
// the director tests for exists; the transitions themselves build on it.
#pragma once

#include "engine/KSScene.h"

namespace kestrel {

class KSTransitionScene : public KSScene {
public:
    std::string className() const override { return "KSTransitionScene"; }

protected:
    KSTransitionScene() = default;
};

} // namespace kestrel
