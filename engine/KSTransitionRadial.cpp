// KSTransitionRadialCCW and KSTransitionRadialCW: a picture of the out-scene in
// a render texture, shown through a radial progress timer that runs from 100
// to 0 percent over the transition's duration.
#include "engine/KSTransitionRadial.h"

#include "engine/KSActionInstant.h"
#include "engine/KSActionInterval.h"
#include "engine/KSActionProgressTimer.h"
#include "engine/KSDirector.h"
#include "engine/KSProgressTimer.h"
#include "engine/KSRenderTexture.h"
#include "engine/KSSprite.h"

using platform::Ref;

namespace kestrel {

void KSTransitionRadialCCW::sceneOrder()
{
    inSceneOnTop_ = false;
}

int KSTransitionRadialCCW::radialType() const
{
    return kKSProgressTimerTypeRadialCCW;
}

int KSTransitionRadialCW::radialType() const
{
    return kKSProgressTimerTypeRadialCW;
}

void KSTransitionRadialCCW::onEnter()
{
    KSTransitionScene::onEnter();
    if (!isRunning())
        return; // the incoming scene ended the director as it entered
    const Size size = KSDirector::sharedDirector()->winSize();
    const Point centre(size.width / 2, size.height / 2);

    auto outTexture = KSRenderTexture::renderTextureWithWidth(static_cast<int>(size.width),
                                                              static_cast<int>(size.height));
    Ref<KSProgressTimer> node;
    if (outTexture) {
        outTexture->sprite()->setAnchorPoint({ 0.5f, 0.5f });
        outTexture->setPosition(centre);
        outTexture->setAnchorPoint({ 0.5f, 0.5f });
        outTexture->clear(0, 0, 0, 1);
        outTexture->begin();
        if (outScene_)
            Ref<KSScene>(outScene_)->visit();
        outTexture->end();
        // The scene's visit may have ended the director: the transition left
        // meanwhile and starts nothing that would hold it.
        if (!isRunning())
            return;
        node = KSProgressTimer::progressWithTexture(outTexture->sprite()->texture());
    }
    hideOutShowIn();
    if (!node) {
        // No picture to wipe: still hand over after the transition's time.
        auto wait = KSDelayTime::actionWithDuration(duration_);
        runAction(KSSequence::actions({ wait.get(), callFinish().get() }).get());
        return;
    }

    // The texture's rows run bottom up.
    node->sprite()->setFlipY(true);
    node->setType(radialType());
    node->setPercentage(100);
    node->setPosition(centre);
    node->setAnchorPoint({ 0.5f, 0.5f });
    auto wipe = KSProgressFromTo::actionWithDuration(duration_, 100, 0);
    node->runAction(KSSequence::actions({ wipe.get(), callFinish().get() }).get());
    addChild(node.get(), 2, kSceneRadial);
}

void KSTransitionRadialCCW::onExit()
{
    removeChildByTag(kSceneRadial, true);
    KSTransitionScene::onExit();
}

} // namespace kestrel
