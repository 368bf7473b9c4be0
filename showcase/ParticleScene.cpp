// The particle scene: the fire preset burning at the bottom of the window and
// an explosion at the centre that removes itself when its last particle dies;
// a layer adds a fresh one every second. Both draw resources/fire.png.
#include "Showcase.h"

#include "engine/KSDirector.h"
#include "engine/KSLayer.h"
#include "engine/KSParticleExamples.h"
#include "platform/foundation/Format.h"

namespace showcase {

using namespace kestrel;
using platform::Ref;

namespace {

class ExplodingLayer : public KSLayer {
public:
    static Ref<ExplodingLayer> make()
    {
        auto l = platform::adoptRef(new ExplodingLayer);
        if (!l->init())
            return nullptr;
        l->explode(0);
        l->schedule(BRISKO_SELECTOR(ExplodingLayer, explode), 1.0);
        return l;
    }

    void explode(ksTime)
    {
        auto explosion = KSParticleExplosion::node();
        if (!explosion)
            return;
        const Size size = KSDirector::sharedDirector()->winSize();
        explosion->setPosition({ size.width / 2, size.height / 2 });
        explosion->setAutoRemoveOnFinish(true);
        addChild(explosion.get(), 1);
        ++explosions;
    }

    unsigned explosions { 0 };

private:
    ExplodingLayer() = default;
};

} // namespace

std::string runParticleScene(Showcase& showcase)
{
    auto fire = KSParticleFire::node();
    auto explosions = ExplodingLayer::make();
    if (!fire || !explosions)
        return showcase.failed("particles: cannot make the systems (is fire.png in the resources?)");
    auto scene = KSScene::node();
    scene->addChild(KSColorLayer::layerWithColor({ 0, 0, 0, 255 }).get(), 0);
    scene->addChild(fire.get(), 1);
    scene->addChild(explosions.get(), 2);

    unsigned peak = 0;
    auto run = showcase.run("particles", scene.get(), 45, { 10, 35, 45 }, [&](unsigned) {
        peak = std::max(peak, fire->particleCount());
    });
    std::string saved;
    for (const auto& f : run.saved)
        saved += (saved.empty() ? "" : ", ") + f;
    // Explosion particles live 3 to 7 s, so the self-removal shows only in longer runs.
    return platform::format("particles: %u frames, fire (up to %u particles), %u explosions added one a second, "
                            "%u still burning; saved %s",
                            run.frames, peak, explosions->explosions, explosions->children()->count(), saved.c_str());
}

} // namespace showcase
