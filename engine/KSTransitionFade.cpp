// KSTransitionFade (a colour layer fades in, the scenes swap under it, it
// fades out) and KSTransitionCrossFade (two render textures, the out-scene's
// faded away over the in-scene's).
#include "engine/KSTransitionFade.h"

#include "engine/KSActionInstant.h"
#include "engine/KSActionInterval.h"
#include "engine/KSDirector.h"
#include "engine/KSLayer.h"
#include "engine/KSRenderTexture.h"
#include "engine/KSSprite.h"

using platform::Ref;

namespace kestrel {

// KSTransitionFade --------------------------------------------------------------------------

Ref<KSTransitionFade> KSTransitionFade::transitionWithDuration(ksTime t, KSScene* scene, ksColor3B color)
{
    auto a = platform::adoptRef(new KSTransitionFade);
    return a->initWithDuration(t, scene, color) ? a : nullptr;
}

bool KSTransitionFade::initWithDuration(ksTime t, KSScene* scene)
{
    return initWithDuration(t, scene, ksColor3B { 0, 0, 0 });
}

bool KSTransitionFade::initWithDuration(ksTime t, KSScene* scene, ksColor3B color)
{
    if (!KSTransitionScene::initWithDuration(t, scene))
        return false;
    color_ = { color.r, color.g, color.b, 0 };
    return true;
}

void KSTransitionFade::onEnter()
{
    KSTransitionScene::onEnter();
    if (!isRunning())
        return; // the incoming scene ended the director as it entered
    auto layer = KSColorLayer::layerWithColor(color_);
    inScene_->setVisible(false);
    addChild(layer.get(), 2, kSceneFade);
    KSNode* f = getChildByTag(kSceneFade);
    auto in = KSFadeIn::actionWithDuration(duration_ / 2);
    auto swap = KSCallFunc::actionWithTarget(this, BRISKO_SELECTOR(KSTransitionScene, hideOutShowIn));
    auto out = KSFadeOut::actionWithDuration(duration_ / 2);
    auto finish = callFinish();
    f->runAction(KSSequence::actions({ in.get(), swap.get(), out.get(), finish.get() }).get());
}

void KSTransitionFade::onExit()
{
    KSTransitionScene::onExit();
    removeChildByTag(kSceneFade, true);
}

// KSTransitionCrossFade ---------------------------------------------------------------------

namespace {

// A window-sized render texture centred in the window, holding a picture of `scene`.
Ref<KSRenderTexture> pictureOf(KSScene* scene, Size size)
{
    auto texture = KSRenderTexture::renderTextureWithWidth(static_cast<int>(size.width), static_cast<int>(size.height));
    if (!texture)
        return nullptr;
    texture->sprite()->setAnchorPoint({ 0.5f, 0.5f });
    texture->setPosition({ size.width / 2, size.height / 2 });
    texture->setAnchorPoint({ 0.5f, 0.5f });
    texture->begin();
    if (scene)
        Ref<KSScene>(scene)->visit();
    texture->end();
    return texture;
}

} // namespace

void KSTransitionCrossFade::onEnter()
{
    KSTransitionScene::onEnter();
    if (!isRunning())
        return; // the incoming scene ended the director as it entered
    const Size size = KSDirector::sharedDirector()->winSize();
    auto layer = KSColorLayer::layerWithColor({ 0, 0, 0, 0 });
    auto inTexture = pictureOf(inScene_.get(), size);
    auto outTexture = isRunning() ? pictureOf(outScene_.get(), size) : nullptr;
    // A scene drawn into its picture may end the director (from its visit):
    // the transition left meanwhile and starts nothing that would hold it.
    if (!isRunning())
        return;
    if (!inTexture || !outTexture) {
        // No pictures to blend: still hand over after the transition's time.
        hideOutShowIn();
        auto wait = KSDelayTime::actionWithDuration(duration_);
        runAction(KSSequence::actions({ wait.get(), callFinish().get() }).get());
        return;
    }

    inTexture->sprite()->setBlendFunc({ GL_ONE, GL_ONE });
    outTexture->sprite()->setBlendFunc({ GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA });
    layer->addChild(inTexture.get());
    layer->addChild(outTexture.get());
    inTexture->sprite()->setOpacity(255);
    outTexture->sprite()->setOpacity(255);

    auto fade = KSFadeTo::actionWithDuration(duration_, 0);
    auto swap = KSCallFunc::actionWithTarget(this, BRISKO_SELECTOR(KSTransitionScene, hideOutShowIn));
    auto finish = callFinish();
    outTexture->sprite()->runAction(KSSequence::actions({ fade.get(), swap.get(), finish.get() }).get());
    addChild(layer.get(), 2, kSceneFade);
}

void KSTransitionCrossFade::onExit()
{
    removeChildByTag(kSceneFade, true);
    KSTransitionScene::onExit();
}

} // namespace kestrel
