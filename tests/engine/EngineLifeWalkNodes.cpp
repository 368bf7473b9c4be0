// The roads of the engine's walk (EngineLifeWalk.h) that change nodes and
// textures: plain nodes, sprites and batch nodes with children added to any
// scene on the stack (on show or under it), taken off with and without
// cleanup and added again, nodes that take themselves off or stop their own
// timers from inside them; background loads (some whose scene goes before
// they finish), a synchronous load of the same file beside a background
// one, cache purges and memory warnings.
#include "EngineLifeWalk.h"

#include "engine/KSActionInstant.h"
#include "engine/KSActionInterval.h"
#include "engine/KSDirector.h"
#include "engine/KSSpriteFrameCache.h"
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
    LoadTicket(EngineLifeWalk* walk, WalkScene* scene, std::string name, int order, bool fails)
        : walk_(walk), scene_(scene), name_(std::move(name)), order_(order), fails_(fails)
    {
    }
    ~LoadTicket() override
    {
        if (!platform::RunLoop::isMainThread())
            ++gTicketsOffMain;
    }
    // Kept by the walk (with the ticket and the texture) until it delivers.
    void loaded(KSTexture2D* texture)
    {
        Ref<LoadTicket> self(this);
        Ref<KSTexture2D> held(texture);
        walk_->arrived(order_, [self, held] { self->scene_->loaded(self->name_, held.get(), self->fails_); });
    }

private:
    EngineLifeWalk* walk_;
    Ref<WalkScene> scene_;
    std::string name_;
    int order_;
    bool fails_;
};

template <class Node>
void startWatching(Node* node, EngineLifeWalk* walk, const std::string& label, bool timer, double interval = 0)
{
    node->watch.walk = walk;
    node->watch.label = label;
    node->watch.timer = timer;
    node->watch.interval = interval;
    node->watch.scheduledAt = walk->now();
    if (timer)
        node->schedule(BRISKO_SELECTOR(Node, tick), static_cast<ksTime>(interval));
}

// The watched nodes of a scene other than its body.
std::vector<KSNode*> watchedNodesOf(WalkScene* scene)
{
    std::vector<KSNode*> nodes;
    forEachWatched(scene, [&](KSNode* node, Watch&) {
        if (node != scene && node != scene->body && node != scene->work)
            nodes.push_back(node);
    });
    return nodes;
}

} // namespace

Ref<KSNode> EngineLifeWalk::makeNode(const std::string& label, bool timer)
{
    static const double intervals[] = { 0, 0, 0.05, 0.1, 0.25 };
    Ref<KSTexture2D> texture = KSTextureCache::sharedTextureCache()->addImage("load0.png");
    switch (texture ? draw(4) : 0) {
    case 0: {
        auto plain = platform::adoptRef(new WalkNode);
        plain->init();
        startWatching(plain.get(), this, "plain " + label, timer, intervals[draw(std::size(intervals))]);
        return plain;
    }
    case 1: {
        auto sprite = platform::adoptRef(new WalkSprite);
        (void)sprite->initWithTexture(texture.get());
        startWatching(sprite.get(), this, "sprite " + label, timer, intervals[draw(std::size(intervals))]);
        return sprite;
    }
    case 2: {
        auto layer = platform::adoptRef(new WalkLayer);
        layer->init();
        layer->setIsTouchEnabled(draw(2) == 0);
        startWatching(layer.get(), this, "layer " + label, timer, intervals[draw(std::size(intervals))]);
        return layer;
    }
    default: {
        auto batch = platform::adoptRef(new WalkBatch);
        (void)batch->initWithTexture(texture.get(), 4);
        startWatching(batch.get(), this, "batch " + label, timer, intervals[draw(std::size(intervals))]);
        for (size_t i = 1 + draw(4); i > 0; --i) {
            auto sprite = platform::adoptRef(new WalkSprite);
            (void)sprite->initWithTexture(texture.get());
            startWatching(sprite.get(), this, platform::format("sprite %zu of batch %s", i, label.c_str()),
                          draw(2) == 0);
            batch->addChild(sprite.get(), static_cast<int>(draw(5)) - 2);
        }
        return batch;
    }
    }
}

void EngineLifeWalk::populate(WalkScene* scene)
{
    Building building(this->building);
    auto work = platform::adoptRef(new WalkLayer);
    work->init();
    work->setIsTouchEnabled(draw(2) == 0);
    startWatching(work.get(), this, platform::format("scene %d's working layer", scene->id), false);
    scene->work = work.get();
    scene->addChild(work.get(), static_cast<int>(draw(3)) - 1);
    for (size_t i = 1 + draw(3); i > 0; --i) {
        Ref<KSNode> node = makeNode(platform::format("node %d of scene %d", ++nextNode, scene->id), draw(2) == 0);
        work->addChild(node.get(), static_cast<int>(draw(5)) - 2);
    }
}


