// Instant actions: their effect happens in startWithTarget.
#include "engine/KSSprite.h"
#include "engine/KSActionInstant.h"

#include "engine/KSNode.h"
#include "engine/KSProtocols.h"

namespace kestrel {

using platform::adoptRef;
using platform::Object;
using platform::Ref;

bool KSActionInstant::init()
{
    if (!KSFiniteTimeAction::init())
        return false;
    duration_ = 0;
    return true;
}

Ref<KSFiniteTimeAction> KSActionInstant::reverse() const
{
    return platform::dynamicRef<KSFiniteTimeAction>(copy());
}


// Visibility ----------------------------------------------------------------------

Ref<KSShow> KSShow::action()
{
    auto a = adoptRef(new KSShow);
    return a->init() ? a : nullptr;
}

void KSShow::startWithTarget(Object* target)
{
    KSActionInstant::startWithTarget(target);
    node()->setVisible(true);
}

Ref<KSFiniteTimeAction> KSShow::reverse() const
{
    return KSHide::action();
}

Ref<KSHide> KSHide::action()
{
    auto a = adoptRef(new KSHide);
    return a->init() ? a : nullptr;
}

void KSHide::startWithTarget(Object* target)
{
    KSActionInstant::startWithTarget(target);
    node()->setVisible(false);
}

Ref<KSFiniteTimeAction> KSHide::reverse() const
{
    return KSShow::action();
}

Ref<KSToggleVisibility> KSToggleVisibility::action()
{
    auto a = adoptRef(new KSToggleVisibility);
    return a->init() ? a : nullptr;
}

void KSToggleVisibility::startWithTarget(Object* target)
{
    KSActionInstant::startWithTarget(target);
    node()->setVisible(!node()->visible());
}

// Flips and place ---------------------------------------------------------------------

Ref<KSFlipX> KSFlipX::actionWithFlipX(bool flip)
{
    auto a = adoptRef(new KSFlipX);
    return a->initWithFlipX(flip) ? a : nullptr;
}

bool KSFlipX::initWithFlipX(bool flip)
{
    if (!init())
        return false;
    flipX_ = flip;
    return true;
}

void KSFlipX::startWithTarget(Object* target)
{
    KSActionInstant::startWithTarget(target);
    if (KSFlipOf sprite { target })
        sprite->setFlipX(flipX_);
}

Ref<KSFlipY> KSFlipY::actionWithFlipY(bool flip)
{
    auto a = adoptRef(new KSFlipY);
    return a->initWithFlipY(flip) ? a : nullptr;
}

bool KSFlipY::initWithFlipY(bool flip)
{
    if (!init())
        return false;
    flipY_ = flip;
    return true;
}

void KSFlipY::startWithTarget(Object* target)
{
    KSActionInstant::startWithTarget(target);
    if (KSFlipOf sprite { target })
        sprite->setFlipY(flipY_);
}

Ref<KSPlace> KSPlace::actionWithPosition(Point position)
{
    auto a = adoptRef(new KSPlace);
    return a->initWithPosition(position) ? a : nullptr;
}

bool KSPlace::initWithPosition(Point position)
{
    if (!init())
        return false;
    position_ = position;
    return true;
}

void KSPlace::startWithTarget(Object* target)
{
    KSActionInstant::startWithTarget(target);
    node()->setPosition(position_);
}

// Callbacks -------------------------------------------------------------------------

Ref<KSCallFunc> KSCallFunc::actionWithTarget(Object* target, Selector selector)
{
    auto a = adoptRef(new KSCallFunc);
    return a->initWithTarget(target, selector) ? a : nullptr;
}

bool KSCallFunc::initWithTarget(Object* target, Selector selector)
{
    if (!init())
        return false;
    targetCallback_ = target;
    selector_ = selector;
    return true;
}

void KSCallFunc::startWithTarget(Object* target)
{
    KSActionInstant::startWithTarget(target);
    execute();
}

void KSCallFunc::execute()
{
    if (targetCallback_ && selector_)
        selector_.invoke(targetCallback_.get());
}

Ref<KSCallFuncN> KSCallFuncN::actionWithTarget(Object* target, Selector selector)
{
    auto a = adoptRef(new KSCallFuncN);
    return a->initWithTarget(target, selector) ? a : nullptr;
}

bool KSCallFuncN::initWithTarget(Object* target, Selector selector)
{
    if (!init())
        return false;
    targetCallback_ = target;
    selector_ = selector;
    return true;
}

void KSCallFuncN::startWithTarget(Object* target)
{
    KSActionInstant::startWithTarget(target);
    execute();
}

void KSCallFuncN::execute()
{
    if (targetCallback_ && selector_)
        selector_.invoke(targetCallback_.get(), targetNode());
}

Ref<KSCallFuncND> KSCallFuncND::actionWithTarget(Object* target, Selector selector, void* data)
{
    auto a = adoptRef(new KSCallFuncND);
    return a->initWithTarget(target, selector, data) ? a : nullptr;
}

bool KSCallFuncND::initWithTarget(Object* target, Selector selector, void* data)
{
    if (!init())
        return false;
    targetCallback_ = target;
    selector_ = selector;
    data_ = data;
    callbackMethod_ = selector.method();
    return true;
}

void KSCallFuncND::startWithTarget(Object* target)
{
    KSActionInstant::startWithTarget(target);
    execute();
}

void KSCallFuncND::execute()
{
    if (targetCallback_ && callbackMethod_)
        (targetCallback_.get()->*callbackMethod_)(targetNode(), data_);
}

Ref<KSCallBlock> KSCallBlock::actionWithBlock(Block block)
{
    auto a = adoptRef(new KSCallBlock);
    return a->initWithBlock(std::move(block)) ? a : nullptr;
}

bool KSCallBlock::initWithBlock(Block block)
{
    if (!init())
        return false;
    block_ = std::move(block);
    return true;
}

void KSCallBlock::startWithTarget(Object* target)
{
    KSActionInstant::startWithTarget(target);
    execute();
}

void KSCallBlock::execute()
{
    if (block_)
        block_();
}

Ref<KSCallBlockN> KSCallBlockN::actionWithBlock(Block block)
{
    auto a = adoptRef(new KSCallBlockN);
    return a->initWithBlock(std::move(block)) ? a : nullptr;
}

bool KSCallBlockN::initWithBlock(Block block)
{
    if (!init())
        return false;
    block_ = std::move(block);
    return true;
}

void KSCallBlockN::startWithTarget(Object* target)
{
    KSActionInstant::startWithTarget(target);
    execute();
}

void KSCallBlockN::execute()
{
    if (block_)
        block_(targetNode());
}

} // namespace kestrel
