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
//
// Every call of the delegate goes through the client's one door to the game
// (QVSessionRole::callGame): a game that shuts the client down inside one
// is told nothing more by the caller, which stops when notify answers false.
#pragma once

#include "social/runtime/QVDelegate.h"
#include "social/runtime/QVRequestHandle.h"
#include "social/runtime/QVSessionRole.h"

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
    // Calls `call` with the delegate, kept alive for the call, through the
    // client's one door to the game (QVSessionRole::callGame); nothing
    // without one. False when the call shut the running client down: the
    // caller tells the game nothing more.
    template <typename Call>
    static bool notify(Call&& call)
    {
        auto d = classObject().delegate_.lock();
        if (!d)
            return true;
        return QVSessionRole::current().callGame([&] { call(*d); });
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
