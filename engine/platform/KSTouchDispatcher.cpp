// KSTouchDispatcher: targeted-then-standard touch distribution with deferred
// changes while an event is being dispatched.
#include "engine/platform/KSTouchDispatcher.h"

#include "platform/foundation/Exception.h"

#include <algorithm>
#include <mutex>

namespace kestrel {

using platform::Ref;

namespace {
constexpr const char* kDispatcherFile = "engine/Platforms/iOS/KSTouchDispatcher";
KSTouchDispatcher* gSharedDispatcher = nullptr;
std::mutex gDispatcherLock;
} // namespace

KSTouchDispatcher* KSTouchDispatcher::sharedDispatcher()
{
    std::lock_guard lock(gDispatcherLock);
    if (!gSharedDispatcher) {
        gSharedDispatcher = new KSTouchDispatcher;
        (void)gSharedDispatcher->init(); // reserves its lists: cannot fail
    }
    return gSharedDispatcher;
}

void KSTouchDispatcher::purgeSharedDispatcher()
{
    KSTouchDispatcher* d = nullptr;
    {
        std::lock_guard lock(gDispatcherLock);
        d = gSharedDispatcher;
        gSharedDispatcher = nullptr;
    }
    if (d)
        d->release();
}

KSTouchDispatcher::~KSTouchDispatcher()
{
    if (gSharedDispatcher == this)
        gSharedDispatcher = nullptr;
}

bool KSTouchDispatcher::init()
{
    targetedHandlers_.reserve(8);
    standardHandlers_.reserve(4);
    handlersToAdd_.reserve(8);
    handlersToRemove_.reserve(8);
    dispatchEvents_ = true;
    return true;
}

// Delegates ---------------------------------------------------------------------------

void KSTouchDispatcher::forceAddHandler(KSTouchHandler* handler, std::vector<Ref<KSTouchHandler>>& array)
{
    size_t index = 0;
    for (const auto& h : array) {
        if (h->priority() < handler->priority())
            ++index;
        BRISKO_ASSERT_FILE(h->delegate() != handler->delegate(), kDispatcherFile,
                           "Delegate already added to touch dispatcher.");
    }
    array.insert(array.begin() + static_cast<std::ptrdiff_t>(index), Ref<KSTouchHandler>(handler));
}

void KSTouchDispatcher::addStandardDelegate(platform::Object* delegate, int priority)
{
    Ref<KSTouchHandler> handler = KSStandardTouchHandler::handlerWithDelegate(delegate, priority);
    if (!locked_) {
        forceAddHandler(handler.get(), standardHandlers_);
    } else {
        handlersToAdd_.push_back(handler);
        toAdd_ = true;
    }
}

void KSTouchDispatcher::addTargetedDelegate(platform::Object* delegate, int priority, bool swallowsTouches)
{
    Ref<KSTouchHandler> handler = KSTargetedTouchHandler::handlerWithDelegate(delegate, priority, swallowsTouches);
    if (!locked_) {
        forceAddHandler(handler.get(), targetedHandlers_);
    } else {
        handlersToAdd_.push_back(handler);
        toAdd_ = true;
    }
}

void KSTouchDispatcher::forceRemoveDelegate(platform::Object* delegate)
{
    for (auto* list : { &targetedHandlers_, &standardHandlers_ }) {
        auto it = std::find_if(list->begin(), list->end(), [&](const Ref<KSTouchHandler>& h) { return h->delegate() == delegate; });
        if (it != list->end())
            list->erase(it);
    }
}

void KSTouchDispatcher::removeDelegate(platform::Object* delegate)
{
    if (!delegate)
        return;
    if (!locked_) {
        forceRemoveDelegate(delegate);
        return;
    }
    // Removals run before additions after the event: a delegate added earlier in
    // this same event would otherwise come back. Drop its pending addition too.
    std::erase_if(handlersToAdd_, [&](const Ref<KSTouchHandler>& h) { return h->delegate() == delegate; });
    toAdd_ = !handlersToAdd_.empty();
    handlersToRemove_.emplace_back(delegate);
    toRemove_ = true;
}

void KSTouchDispatcher::forceRemoveAllDelegates()
{
    standardHandlers_.clear();
    targetedHandlers_.clear();
}

void KSTouchDispatcher::removeAllDelegates()
{
    if (!locked_)
        forceRemoveAllDelegates();
    else
        toQuit_ = true;
}

void KSTouchDispatcher::setPriority(int, platform::Object*)
{
    BRISKO_ASSERT_FILE(false, kDispatcherFile, "Set priority no implemented yet. Don't forget to report this bug!");
}

// Dispatching -------------------------------------------------------------------------

void KSTouchDispatcher::finishDispatch()
{
    locked_ = false;
    if (toRemove_) {
        toRemove_ = false;
        auto removals = std::move(handlersToRemove_);
        handlersToRemove_.clear();
        for (const auto& d : removals)
            forceRemoveDelegate(d.get());
    }
    if (toAdd_) {
        toAdd_ = false;
        auto additions = std::move(handlersToAdd_);
        handlersToAdd_.clear();
        for (const auto& h : additions) {
            if (dynamic_cast<KSTargetedTouchHandler*>(h.get()))
                forceAddHandler(h.get(), targetedHandlers_);
            else
                forceAddHandler(h.get(), standardHandlers_);
        }
    }
    if (toQuit_) {
        toQuit_ = false;
        forceRemoveAllDelegates();
    }
}

void KSTouchDispatcher::touches(const TouchSet& touches, Event* event, unsigned idx)
{
    BRISKO_ASSERT_FILE(idx < kKSTouchMax, kDispatcherFile, "Invalid idx value");
    Ref<KSTouchDispatcher> keep(this);
    locked_ = true;
    // However a delegate leaves (even by throwing), the dispatcher is unlocked
    // and the changes it asked for are applied.
    struct Unlock {
        KSTouchDispatcher* d;
        bool done { false };
        ~Unlock()
        {
            if (done)
                return;
            try {
                d->finishDispatch();
            } catch (...) {
                // Already unwinding from the delegate's exception: that one is reported.
            }
        }
    } unlock { this };

    const unsigned phaseBit = 1u << idx;
    const bool needsCopy = !targetedHandlers_.empty() && !standardHandlers_.empty();
    TouchSet copy;
    if (needsCopy)
        copy = touches;
    const TouchSet& remaining = needsCopy ? copy : touches;

    if (!targetedHandlers_.empty()) {
        // Handlers may be removed (deferred) during the walk: walk a snapshot
        // that keeps each alive.
        const auto handlers = targetedHandlers_;
        for (const auto& touchRef : touches) {
            ActiveTouch* touch = touchRef.get();
            for (const auto& base : handlers) {
                auto* handler = static_cast<KSTargetedTouchHandler*>(base.get());
                KSTargetedTouchDelegate* delegate = handler->targetedDelegate();
                bool claimed = false;
                if (idx == kKSTouchBegan) {
                    claimed = delegate->ksTouchBegan(touch, event);
                    if (claimed)
                        handler->claimedTouches().add(touch);
                } else if (handler->claimedTouches().contains(touch)) {
                    claimed = true;
                    if (handler->enabledSelectors() & phaseBit) {
                        if (idx == kKSTouchMoved)
                            delegate->ksTouchMoved(touch, event);
                        else if (idx == kKSTouchEnded)
                            delegate->ksTouchEnded(touch, event);
                        else
                            delegate->ksTouchCancelled(touch, event);
                    }
                    if (idx == kKSTouchEnded || idx == kKSTouchCancelled)
                        handler->claimedTouches().remove(touch);
                }
                if (claimed && handler->swallowsTouches()) {
                    if (needsCopy)
                        copy.remove(touch);
                    break;
                }
            }
        }
    }

    if (!standardHandlers_.empty() && !remaining.empty()) {
        const auto handlers = standardHandlers_;
        for (const auto& base : handlers) {
            auto* handler = static_cast<KSStandardTouchHandler*>(base.get());
            if (!(handler->enabledSelectors() & phaseBit))
                continue;
            KSStandardTouchDelegate* delegate = handler->standardDelegate();
            switch (idx) {
            case kKSTouchBegan: delegate->ksTouchesBegan(remaining, event); break;
            case kKSTouchMoved: delegate->ksTouchesMoved(remaining, event); break;
            case kKSTouchEnded: delegate->ksTouchesEnded(remaining, event); break;
            default: delegate->ksTouchesCancelled(remaining, event); break;
            }
        }
    }
    unlock.done = true;
    finishDispatch();
}

void KSTouchDispatcher::touchesBegan(const TouchSet& set, Event* event)
{
    if (dispatchEvents_)
        touches(set, event, kKSTouchBegan);
}

void KSTouchDispatcher::touchesMoved(const TouchSet& set, Event* event)
{
    if (dispatchEvents_)
        touches(set, event, kKSTouchMoved);
}

void KSTouchDispatcher::touchesEnded(const TouchSet& set, Event* event)
{
    if (dispatchEvents_)
        touches(set, event, kKSTouchEnded);
}

void KSTouchDispatcher::touchesCancelled(const TouchSet& set, Event* event)
{
    if (dispatchEvents_)
        touches(set, event, kKSTouchCancelled);
}

} // namespace kestrel
