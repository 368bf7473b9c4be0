// Callback values of the social client: QVDelegate names a target object, a
// method, an optional user parameter and the run loop on which the call runs.
//
// A value is copied freely; each copy keeps the target and user parameter
// alive. Invoking calls the method with (argument, user parameter): at once
// when the caller is already on the target's run loop, later on that loop
// otherwise (or after a delay when one is given). Just before the call the
// target is asked canReceiveCallbacksNow() — on the target's loop — and a NO
// drops the call. A value without target does nothing.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Selector.h"

namespace quorvel {

class QVDelegateChained;

// Implemented by callback targets that can refuse a callback, e.g. a screen
// that has left its navigation stack.
class QVCallbackable {
public:
    virtual ~QVCallbackable() = default;
    virtual bool canReceiveCallbacksNow() = 0;
};

// The answer of a target that works for another object (a cell or header for
// its screen, a helper for the screen that hosts it): it takes a callback only
// while that host exists (`host` is null once it is gone) and takes it itself.
inline bool QVHostTakesCallbacks(platform::Object* host)
{
    if (!host)
        return false;
    auto* callbackable = dynamic_cast<QVCallbackable*>(host);
    return !callbackable || callbackable->canReceiveCallbacksNow();
}

class QVDelegate {
public:
    // method(argument, user parameter)
    using Method = platform::Selector<platform::Object*, platform::Object*>;
    // method(argument): for targets that take no user parameter
    using ShortMethod = platform::Selector<platform::Object*>;

    QVDelegate() = default;
    QVDelegate(platform::Object* target, Method method);
    QVDelegate(platform::Object* target, ShortMethod method);
    QVDelegate(platform::Object* target, Method method, platform::Object* userParam);
    // The user parameter becomes a QVDelegateChained holding a copy of `chained`.
    QVDelegate(platform::Object* target, Method method, const QVDelegate& chained);

    void invoke(platform::Object* argument = nullptr) const;
    // Runs after `delay` seconds on the target's run loop (at once-on-the-loop when 0).
    void invoke(platform::Object* argument, double delay) const;

    platform::Object* target() const { return target_.get(); }
    platform::Object* userParam() const { return userParam_.get(); }
    platform::RunLoop* targetThread() const { return thread_; }
    bool isEmpty() const { return !target_; }
    // The chained value carried as user parameter, or null.
    QVDelegateChained* chained() const;

    friend bool operator==(const QVDelegate& a, const QVDelegate& b)
    {
        return a.target_.get() == b.target_.get() && a.method_ == b.method_ && a.shortMethod_ == b.shortMethod_;
    }

private:
    void call(platform::Object* argument) const;

    platform::Ref<platform::Object> target_;
    Method method_;
    ShortMethod shortMethod_;
    platform::Ref<platform::Object> userParam_;
    platform::RunLoop* thread_ { nullptr };
};

// The caller's values carried as the user parameter of another callback: one
// value, or a request's success and failure values, so that either ending of
// the request (an unreadable answer too) reaches the caller's right one.
class QVDelegateChained : public platform::Object {
public:
    static platform::Ref<QVDelegateChained> chainedWith(const QVDelegate& delegate)
    {
        return platform::adoptRef(new QVDelegateChained(delegate, QVDelegate()));
    }
    static platform::Ref<QVDelegateChained> chainedWith(const QVDelegate& onSuccess, const QVDelegate& onFailure)
    {
        return platform::adoptRef(new QVDelegateChained(onSuccess, onFailure));
    }
    // The chained values a hook received as its user parameter, or null when
    // it was given none. A user parameter of another kind is a programming
    // error (the caller's values would be lost): it fails an assertion.
    static QVDelegateChained* from(platform::Object* userParam);
    void invoke() const { delegate_.invoke(nullptr); }
    void invokeWith(platform::Object* argument) const { delegate_.invoke(argument); }
    // The failure value of a pair (empty when only one value is chained).
    void invokeFailureWith(platform::Object* argument) const { onFailure_.invoke(argument); }
    const QVDelegate& delegate() const { return delegate_; }
    const QVDelegate& onFailure() const { return onFailure_; }

private:
    QVDelegateChained(const QVDelegate& d, const QVDelegate& onFailure) : delegate_(d), onFailure_(onFailure) { }
    QVDelegate delegate_;
    QVDelegate onFailure_;
};

// The game's three delegates, handed to the client at initialisation. The
// container does not retain them: the game keeps them alive.
class QuorvelDelegate;
class QVChallengeDelegate;
class QVNotificationDelegate;

class QVDelegatesContainer : public platform::Object {
public:
    static platform::Ref<QVDelegatesContainer> create() { return platform::adoptRef(new QVDelegatesContainer); }
    static platform::Ref<QVDelegatesContainer> containerWithQuorvelDelegate(QuorvelDelegate* d,
        QVChallengeDelegate* challenge = nullptr, QVNotificationDelegate* notification = nullptr)
    {
        auto c = create();
        c->quorvelDelegate_ = d;
        c->challengeDelegate_ = challenge;
        c->notificationDelegate_ = notification;
        return c;
    }

    QuorvelDelegate* quorvelDelegate() const { return quorvelDelegate_; }
    void setQuorvelDelegate(QuorvelDelegate* d) { quorvelDelegate_ = d; }
    QVChallengeDelegate* challengeDelegate() const { return challengeDelegate_; }
    void setChallengeDelegate(QVChallengeDelegate* d) { challengeDelegate_ = d; }
    QVNotificationDelegate* notificationDelegate() const { return notificationDelegate_; }
    void setNotificationDelegate(QVNotificationDelegate* d) { notificationDelegate_ = d; }

private:
    QVDelegatesContainer() = default;
    QuorvelDelegate* quorvelDelegate_ { nullptr };
    QVChallengeDelegate* challengeDelegate_ { nullptr };
    QVNotificationDelegate* notificationDelegate_ { nullptr };
};

} // namespace quorvel
