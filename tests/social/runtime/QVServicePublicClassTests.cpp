// The class-wide delegate of a public class: not retained, forgotten when it
// dies, and clearing it forgets the class's requests only.
#include "social/runtime/QVServicePublicClass.h"

#include <gtest/gtest.h>

#include <functional>

using namespace quorvel;
using platform::Ref;

namespace {

class Request : public platform::Object { };

class GadgetDelegate {
public:
    virtual ~GadgetDelegate() = default;
    virtual void didThing() { }
};

class GadgetClass : public QVServicePublicClass<GadgetClass, GadgetDelegate> {
    friend class QVServicePublicClass<GadgetClass, GadgetDelegate>;
    GadgetClass() = default;
};

class CountingDelegate : public platform::Object, public GadgetDelegate {
public:
    void didThing() override { ++calls; }
    int calls { 0 };
};

TEST(PublicClassDelegate, NotRetainedAndForgottenWhenItDies)
{
    int calls = 0;
    {
        auto d = platform::adoptRef(new CountingDelegate);
        GadgetClass::setDelegate(d.get());
        EXPECT_EQ(d->retainCount(), 1) << "the class does not retain its delegate";
        GadgetClass::notify([](GadgetDelegate& g) { g.didThing(); });
        calls = d->calls;
    }
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(GadgetClass::delegate(), nullptr);
    GadgetClass::notify([](GadgetDelegate& g) { g.didThing(); }); // must not touch the dead delegate
    GadgetClass::setDelegate(nullptr);
}

TEST(PublicClassDelegate, ClearingForgetsTheClassRequestsOnly)
{
    auto someRequest = platform::adoptRef(new Request);
    auto otherRequest = platform::adoptRef(new Request);
    int otherModule = 0;
    GadgetClass::file(QVRequestHandle::requestHandle(someRequest.get()));
    QVRequestHandlesForModule::addHandle(QVRequestHandle::requestHandle(otherRequest.get()).get(), &otherModule);
    EXPECT_EQ(QVRequestHandlesForModule::handleCount(GadgetClass::module()), 1u);
    GadgetClass::setDelegate(nullptr);
    EXPECT_EQ(QVRequestHandlesForModule::handleCount(GadgetClass::module()), 0u);
    EXPECT_EQ(QVRequestHandlesForModule::handleCount(&otherModule), 1u);
    QVRequestHandlesForModule::cancelAllRequestsForModule(&otherModule);
}

// The delegate is called through the client's one door to the game: when the
// call shuts the client down, notify answers false and the caller stops there.
TEST(PublicClassDelegate, IsCalledThroughTheGamesDoorWhichSaysWhenTheClientWent)
{
    struct ShutDownInTheCall : QVSessionRole {
        bool callGame(const std::function<void()>& call) override
        {
            call();
            ++calls;
            return false;
        }
        int calls { 0 };
    } role;
    QVSessionRole::setCurrent(&role);
    auto d = platform::adoptRef(new CountingDelegate);
    GadgetClass::setDelegate(d.get());
    EXPECT_FALSE(GadgetClass::notify([](GadgetDelegate& g) { g.didThing(); }));
    EXPECT_EQ(role.calls, 1);
    EXPECT_EQ(d->calls, 1);
    GadgetClass::setDelegate(nullptr);
    EXPECT_TRUE(GadgetClass::notify([](GadgetDelegate& g) { g.didThing(); })) << "no delegate: nothing went";
    EXPECT_EQ(role.calls, 1);
    QVSessionRole::setCurrent(nullptr);
}

} // namespace
