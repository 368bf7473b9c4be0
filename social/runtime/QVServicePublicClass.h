// QVServicePublicClass: the class side of a public class of the services
// (QVUser, QVCurrentUser, QVHighScore, ...), which the game uses through class
// methods and which reports to one class-wide delegate.
//
// The class object is the target of the class's request callbacks and the
// module its requests are filed under. The delegate is not retained: when it
// is a platform::Object it is watched, so a destroyed delegate simply stops
// receiving calls. Clearing the delegate forgets every request handle filed
// under the class; those requests run on and their answers reach nobody.
//
//     class QVUserClass : public QVServicePublicClass<QVUserClass, QVUserDelegate> { ...callbacks... };
//     QVUserClass::setDelegate(d);
//     QVUserClass::file(service->send(...));
//     QVUserClass::notify([&](QVUserDelegate& d) { d.didGetUser(user); });
#pragma once

#include "social/runtime/QVDelegate.h"
#include "social/runtime/QVRequestHandle.h"

#include "platform/foundation/Weak.h"

namespace quorvel {

template <typename Class, typename Delegate>
class QVServicePublicClass : public platform::Object, public QVCallbackable {
public:
    // The one class object; made on first use and kept to the end of the process.
    static Class& classObject()
    {
        static Class* object = new Class;
        return *object;
    }
    static const void* module() { return &classObject(); }

    static void setDelegate(Delegate* delegate)
    {
        Class& c = classObject();
        c.delegate_ = delegate;
        platform::Object* object = dynamic_cast<platform::Object*>(delegate);
        c.delegateObject_.reset(object);
        c.delegateIsObject_ = object != nullptr;
        if (!delegate)
            QVRequestHandlesForModule::cancelAllRequestsForModule(module());
    }
    // The delegate, or null when none is set or it has been destroyed.
    static Delegate* delegate()
    {
        Class& c = classObject();
        if (c.delegateIsObject_ && c.delegateObject_.expired())
            return nullptr;
        return c.delegate_;
    }
    // Calls `call` with the delegate, kept alive for the call; nothing without one.
    template <typename Call>
    static void notify(Call&& call)
    {
        Class& c = classObject();
        platform::Ref<platform::Object> keep;
        if (c.delegateIsObject_) {
            keep = c.delegateObject_.lock();
            if (!keep)
                return;
        }
        if (c.delegate_)
            call(*c.delegate_);
    }
    // Files the handle under the class (null is ignored) and answers it.
    static platform::Ref<QVRequestHandle> file(platform::Ref<QVRequestHandle> handle)
    {
        QVRequestHandlesForModule::addHandle(handle.get(), module());
        return handle;
    }

    bool canReceiveCallbacksNow() override { return true; }

protected:
    QVServicePublicClass() = default;

private:
    Delegate* delegate_ { nullptr };
    platform::Weak<platform::Object> delegateObject_;
    bool delegateIsObject_ { false };
};

} // namespace quorvel
