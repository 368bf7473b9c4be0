// KSScene: a node sized to the window.
#include "engine/KSScene.h"

#include "engine/KSDirector.h"

namespace kestrel {

platform::Ref<KSScene> KSScene::node()
{
    auto s = platform::adoptRef(new KSScene);
    return s->init() ? s : nullptr;
}

bool KSScene::init()
{
    if (!KSNode::init())
        return false;
    setIsRelativeAnchorPoint(false);
    setAnchorPoint({ 0.5f, 0.5f });
    setContentSize(KSDirector::sharedDirector()->winSize());
    return true;
}

} // namespace kestrel
