// Touch handlers: a delegate with its priority, phases and claimed touches.
#include "engine/platform/KSTouchHandler.h"

#include "platform/foundation/Exception.h"

namespace kestrel {

using platform::adoptRef;
using platform::Ref;

namespace {
constexpr const char* kHandlerFile = "engine/Platforms/iOS/KSTouchHandler";
}

Ref<KSTouchHandler> KSTouchHandler::handlerWithDelegate(platform::Object* delegate, int priority)
{
    auto h = adoptRef(new KSTouchHandler);
    return h->initWithDelegate(delegate, priority) ? h : nullptr;
}

bool KSTouchHandler::initWithDelegate(platform::Object* delegate, int priority)
{
    BRISKO_ASSERT_FILE(delegate, kHandlerFile, "Touch delegate may not be nil");
    delegate_ = delegate;
    priority_ = priority;
    enabledSelectors_ = 0;
    return true;
}

Ref<KSStandardTouchHandler> KSStandardTouchHandler::handlerWithDelegate(platform::Object* delegate, int priority)
{
    auto h = adoptRef(new KSStandardTouchHandler);
    return h->initWithDelegate(delegate, priority) ? h : nullptr;
}

bool KSStandardTouchHandler::initWithDelegate(platform::Object* delegate, int priority)
{
    if (!KSTouchHandler::initWithDelegate(delegate, priority))
        return false;
    BRISKO_ASSERT_FILE(dynamic_cast<KSStandardTouchDelegate*>(delegate), kHandlerFile,
                       "Touch delegate must be a standard touch delegate");
    enabledSelectors_ = ksTouchSelectorAllBits;
    return true;
}

Ref<KSTargetedTouchHandler> KSTargetedTouchHandler::handlerWithDelegate(platform::Object* delegate, int priority,
                                                                        bool swallowsTouches)
{
    auto h = adoptRef(new KSTargetedTouchHandler);
    return h->initWithDelegate(delegate, priority, swallowsTouches) ? h : nullptr;
}

bool KSTargetedTouchHandler::initWithDelegate(platform::Object* delegate, int priority, bool swallowsTouches)
{
    if (!KSTouchHandler::initWithDelegate(delegate, priority))
        return false;
    BRISKO_ASSERT_FILE(dynamic_cast<KSTargetedTouchDelegate*>(delegate), kHandlerFile,
                       "Touch delegate must be a targeted touch delegate");
    claimedTouches_.clear();
    swallowsTouches_ = swallowsTouches;
    enabledSelectors_ = ksTouchSelectorAllBits;
    return true;
}

} // namespace kestrel
