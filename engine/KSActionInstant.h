// Instant actions: show, hide, toggle, flip, place, and call back into the
// application. Each takes effect when it starts (at once when run, or when a
// sequence reaches it); its single step only reports it done.
#pragma once

#include "engine/KSAction.h"
#include "platform/foundation/Selector.h"

#include <functional>

namespace kestrel {

class KSActionInstant : public KSFiniteTimeAction {
public:
    bool init() override;
    // A plain new instance: no field and no tag is carried.
    platform::Ref<KSAction> copy() const override = 0;
    bool isDone() const override { return true; }
    void step(ksTime /*dt*/) override { update(1.0f); }
    void update(float /*t*/) override { }
    platform::Ref<KSFiniteTimeAction> reverse() const override;

protected:
    KSActionInstant() = default;
};

class KSShow : public KSActionInstant {
public:
    [[nodiscard]] static platform::Ref<KSShow> action();
    platform::Ref<KSAction> copy() const override { return action(); }
    void startWithTarget(platform::Object* target) override;
    platform::Ref<KSFiniteTimeAction> reverse() const override;

protected:
    KSShow() = default;
};

class KSHide : public KSActionInstant {
public:
    [[nodiscard]] static platform::Ref<KSHide> action();
    platform::Ref<KSAction> copy() const override { return action(); }
    void startWithTarget(platform::Object* target) override;
    platform::Ref<KSFiniteTimeAction> reverse() const override;

protected:
    KSHide() = default;
};

class KSToggleVisibility : public KSActionInstant {
public:
    [[nodiscard]] static platform::Ref<KSToggleVisibility> action();
    platform::Ref<KSAction> copy() const override { return action(); }
    void startWithTarget(platform::Object* target) override;

protected:
    KSToggleVisibility() = default;
};

// Flips need a sprite or a target that adopts KSFlipProtocol.
class KSFlipX : public KSActionInstant {
public:
    [[nodiscard]] static platform::Ref<KSFlipX> actionWithFlipX(bool flip);
    [[nodiscard]] bool initWithFlipX(bool flip);
    platform::Ref<KSAction> copy() const override { return actionWithFlipX(flipX_); }
    void startWithTarget(platform::Object* target) override;
    platform::Ref<KSFiniteTimeAction> reverse() const override { return actionWithFlipX(!flipX_); }

protected:
    KSFlipX() = default;
    bool flipX_ { false };
};

class KSFlipY : public KSActionInstant {
public:
    [[nodiscard]] static platform::Ref<KSFlipY> actionWithFlipY(bool flip);
    [[nodiscard]] bool initWithFlipY(bool flip);
    platform::Ref<KSAction> copy() const override { return actionWithFlipY(flipY_); }
    void startWithTarget(platform::Object* target) override;
    platform::Ref<KSFiniteTimeAction> reverse() const override { return actionWithFlipY(!flipY_); }

protected:
    KSFlipY() = default;
    bool flipY_ { false };
};

class KSPlace : public KSActionInstant {
public:
    [[nodiscard]] static platform::Ref<KSPlace> actionWithPosition(Point position);
    [[nodiscard]] bool initWithPosition(Point position);
    platform::Ref<KSAction> copy() const override { return actionWithPosition(position_); }
    void startWithTarget(platform::Object* target) override;

protected:
    KSPlace() = default;
    Point position_ {};
};

// Calls a method without arguments on a retained object.
class KSCallFunc : public KSActionInstant {
public:
    using Selector = platform::Selector<>;
    [[nodiscard]] static platform::Ref<KSCallFunc> actionWithTarget(platform::Object* target, Selector selector);
    [[nodiscard]] bool initWithTarget(platform::Object* target, Selector selector);
    platform::Ref<KSAction> copy() const override { return actionWithTarget(targetCallback_.get(), selector_); }
    void startWithTarget(platform::Object* target) override;
    virtual void execute();
    int holds(const platform::Object* object) const override { return targetCallback_.get() == object ? 1 : 0; }

    platform::Object* targetCallback() const { return targetCallback_.get(); }

protected:
    KSCallFunc() = default;
    platform::Ref<platform::Object> targetCallback_;
    Selector selector_;
};

// Calls a method with the node that runs the action.
class KSCallFuncN : public KSActionInstant {
public:
    using Selector = platform::Selector<KSNode*>;
    [[nodiscard]] static platform::Ref<KSCallFuncN> actionWithTarget(platform::Object* target, Selector selector);
    [[nodiscard]] bool initWithTarget(platform::Object* target, Selector selector);
    platform::Ref<KSAction> copy() const override { return actionWithTarget(targetCallback_.get(), selector_); }
    void startWithTarget(platform::Object* target) override;
    virtual void execute();
    int holds(const platform::Object* object) const override { return targetCallback_.get() == object ? 1 : 0; }

    platform::Object* targetCallback() const { return targetCallback_.get(); }

protected:
    KSCallFuncN() = default;
    platform::Ref<platform::Object> targetCallback_;
    Selector selector_;
};

// Calls a method with the node that runs the action and a pointer it does not own.
class KSCallFuncND : public KSActionInstant {
public:
    using Selector = platform::Selector<KSNode*, void*>;
    [[nodiscard]] static platform::Ref<KSCallFuncND> actionWithTarget(platform::Object* target, Selector selector, void* data);
    [[nodiscard]] bool initWithTarget(platform::Object* target, Selector selector, void* data);
    platform::Ref<KSAction> copy() const override { return actionWithTarget(targetCallback_.get(), selector_, data_); }
    void startWithTarget(platform::Object* target) override;
    virtual void execute();
    int holds(const platform::Object* object) const override { return targetCallback_.get() == object ? 1 : 0; }

    platform::Object* targetCallback() const { return targetCallback_.get(); }
    void* data() const { return data_; }
    // The method execute calls, looked up from the selector once at
    // initialisation; replacing it redirects the call (same target, same arguments).
    Selector::Method callbackMethod() const { return callbackMethod_; }
    void setCallbackMethod(Selector::Method method) { callbackMethod_ = method; }

protected:
    KSCallFuncND() = default;
    platform::Ref<platform::Object> targetCallback_;
    Selector selector_;
    void* data_ { nullptr };
    Selector::Method callbackMethod_ { nullptr };
};

class KSCallBlock : public KSActionInstant {
public:
    using Block = std::function<void()>;
    [[nodiscard]] static platform::Ref<KSCallBlock> actionWithBlock(Block block);
    [[nodiscard]] bool initWithBlock(Block block);
    platform::Ref<KSAction> copy() const override { return actionWithBlock(block_); }
    void startWithTarget(platform::Object* target) override;
    virtual void execute();

protected:
    KSCallBlock() = default;
    Block block_;
};

class KSCallBlockN : public KSActionInstant {
public:
    using Block = std::function<void(KSNode*)>;
    [[nodiscard]] static platform::Ref<KSCallBlockN> actionWithBlock(Block block);
    [[nodiscard]] bool initWithBlock(Block block);
    platform::Ref<KSAction> copy() const override { return actionWithBlock(block_); }
    void startWithTarget(platform::Object* target) override;
    virtual void execute();

protected:
    KSCallBlockN() = default;
    Block block_;
};

} // namespace kestrel
