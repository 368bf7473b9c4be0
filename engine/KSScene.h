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

protected:
    KSScene() = default;
};

} // namespace kestrel
