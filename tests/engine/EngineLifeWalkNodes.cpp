// The roads of the engine's walk (EngineLifeWalk.h) that change nodes and
// textures: plain nodes, sprites and batch nodes with children added to any
// scene on the stack (on show or under it), taken off with and without
// cleanup and added again, nodes that take themselves off or stop their own
// timers from inside them; background loads (some whose scene goes before
// they finish), a synchronous load of the same file beside a background
// one, cache purges and memory warnings.
#include "EngineLifeWalk.h"

#include "engine/KSDirector.h"
#include "engine/KSTextureCache.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/RunLoop.h"

using namespace kestrel;

namespace engine_walk {

std::atomic<int> gTicketsOffMain { 0 };

namespace {

// The target of one background load: holds the scene waiting for it (as a
// game's scene would be held) and says which file it asked for. It must die
// on the main thread, where the scene may go with it.
class LoadTicket : public platform::Object {
public:
    LoadTicket(WalkScene* scene, std::string name) : scene_(scene), name_(std::move(name)) { }
    ~LoadTicket() override
    {
        if (!platform::RunLoop::isMainThread())
            ++gTicketsOffMain;
    }
    void loaded(KSTexture2D* texture) { scene_->loaded(name_, texture); }

private:
    Ref<WalkScene> scene_;
    std::string name_;
};

// The walk's own changes to its nodes are not an action's.
class Building {
public:
    explicit Building(bool& flag) : flag_(flag), was_(std::exchange(flag, true)) { }
    ~Building() { flag_ = was_; }
    Building(const Building&) = delete;
    Building& operator=(const Building&) = delete;

private:
    bool& flag_;
    bool was_;
};

template <class Node>
void startWatching(Node* node, EngineLifeWalk* walk, const std::string& label, bool timer)
{
    node->watch.walk = walk;
    node->watch.label = label;
    if (timer)
        node->schedule(BRISKO_SELECTOR(Node, tick));
}

// The watched nodes of a scene other than its body.
std::vector<KSNode*> watchedNodesOf(WalkScene* scene)
{
    std::vector<KSNode*> nodes;
    forEachWatched(scene, [&](KSNode* node, Watch&) {
        if (node != scene->body)
            nodes.push_back(node);
    });
    return nodes;
}

} // namespace

void EngineLifeWalk::changeNodes()
{
    // Mostly the scene on show (where timers and actions run), some under it.
    Ref<WalkScene> scene(draw(3) ? onShow() : anyStackedScene());
    if (!scene || ended)
        return;
    Building building(this->building);
    std::vector<KSNode*> nodes = watchedNodesOf(scene.get());
    KSNode* some = nodes.empty() ? nullptr : nodes[draw(nodes.size())];
    const std::string where = platform::format("scene %d", scene->id);
    switch (draw(6)) {
    case 0: {
        // Under the body, or under another plain node or sprite of the scene.
        KSNode* parent = some && !dynamic_cast<KSSpriteBatchNode*>(some) && !dynamic_cast<KSSpriteBatchNode*>(some->parent())
                             ? some
                             : scene->body;
        const std::string label = platform::format("node %d of %s", ++nextNode, where.c_str());
        const bool timer = draw(3) != 0;
        Ref<KSTexture2D> texture = KSTextureCache::sharedTextureCache()->addImage("load0.png");
        Ref<KSNode> node;
        switch (texture ? draw(3) : 0) {
        case 0: {
            auto plain = platform::adoptRef(new WalkNode);
            plain->init();
            startWatching(plain.get(), this, "plain " + label, timer);
            node = plain;
            break;
        }
        case 1: {
            auto sprite = platform::adoptRef(new WalkSprite);
            (void)sprite->initWithTexture(texture.get());
            startWatching(sprite.get(), this, "sprite " + label, timer);
            node = sprite;
            break;
        }
        default: {
            auto batch = platform::adoptRef(new WalkBatch);
            (void)batch->initWithTexture(texture.get(), 4);
            startWatching(batch.get(), this, "batch " + label, timer);
            for (size_t i = 1 + draw(3); i > 0; --i) {
                auto sprite = platform::adoptRef(new WalkSprite);
                (void)sprite->initWithTexture(texture.get());
                startWatching(sprite.get(), this, platform::format("sprite %zu of batch %s", i, label.c_str()),
                              draw(2) == 0);
                batch->addChild(sprite.get(), static_cast<int>(draw(3)));
            }
            node = batch;
            break;
        }
        }
        note(platform::format("    add %s", dynamic_cast<Watchable*>(node.get())->watched().label.c_str()));
        parent->addChild(node.get(), static_cast<int>(draw(5)) - 2);
        if (draw(2))
            node->runAction(anyAction(false).get());
        break;
    }
    case 1: {
        if (!some)
            return;
        Ref<KSNode> node(some);
        const bool cleanup = draw(2) == 0;
        // Batch children go back only to their batch: kept are the others.
        const bool keep = !cleanup && !dynamic_cast<KSSpriteBatchNode*>(some->parent()) && detached.size() < 8;
        Watch& watch = dynamic_cast<Watchable*>(some)->watched();
        note(platform::format("    take %s off %s", watch.label.c_str(), cleanup ? "with cleanup" : "and keep it"));
        node->removeFromParentAndCleanup(cleanup);
        if (keep)
            detached.push_back(node);
        break;
    }
    case 2: {
        if (detached.empty())
            return;
        const size_t i = draw(detached.size());
        Ref<KSNode> node = detached[i];
        detached.erase(detached.begin() + static_cast<std::ptrdiff_t>(i));
        Watch& watch = dynamic_cast<Watchable*>(node.get())->watched();
        if (watch.cleaned || node->parent())
            return;
        note(platform::format("    add %s again, to %s", watch.label.c_str(), where.c_str()));
        watch.label += platform::format(" (now in %s)", where.c_str());
        scene->body->addChild(node.get());
        break;
    }
    case 3:
    case 4: {
        if (!some)
            return;
        Watch& watch = dynamic_cast<Watchable*>(some)->watched();
        const bool removal = draw(2) == 0;
        note(platform::format("    %s, from its own timer", removal ? ("take " + watch.label + " off").c_str()
                                                                    : ("stop the timers of " + watch.label).c_str()));
        (removal ? watch.removeItselfNext : watch.unscheduleItselfNext) = true;
        break;
    }
    default:
        if (some) {
            note("    an action on " + dynamic_cast<Watchable*>(some)->watched().label);
            some->runAction(anyAction(draw(3) == 0).get());
        }
        break;
    }
}

// ---- Textures

void EngineLifeWalk::load(WalkScene* scene, const std::string& name)
{
    note("    load " + name + platform::format(" for scene %d", scene->id));
    ++scene->loadsAsked;
    ++loadsAsked;
    auto ticket = platform::adoptRef(new LoadTicket(scene, name));
    KSTextureCache::sharedTextureCache()->addImageAsync(name, ticket.get(), BRISKO_SELECTOR(LoadTicket, loaded));
}

void EngineLifeWalk::loadATexture()
{
    WalkScene* scene = onShow();
    if (!scene || ended)
        return;
    load(scene, platform::format("load%zu.png", draw(6)));
}

void EngineLifeWalk::loadAndLeave()
{
    loadATexture();
    if (ended)
        return;
    request(draw(3) == 0 ? Ask::ReplaceTransition : Ask::Replace, "before the load finished");
}

void EngineLifeWalk::loadBothWays()
{
    WalkScene* scene = anyStackedScene();
    if (!scene || ended)
        return;
    const std::string name = platform::format("load%zu.png", draw(6));
    load(scene, name);
    note("    and at once on the main thread");
    Ref<KSTexture2D> texture = KSTextureCache::sharedTextureCache()->addImage(name);
    if (!texture) {
        fault("the synchronous load of " + name + ", a file that exists, gave no texture");
        return;
    }
    scene->textures.push_back(texture);
    cached[name] = platform::Weak<KSTexture2D>(texture.get());
    textureNames.push_back(texture->name());
}

void EngineLifeWalk::purgeTextures()
{
    switch (draw(3)) {
    case 0:
        note("    unused textures removed");
        KSTextureCache::sharedTextureCache()->removeUnusedTextures();
        checkCachedTextures();
        return;
    case 1: KSTextureCache::sharedTextureCache()->removeAllTextures(); break;
    default: KSTextureCache::purgeSharedTextureCache(); break;
    }
    cached.clear();
}

void EngineLifeWalk::memoryWarning()
{
    if (ended)
        return;
    director_->purgeCachedData();
    cached.clear();
}

} // namespace engine_walk