void EngineLifeWalk::changeNodes()
{
    // Mostly the scene on show (where timers and actions run), some under it.
    Ref<WalkScene> scene(draw(3) ? onShow() : anyStackedScene());
    if (!scene || ended)
        return;
    Building building(this->building);
    const std::string where = platform::format("scene %d", scene->id);
    for (size_t round = 1 + draw(4); round > 0; --round) {
        // (Not those whose values an action of the walk checks.)
        std::vector<KSNode*> nodes = watchedNodesOf(scene.get());
        std::erase_if(nodes, [](KSNode* node) { return dynamic_cast<Watchable*>(node)->watched().checked; });
        KSNode* some = nodes.empty() ? nullptr : nodes[draw(nodes.size())];
        auto labelOf = [](KSNode* node) -> std::string& { return dynamic_cast<Watchable*>(node)->watched().label; };
        const bool inBatch = some && dynamic_cast<KSSpriteBatchNode*>(some->parent());
        switch (draw(11)) {
        case 0:
        case 1: {
            // Under the working layer, or under another plain node, layer or sprite of the scene.
            KSNode* parent = some && !inBatch && !dynamic_cast<KSSpriteBatchNode*>(some) ? some : scene->work;
            const std::string label = platform::format("node %d of %s", ++nextNode, where.c_str());
            Ref<KSNode> node = makeNode(label, draw(3) != 0);
            const int z = static_cast<int>(draw(5)) - 2;
            note(platform::format("    add %s at z %d under %s", labelOf(node.get()).c_str(), z,
                                  parent == scene->work ? "the working layer" : labelOf(parent).c_str()));
            parent->addChild(node.get(), z);
            if (draw(2))
                node->runAction(anyAction(false).get());
            break;
        }
        case 2: {
            if (!some)
                break;
            Ref<KSNode> node(some);
            const bool cleanup = draw(2) == 0;
            // Batch children go back only to their batch: kept are the others.
            const bool keep = !cleanup && !inBatch && detached.size() < 8;
            note(platform::format("    take %s off %s", labelOf(some).c_str(), cleanup ? "with cleanup" : "and keep it"));
            node->removeFromParentAndCleanup(cleanup);
            if (keep)
                detached.push_back(node);
            break;
        }
        case 3: {
            if (detached.empty())
                break;
            const size_t i = draw(detached.size());
            Ref<KSNode> node = detached[i];
            detached.erase(detached.begin() + static_cast<std::ptrdiff_t>(i));
            Watch& watch = dynamic_cast<Watchable*>(node.get())->watched();
            if (watch.cleaned || node->parent())
                break;
            const int z = static_cast<int>(draw(5)) - 2;
            note(platform::format("    add %s again, to %s at z %d", watch.label.c_str(), where.c_str(), z));
            watch.label += platform::format(" (now in %s)", where.c_str());
            scene->work->addChild(node.get(), z);
            break;
        }
        case 4: {
            if (!some || !some->parent())
                break;
            const int z = static_cast<int>(draw(5)) - 2;
            note(platform::format("    %s to z %d", labelOf(some).c_str(), z));
            some->parent()->reorderChild(some, z);
            break;
        }
        case 5: {
            if (!some)
                break;
            note(platform::format("    %s %s", some->visible() ? "hide" : "show", labelOf(some).c_str()));
            some->setVisible(!some->visible());
            break;
        }
        case 6: {
            // A batch child taken off (with or without cleanup), not kept.
            std::vector<KSNode*> batched;
            for (KSNode* node : nodes)
                if (dynamic_cast<KSSpriteBatchNode*>(node->parent()))
                    batched.push_back(node);
            if (batched.empty())
                break;
            KSNode* child = batched[draw(batched.size())];
            const bool cleanup = draw(2) == 0;
            note(platform::format("    take %s off its batch%s", labelOf(child).c_str(), cleanup ? " with cleanup" : ""));
            child->parent()->removeChild(child, cleanup);
            break;
        }
        case 7: {
            if (!some)
                break;
            auto* layer = dynamic_cast<KSLayer*>(some);
            if (!layer)
                break;
            note(platform::format("    touches %s for %s", layer->isTouchEnabled() ? "off" : "on", labelOf(some).c_str()));
            layer->setIsTouchEnabled(!layer->isTouchEnabled());
            break;
        }
        case 8: {
            if (!some)
                break;
            Watch& watch = dynamic_cast<Watchable*>(some)->watched();
            if (!watch.timer || watch.unscheduled)
                break;
            const bool removal = draw(2) == 0;
            note(platform::format("    %s, from its own timer", removal ? ("take " + watch.label + " off").c_str()
                                                                        : ("stop the timers of " + watch.label).c_str()));
            (removal ? watch.removeItselfNext : watch.unscheduleItselfNext) = true;
            break;
        }
        case 9: {
            if (!some)
                break;
            note("    reshape " + labelOf(some));
            reshapeNode(some);
            break;
        }
        default:
            if (some) {
                note("    an action on " + labelOf(some));
                some->runAction(anyAction(draw(3) == 0).get());
            }
            break;
        }
    }
}

