// The singleton that receives every touch event of the GL view and hands it to
// the engine's touch delegates: targeted delegates first, one touch at a time
// (claiming, and possibly swallowing, what they take), then standard
// delegates with the touches nobody swallowed. Each list runs by ascending
// priority; among equal priorities the delegate added last comes first.
//
// Caveat: additions and removals made while an event is dispatched take effect
// after it (removals, then additions, then a full removal), so a delegate
// added during an event receives nothing of it. Main thread only.
#pragma once

#include "engine/platform/EAGLView.h"
#include "engine/platform/KSTouchHandler.h"

#include <vector>

namespace kestrel {

enum ksTouchType : unsigned {
    kKSTouchBegan = 0,
    kKSTouchMoved = 1,
    kKSTouchEnded = 2,
    kKSTouchCancelled = 3,
    kKSTouchMax = 4,
};

class KSTouchDispatcher : public platform::Object, public EAGLTouchDelegate {
public:
    static KSTouchDispatcher* sharedDispatcher();
    static void purgeSharedDispatcher();

    // The delegate must implement the matching delegate mix-in.
    void addStandardDelegate(platform::Object* delegate, int priority);
    void addTargetedDelegate(platform::Object* delegate, int priority, bool swallowsTouches);
    void removeDelegate(platform::Object* delegate);
    void removeAllDelegates();
    // Always fails its assertion: priorities are fixed once added.
    void setPriority(int priority, platform::Object* delegate);

    bool dispatchEvents() const { return dispatchEvents_; }
    void setDispatchEvents(bool dispatch) { dispatchEvents_ = dispatch; }

    void touchesBegan(const TouchSet& touches, Event* event) override;
    void touchesMoved(const TouchSet& touches, Event* event) override;
    void touchesEnded(const TouchSet& touches, Event* event) override;
    void touchesCancelled(const TouchSet& touches, Event* event) override;
    void touches(const TouchSet& touches, Event* event, unsigned idx);

    // Registered handlers, in dispatch order (for inspection).
    const std::vector<platform::Ref<KSTouchHandler>>& targetedHandlers() const { return targetedHandlers_; }
    const std::vector<platform::Ref<KSTouchHandler>>& standardHandlers() const { return standardHandlers_; }
    bool isLocked() const { return locked_; }

    std::string className() const override { return "KSTouchDispatcher"; }

protected:
    KSTouchDispatcher() = default;
    ~KSTouchDispatcher() override;
    bool init();

private:
    void forceAddHandler(KSTouchHandler* handler, std::vector<platform::Ref<KSTouchHandler>>& array);
    void forceRemoveDelegate(platform::Object* delegate);
    void forceRemoveAllDelegates();
    // Ends an event: unlocks and applies what was deferred during it.
    void finishDispatch();

    std::vector<platform::Ref<KSTouchHandler>> targetedHandlers_;
    std::vector<platform::Ref<KSTouchHandler>> standardHandlers_;
    bool locked_ { false };
    bool toAdd_ { false };
    bool toRemove_ { false };
    std::vector<platform::Ref<KSTouchHandler>> handlersToAdd_;
    std::vector<platform::Ref<platform::Object>> handlersToRemove_;
    bool toQuit_ { false };
    bool dispatchEvents_ { true };
};

} // namespace kestrel
