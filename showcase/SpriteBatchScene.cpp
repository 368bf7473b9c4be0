// The sprite-batch scene: 3,000 small sprites of one texture (a ball drawn in
// code) in one batch node, all moved by one scheduled update that bounces them
// off the edges of the window.
#include "Showcase.h"

#include "engine/KSDirector.h"
#include "engine/KSLayer.h"
#include "engine/KSSprite.h"
#include "engine/KSSpriteBatchNode.h"
#include "engine/KSTextureCache.h"
#include "platform/foundation/Format.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"

#include <cmath>
#include <vector>

namespace showcase {

using namespace kestrel;
using platform::Ref;

namespace {

constexpr unsigned kSprites = 3000;

Ref<KSTexture2D> ballTexture()
{
    auto context = platform::GraphicsContext::create(16, 16, platform::GraphicsContext::Format::RGBA);
    if (!context)
        return nullptr;
    context->setFillColor(1, 1, 1, 1);
    context->beginPath();
    context->addArc(8, 8, 7, 0, 2 * static_cast<float>(M_PI), false);
    context->fillPath();
    auto image = context->makeImage();
    return image ? KSTextureCache::sharedTextureCache()->addCGImage(image.get(), "showcase-ball") : nullptr;
}

// Owns the batch node and the velocities; one update moves every sprite.
class BouncingLayer : public KSLayer {
public:
    static Ref<BouncingLayer> make(KSTexture2D* texture)
    {
        auto l = platform::adoptRef(new BouncingLayer);
        if (!l->init())
            return nullptr;
        l->batch_ = KSSpriteBatchNode::batchNodeWithTexture(texture, kSprites);
        if (!l->batch_)
            return nullptr;
        l->addChild(l->batch_.get());
        l->size_ = KSDirector::sharedDirector()->winSize();
        uint32_t seed = 12345;
        auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8 & 0xFFFF; };
        for (unsigned i = 0; i < kSprites; ++i) {
            auto sprite = KSSprite::spriteWithTexture(texture);
            sprite->setPosition({ static_cast<float>(next() % static_cast<unsigned>(l->size_.width)),
                                  static_cast<float>(next() % static_cast<unsigned>(l->size_.height)) });
            sprite->setColor({ static_cast<GLubyte>(80 + next() % 176), static_cast<GLubyte>(80 + next() % 176),
                               static_cast<GLubyte>(80 + next() % 176) });
            sprite->setScale(0.3f + static_cast<float>(next() % 100) / 400);
            const float angle = static_cast<float>(next() % 628) / 100;
            const float speed = 40 + static_cast<float>(next() % 120);
            l->velocities_.push_back({ speed * std::cos(angle), speed * std::sin(angle) });
            l->batch_->addChild(sprite.get());
            l->sprites_.push_back(sprite.get());
        }
        l->scheduleUpdate();
        return l;
    }

    void update(ksTime dt) override
    {
        for (size_t i = 0; i < sprites_.size(); ++i) {
            KSSprite* sprite = sprites_[i];
            Point& v = velocities_[i];
            Point p = sprite->position();
            p.x += v.x * dt;
            p.y += v.y * dt;
            if ((p.x < 0 && v.x < 0) || (p.x > size_.width && v.x > 0))
                v.x = -v.x;
            if ((p.y < 0 && v.y < 0) || (p.y > size_.height && v.y > 0))
                v.y = -v.y;
            sprite->setPosition(p);
        }
        ++updates;
    }

    KSSpriteBatchNode* batch() const { return batch_.get(); }
    unsigned updates { 0 };

private:
    BouncingLayer() = default;
    Ref<KSSpriteBatchNode> batch_;
    // The batch node's children, in the order of their velocities.
    std::vector<KSSprite*> sprites_;
    std::vector<Point> velocities_;
    Size size_;
};

} // namespace

std::string runSpriteBatchScene(Showcase& showcase)
{
    auto texture = ballTexture();
    auto layer = texture ? BouncingLayer::make(texture.get()) : nullptr;
    if (!layer)
        return showcase.failed("sprite batch: cannot make the sprites");
    auto scene = KSScene::node();
    scene->addChild(KSColorLayer::layerWithColor({ 10, 10, 30, 255 }).get(), 0);
    scene->addChild(layer.get(), 1);

    auto run = showcase.run("sprite-batch", scene.get(), 30, { 1, 30 });
    std::string saved;
    for (const auto& f : run.saved)
        saved += (saved.empty() ? "" : ", ") + f;
    return platform::format("sprite batch: %u frames, %zu sprites in one batch node, %u updates; saved %s", run.frames,
                            static_cast<size_t>(layer->batch()->children()->count()), layer->updates, saved.c_str());
}

} // namespace showcase