// ---- Textures

void EngineLifeWalk::load(WalkScene* scene, const std::string& name)
{
    note("    load " + name + platform::format(" for scene %d", scene->id));
    ++scene->loadsAsked;
    ++loadsAsked;
    auto ticket = platform::adoptRef(new LoadTicket(this, scene, name, ++loadOrder, false));
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
    // The sheets' frames hold the textures let go of: they are loaded again too.
    KSSpriteFrameCache::sharedSpriteFrameCache()->removeSpriteFrames();
    cached.clear();
}

// Between levels built from a sheet and its file, or on its own.
void EngineLifeWalk::memoryWarning()
{
    if (ended)
        return;
    const bool betweenLevels = draw(2) == 0;
    if (betweenLevels)
        levelFromASheet();
    note("    memory warning");
    director_->purgeCachedData();
    cached.clear();
    if (betweenLevels)
        levelFromASheet();
}

// ---- Actions whose results are checked

void EngineLifeWalk::checkedAction()
{
    WalkScene* scene = onShow();
    if (!scene || ended)
        return;
    Building building(this->building);
    const std::string label = platform::format("mover %d of scene %d", ++nextNode, scene->id);
    auto mover = platform::adoptRef(new WalkNode);
    mover->init();
    startWatching(mover.get(), this, label, false);
    mover->watch.checked = true;
    const platform::Point from(static_cast<float>(draw(50)), static_cast<float>(draw(50)));
    const platform::Point start(100 + static_cast<float>(draw(50)), 100);
    const platform::Point by(static_cast<float>(draw(20)) - 10, static_cast<float>(draw(20)) + 1);
    mover->setPosition(from);
    scene->work->addChild(mover.get(), static_cast<int>(draw(5)) - 2);
    const ksTime d = 0.02f + 0.03f * static_cast<float>(draw(4));
    platform::Weak<WalkNode> weak(mover.get());
    // The mover's place when the block runs: `start` moved `by` `times` times.
    auto expect = [this, weak, label](platform::Point at, const char* what) {
        return KSCallBlock::actionWithBlock([this, weak, label, at, what] {
            auto node = weak.lock();
            if (node && (std::abs(node->position().x - at.x) > 0.01f || std::abs(node->position().y - at.y) > 0.01f))
                fault(platform::format("%s of %s ended at (%g, %g), not (%g, %g)", what, label.c_str(), node->position().x,
                                       node->position().y, at.x, at.y));
        });
    };
    const platform::Point end(start.x + by.x, start.y + by.y);
    auto place = [&] { return KSPlace::actionWithPosition(start); };
    auto move = [&] { return KSMoveBy::actionWithDuration(d, by); };
    switch (draw(4)) {
    case 0:
        note("    " + label + ": a sequence, placed first");
        mover->runAction(KSSequence::actions({ place().get(), move().get(), expect(end, "a sequence").get() }).get());
        break;
    case 1: {
        // Judged by what the laps did: each moves on from where the last
        // one ended, and each ends with its callback.
        const unsigned times = 2 + static_cast<unsigned>(draw(3));
        note(platform::format("    %s: a move repeated %u times", label.c_str(), times));
        auto laps = std::make_shared<unsigned>(0);
        auto lap = KSCallBlock::actionWithBlock([laps] { ++*laps; });
        auto once = KSSequence::actions({ move().get(), lap.get() });
        auto repeat = KSRepeat::actionWithAction(platform::dynamicRef<KSFiniteTimeAction>(once).get(), times);
        const platform::Point far(start.x + by.x * static_cast<float>(times), start.y + by.y * static_cast<float>(times));
        auto counted = KSCallBlock::actionWithBlock([this, laps, times, label] {
            if (*laps != times)
                fault(platform::format("a repeat of %s finished %u of its %u laps", label.c_str(), *laps, times));
        });
        mover->runAction(
            KSSequence::actions({ place().get(), repeat.get(), expect(far, "a repeat").get(), counted.get() }).get());
        break;
    }
    case 2: {
        // Stopped from inside its own step: nothing after the stop runs.
        note("    " + label + ": a sequence that stops itself");
        auto sequence = std::make_shared<platform::Weak<KSAction>>();
        auto stop = KSCallBlock::actionWithBlock([weak, sequence, all = draw(2) == 0] {
            auto node = weak.lock();
            auto action = sequence->lock();
            if (node && all)
                node->stopAllActions();
            else if (node && action)
                node->stopAction(action.get());
        });
        auto after = KSCallBlock::actionWithBlock(
            [this, label] { fault("a sequence of " + label + " ran on after it stopped itself"); });
        Ref<KSAction> action = KSSequence::actions({ place().get(), move().get(), expect(end, "a sequence").get(),
                                                     stop.get(), KSDelayTime::actionWithDuration(d).get(), after.get() });
        *sequence = platform::Weak<KSAction>(action.get());
        mover->runAction(action.get());
        break;
    }
    default: {
        note("    " + label + ": a sequence repeated for ever");
        auto once = KSSequence::actions({ place().get(), move().get(), expect(end, "a repeated sequence").get() });
        mover->runAction(KSRepeatForever::actionWithAction(platform::dynamicRef<KSActionInterval>(once).get()).get());
        break;
    }
    }
}

