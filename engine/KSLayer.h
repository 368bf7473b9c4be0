// Layers: full-window nodes placed in scenes. KSLayer receives touches from
// the touch dispatcher and accelerometer samples while it is running (when
// enabled); KSColorLayer fills its area with one colour; KSMultiplexLayer
// holds several layers and shows exactly one at a time.
//
// Caveat: the touch and accelerometer connections exist only while the layer
// runs: touch from onEnter, the accelerometer from onEnterTransitionDidFinish,
// both dropped at onExit. A layer registered as a touch delegate is retained by
// the dispatcher until it leaves the stage.
#pragma once

#include "engine/KSNode.h"
#include "engine/KSProtocols.h"
#include "engine/platform/KSTouchDelegateProtocol.h"
#include "platform/device/Accelerometer.h"

#include <initializer_list>
#include <vector>

namespace kestrel {

class KSLayer : public KSNode,
                public platform::ui::AccelerometerDelegate,
                public KSStandardTouchDelegate,
                public KSTargetedTouchDelegate {
public:
    [[nodiscard]] static platform::Ref<KSLayer> node();
    bool init() override;

    // Registers as a standard delegate of priority 0; override to register as a targeted one.
    virtual void registerWithTouchDispatcher();
    bool isTouchEnabled() const { return isTouchEnabled_; }
    void setIsTouchEnabled(bool enabled);
    bool isAccelerometerEnabled() const { return isAccelerometerEnabled_; }
    void setIsAccelerometerEnabled(bool enabled);

    void onEnter() override;
    void onEnterTransitionDidFinish() override;
    void onExit() override;

    // Fails its assertion: a layer that registers as a targeted delegate overrides it.
    bool ksTouchBegan(ActiveTouch* touch, Event* event) override;
    // A layer that enables the accelerometer overrides this.
    void accelerometer(platform::ui::Accelerometer*, platform::ui::Acceleration*) override { }

    std::string className() const override { return "KSLayer"; }

protected:
    KSLayer() = default;
    ~KSLayer() override;

    bool isTouchEnabled_ { false };
    bool isAccelerometerEnabled_ { false };
};

class KSColorLayer : public KSLayer, public KSRGBAProtocol, public KSBlendProtocol {
public:
    [[nodiscard]] static platform::Ref<KSColorLayer> layerWithColor(ksColor4B color, float width, float height);
    [[nodiscard]] static platform::Ref<KSColorLayer> layerWithColor(ksColor4B color);
    [[nodiscard]] bool initWithColor(ksColor4B color, float width, float height);
    [[nodiscard]] bool initWithColor(ksColor4B color);

    void setContentSize(Size size) override;
    void changeWidth(float width, float height);
    void changeWidth(float width);
    void changeHeight(float height);
    void updateColor();
    void draw() override;

    void setColor(ksColor3B color) override;
    ksColor3B color() const override { return color_; }
    GLubyte opacity() const override { return opacity_; }
    void setOpacity(GLubyte opacity) override;
    void setBlendFunc(ksBlendFunc blendFunc) override { blendFunc_ = blendFunc; }
    ksBlendFunc blendFunc() const override { return blendFunc_; }

    // The four corners (x, y) in pixels and their colours (r, g, b, a each).
    const GLfloat* squareVertices() const { return squareVertices_; }
    const GLubyte* squareColors() const { return squareColors_; }

    std::string className() const override { return "KSColorLayer"; }
    const KSFloatProperties& floatProperties() const override;

protected:
    KSColorLayer() = default;

    GLubyte opacity_ { 0 };
    ksColor3B color_ {};
    GLfloat squareVertices_[8] {};
    GLubyte squareColors_[16] {};
    ksBlendFunc blendFunc_ { GL_ONE, GL_ONE_MINUS_SRC_ALPHA };
};

class KSMultiplexLayer : public KSLayer {
public:
    // The first layer is shown. Null entries end the list.
    [[nodiscard]] static platform::Ref<KSMultiplexLayer> layerWithLayers(std::initializer_list<KSLayer*> layers);
    [[nodiscard]] bool initWithLayers(std::initializer_list<KSLayer*> layers);

    // Shows the layer at index (the shown one is removed with cleanup).
    void switchTo(unsigned index);
    // The same, and lets go of the layer that was shown (its slot stays, empty).
    void switchToAndReleaseMe(unsigned index);

    unsigned enabledLayer() const { return enabledLayer_; }
    // The layer at index, or null for one released by switchToAndReleaseMe.
    KSLayer* layerAt(unsigned index) const { return index < layers_.size() ? layers_[index].get() : nullptr; }
    size_t layerCount() const { return layers_.size(); }

    std::string className() const override { return "KSMultiplexLayer"; }

protected:
    KSMultiplexLayer() = default;

    unsigned enabledLayer_ { 0 };
    std::vector<platform::Ref<KSLayer>> layers_;
};

} // namespace kestrel
