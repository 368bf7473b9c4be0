// Shared fixtures for node and action tests: fresh shared scheduler, action
// manager and director per test, a hand-ticked clock, and nodes that record
// what happens to them. Nothing here needs a GL context.
#pragma once

#include "engine/KSActionInterval.h"
#include "engine/KSActionManager.h"
#include "engine/KSDirector.h"
#include "engine/KSNode.h"
#include "engine/KSProtocols.h"
#include "engine/KSScheduler.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Weak.h"
#include "support/Assertions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrel_test {

using kestrel::KSNode;
using platform::Ref;

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { reset(); kestrel::KSDirector::sharedDirector()->setWinSizeInPixels({ 480, 320 }); }
    void TearDown() override
    {
        reset();
        kestrel::ksSetContentScaleFactor(1.0f);
    }
    static void reset()
    {
        kestrel::KSActionManager::purgeSharedManager();
        kestrel::KSScheduler::purgeSharedScheduler();
        kestrel::KSDirector::purgeSharedDirector();
    }
    // One frame of the given length. The first tick creates the action manager's
    // registration if no action ran yet, so make sure it exists.
    static void tick(float dt)
    {
        kestrel::KSActionManager::sharedManager();
        kestrel::KSScheduler::sharedScheduler()->tick(dt);
    }
};

// Records life-cycle calls and draws into a shared journal.
class RecordingNode : public KSNode {
public:
    static Ref<RecordingNode> make(std::string name, std::vector<std::string>* journal)
    {
        auto n = platform::adoptRef(new RecordingNode);
        n->init();
        n->name_ = std::move(name);
        n->journal_ = journal;
        return n;
    }
    void onEnter() override { note("enter"); KSNode::onEnter(); }
    void onEnterTransitionDidFinish() override { note("didFinish"); KSNode::onEnterTransitionDidFinish(); }
    void onExit() override { note("exit"); KSNode::onExit(); }
    void cleanup() override { note("cleanup"); KSNode::cleanup(); }
    void draw() override { note("draw"); }
    void update(kestrel::ksTime dt) override { updates.push_back(dt); }

    std::vector<float> updates;

private:
    void note(const char* what) { if (journal_) journal_->push_back(name_ + ":" + what); }
    std::string name_;
    std::vector<std::string>* journal_ { nullptr };
};

// A node with colour and opacity, for fades and tints.
class ColorNode : public KSNode, public kestrel::KSRGBAProtocol {
public:
    static Ref<ColorNode> make()
    {
        auto n = platform::adoptRef(new ColorNode);
        n->init();
        return n;
    }
    void setColor(kestrel::ksColor3B c) override { color_ = c; }
    kestrel::ksColor3B color() const override { return color_; }
    GLubyte opacity() const override { return opacity_; }
    void setOpacity(GLubyte o) override { opacity_ = o; }

    kestrel::ksColor3B color_ { 255, 255, 255 };
    GLubyte opacity_ { 255 };
};

// An interval action that records the progress values it is given.
class ProbeAction : public kestrel::KSActionInterval {
public:
    static Ref<ProbeAction> make(float d)
    {
        auto a = platform::adoptRef(new ProbeAction);
        EXPECT_TRUE(a->initWithDuration(d));
        return a;
    }
    Ref<kestrel::KSAction> copy() const override { return make(duration_); }
    Ref<kestrel::KSFiniteTimeAction> reverse() const override
    {
        auto a = make(duration_);
        a->reversed = !reversed;
        return a;
    }
    void startWithTarget(platform::Object* target) override { starts++; KSActionInterval::startWithTarget(target); }
    void stop() override { stops++; KSActionInterval::stop(); }
    void update(float t) override { updates.push_back(t); }

    float last() const { return updates.empty() ? -99.f : updates.back(); }

    std::vector<float> updates;
    int starts { 0 };
    int stops { 0 };
    bool reversed { false };
};

} // namespace kestrel_test
