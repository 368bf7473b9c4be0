// The engine scene: a colour layer, a few nodes moving under actions, and a
// layer that follows the fingers played on the view (a targeted touch layer
// that moves a marker to each touch), with the frame-rate display on.
#include "Showcase.h"

#include "engine/KSActionInterval.h"
#include "engine/KSLayer.h"
#include "engine/platform/KSTouchDispatcher.h"
#include "platform/foundation/Format.h"

namespace showcase {

using namespace kestrel;
using platform::Ref;

namespace {

// Claims every touch and puts its marker where the finger is.
class TouchLayer : public KSLayer {
public:
    static Ref<TouchLayer> make()
    {
        auto l = platform::adoptRef(new TouchLayer);
        if (!l->init())
            return nullptr;
        l->marker_ = KSColorLayer::layerWithColor({ 255, 255, 255, 255 }, 20, 20);
        l->marker_->setIsRelativeAnchorPoint(true);
        l->marker_->setPosition({ 160, 60 });
        l->addChild(l->marker_.get(), 5);
        l->setIsTouchEnabled(true);
        return l;
    }
    void registerWithTouchDispatcher() override { KSTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, 0, true); }
    bool ksTouchBegan(ActiveTouch* touch, Event*) override
    {
        ++answered;
        marker_->setPosition(convertTouchToNodeSpace(touch));
        return true;
    }
    void ksTouchMoved(ActiveTouch* touch, Event*) override { marker_->setPosition(convertTouchToNodeSpace(touch)); }
    void ksTouchEnded(ActiveTouch* touch, Event*) override { marker_->setColor({ 255, 200, 0 }); }

    int answered { 0 };

private:
    TouchLayer() = default;
    Ref<KSColorLayer> marker_;
};

Ref<KSColorLayer> movingSquare(ksColor4B color, Point from, KSActionInterval* motion)
{
    auto square = KSColorLayer::layerWithColor(color, 40, 40);
    square->setIsRelativeAnchorPoint(true);
    square->setPosition(from);
    square->runAction(KSRepeatForever::actionWithAction(motion).get());
    return square;
}

} // namespace

std::string runEngineScene(Showcase& showcase)
{
    auto scene = KSScene::node();
    auto background = KSColorLayer::layerWithColor({ 30, 60, 140, 255 });
    scene->addChild(background.get(), 0);

    auto there = KSMoveBy::actionWithDuration(1.0f, { 200, 0 });
    auto back = KSMoveBy::actionWithDuration(1.0f, { -200, 0 });
    auto shuttle = KSSequence::actionOne(there.get(), back.get());
    scene->addChild(movingSquare({ 220, 60, 60, 255 }, { 60, 380 }, shuttle.get()).get(), 1);
    scene->addChild(movingSquare({ 60, 200, 90, 255 }, { 160, 260 }, KSRotateBy::actionWithDuration(2.0f, 360).get()).get(), 1);
    auto grow = KSScaleTo::actionWithDuration(0.75f, 1.8f);
    auto shrink = KSScaleTo::actionWithDuration(0.75f, 1.0f);
    scene->addChild(movingSquare({ 240, 220, 80, 255 }, { 160, 160 }, KSSequence::actionOne(grow.get(), shrink.get()).get()).get(), 1);

    auto touches = TouchLayer::make();
    scene->addChild(touches.get(), 2);

    // Fingers in view coordinates (y down): a tap, then a drag across the bottom.
    Ref<ActiveTouch> drag;
    EAGLView* view = showcase.view();
    auto run = showcase.run("engine", scene.get(), 45, { 1, 20, 45 }, [&](unsigned frame) {
        if (frame == 10)
            platform::ui::TouchInjector::tap(view, { 80, 400 });
        if (frame == 25)
            drag = platform::ui::TouchInjector::begin(view, { 40, 440 });
        if (frame == 30 && drag)
            platform::ui::TouchInjector::move(drag.get(), { 280, 440 });
        if (frame == 35 && drag)
            platform::ui::TouchInjector::end(drag.get());
    });
    std::string saved;
    for (const auto& f : run.saved)
        saved += (saved.empty() ? "" : ", ") + f;
    return platform::format("engine: %u frames at 1/30 s, colour layer, 3 moving nodes, %d touches answered; saved %s",
                            run.frames, touches->answered, saved.c_str());
}

} // namespace showcase
