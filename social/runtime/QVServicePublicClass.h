// QVServicePublicClass: the class side of a public class of the services
// (QVUser, QVCurrentUser, QVHighScore, ...), which the game uses through class
// methods and which reports to one class-wide delegate.
//
// The class object is the target of the class's request callbacks and the
// module its requests are filed under. The delegate is a checked link: when it
// is a platform::Object it is watched, so a destroyed delegate simply stops
// receiving calls; the game keeps any other delegate alive while set. Clearing the delegate forgets every request handle filed
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
        classObject().delegate_ = delegate;
        if (!delegate)
            QVRequestHandlesForModule::cancelAllRequestsForModule(module());
    }
    // The delegate, or null when none is set or it has been destroyed.
    static Delegate* delegate() { return classObject().delegate_.get(); }
    // Calls `call` with the delegate, kept alive for the call; nothing without one.
    template <typename Call>
    static void notify(Call&& call)
    {
        if (auto d = classObject().delegate_.lock())
            call(*d);
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
    platform::WeakLink<Delegate> delegate_;
};

} // namespace quorvel