// ---- The game's own acts

// A level built from a sheet and its file, as a game builds one after a
// memory warning: the sheet's frames and the file name one texture.
void EngineLifeWalk::levelFromASheet()
{
    WalkScene* scene = onShow();
    if (!scene || ended)
        return;
    Building building(this->building);
    // The sheet's frames once per run, as a game adds them at its start: a
    // later level takes the frames as they stand.
    auto* frames = KSSpriteFrameCache::sharedSpriteFrameCache();
    const bool added = frames->spriteFrameByName("hero.png") != nullptr;
    note(added ? "    a level from the sheet's frames" : "    a level from sheet.plist");
    if (!added)
        frames->addSpriteFramesWithFile("sheet.plist");
    Ref<KSSpriteBatchNode> batch = KSSpriteBatchNode::batchNodeWithFile("sheet.png");
    if (!batch) {
        fault("the sheet's batch did not load");
        return;
    }
    for (size_t i = 1 + draw(3); i > 0; --i) {
        Ref<KSSprite> hero = KSSprite::spriteWithSpriteFrameName("hero.png");
        if (!hero) {
            fault("the sheet's frame made no sprite");
            return;
        }
        batch->addChild(hero.get(), static_cast<int>(draw(3)));
    }
    scene->work->addChild(batch.get());
    Ref<KSSprite> beside = KSSprite::spriteWithFile("sheet.png");
    if (!beside || beside->texture() != batch->texture())
        fault("the sheet's file and its batch draw with two textures");
    else
        scene->work->addChild(beside.get());
    textureNames.push_back(batch->texture()->name());
}

// Paused (the game resigned active): some frames, then resumed, or the
// game ends there (and the next step runs it again).
void EngineLifeWalk::pauseTheGame()
{
    if (ended)
        return;
    note("    paused");
    director_->pause();
    paused = true;
    for (size_t i = draw(4); i > 0; --i)
        frame();
    if (ended)
        return;
    if (draw(3) == 0) {
        request(Ask::End, "while paused");
        return;
    }
    note("    resumed");
    director_->resume();
    paused = false;
    resumedAt = now();
}

// A background load that fails: a file that is not there, or one whose
// texture cannot be made (the default format cannot be made): nil, on
// the main thread, nothing thrown out of the loader.
void EngineLifeWalk::loadThatFails()
{
    WalkScene* scene = onShow();
    if (!scene || ended)
        return;
    const bool throwing = draw(2) == 0;
    const std::string name = throwing ? platform::format("load%zu.png", draw(6)) : "missing.png";
    if (KSTextureCache::sharedTextureCache()->textureForKey(name))
        return;
    note("    load " + name + (throwing ? " in a format that cannot be made" : ", a file that is not there"));
    // Alone, and delivered before the format comes back: no other texture is made meanwhile.
    deliverLoads(true);
    ++scene->loadsAsked;
    ++loadsAsked;
    const KSTexture2DPixelFormat format = KSTexture2D::defaultAlphaPixelFormat();
    if (throwing)
        KSTexture2D::setDefaultAlphaPixelFormat(kKSTexture2DPixelFormat_Automatic);
    auto ticket = platform::adoptRef(new LoadTicket(this, scene, name, ++loadOrder, true));
    KSTextureCache::sharedTextureCache()->addImageAsync(name, ticket.get(), BRISKO_SELECTOR(LoadTicket, loaded));
    ticket = nullptr;
    deliverLoads(true);
    KSTexture2D::setDefaultAlphaPixelFormat(format);
}

} // namespace engine_walk
