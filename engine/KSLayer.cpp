// KSLayer, KSColorLayer and KSMultiplexLayer.
#include "engine/KSLayer.h"

#include "engine/KSDirector.h"
#include "engine/platform/KSTouchDispatcher.h"
#include "platform/foundation/Exception.h"

namespace kestrel {

using platform::adoptRef;
using platform::Ref;

// KSLayer ------------------------------------------------------------------------------

Ref<KSLayer> KSLayer::node()
{
    auto l = adoptRef(new KSLayer);
    return l->init() ? l : nullptr;
}

bool KSLayer::init()
{
    if (!KSNode::init())
        return false;
    setAnchorPoint({ 0.5f, 0.5f });
    setContentSize(KSDirector::sharedDirector()->winSize());
    setIsRelativeAnchorPoint(false);
    isTouchEnabled_ = false;
    isAccelerometerEnabled_ = false;
    return true;
}

KSLayer::~KSLayer()
{
    // A layer that dies while still the accelerometer's delegate must not stay linked.
    auto& accelerometer = platform::ui::Accelerometer::sharedAccelerometer();
    if (accelerometer.delegate() == static_cast<platform::ui::AccelerometerDelegate*>(this))
        accelerometer.setDelegate(nullptr);
}

void KSLayer::registerWithTouchDispatcher() { KSTouchDispatcher::sharedDispatcher()->addStandardDelegate(this, 0); }

void KSLayer::setIsTouchEnabled(bool enabled)
{
    if (isTouchEnabled_ == enabled)
        return;
    isTouchEnabled_ = enabled;
    if (isRunning()) {
        if (enabled)
            registerWithTouchDispatcher();
        else
            KSTouchDispatcher::sharedDispatcher()->removeDelegate(this);
    }
}

void KSLayer::setIsAccelerometerEnabled(bool enabled)
{
    if (isAccelerometerEnabled_ == enabled)
        return;
    isAccelerometerEnabled_ = enabled;
    if (isRunning())
        platform::ui::Accelerometer::sharedAccelerometer().setDelegate(enabled ? this : nullptr);
}

void KSLayer::onEnter()
{
    if (isTouchEnabled_)
        registerWithTouchDispatcher();
    KSNode::onEnter();
}

void KSLayer::onEnterTransitionDidFinish()
{
    if (isAccelerometerEnabled_)
        platform::ui::Accelerometer::sharedAccelerometer().setDelegate(this);
    KSNode::onEnterTransitionDidFinish();
}

void KSLayer::onExit()
{
    if (isTouchEnabled_)
        KSTouchDispatcher::sharedDispatcher()->removeDelegate(this);
    if (isAccelerometerEnabled_)
        platform::ui::Accelerometer::sharedAccelerometer().setDelegate(nullptr);
    KSNode::onExit();
}

bool KSLayer::ksTouchBegan(ActiveTouch*, Event*)
{
    BRISKO_ASSERT_FILE(false, "engine/KSLayer", "Layer#ksTouchBegan override me");
    return true;
}

// KSColorLayer -------------------------------------------------------------------------

Ref<KSColorLayer> KSColorLayer::layerWithColor(ksColor4B color, float width, float height)
{
    auto l = adoptRef(new KSColorLayer);
    return l->initWithColor(color, width, height) ? l : nullptr;
}

Ref<KSColorLayer> KSColorLayer::layerWithColor(ksColor4B color)
{
    auto l = adoptRef(new KSColorLayer);
    return l->initWithColor(color) ? l : nullptr;
}

bool KSColorLayer::initWithColor(ksColor4B color, float width, float height)
{
    if (!KSLayer::init())
        return false;
    blendFunc_ = { GL_ONE, GL_ONE_MINUS_SRC_ALPHA };
    color_ = { color.r, color.g, color.b };
    opacity_ = color.a;
    for (GLfloat& v : squareVertices_)
        v = 0;
    updateColor();
    setContentSize({ width, height });
    return true;
}

bool KSColorLayer::initWithColor(ksColor4B color)
{
    Size s = KSDirector::sharedDirector()->winSize();
    return initWithColor(color, s.width, s.height);
}

void KSColorLayer::setContentSize(Size size)
{
    float scale = ksContentScaleFactor();
    squareVertices_[2] = size.width * scale;
    squareVertices_[5] = size.height * scale;
    squareVertices_[6] = size.width * scale;
    squareVertices_[7] = size.height * scale;
    KSLayer::setContentSize(size);
}

void KSColorLayer::changeWidth(float width, float height) { setContentSize({ width, height }); }
void KSColorLayer::changeWidth(float width) { setContentSize({ width, contentSize().height }); }
void KSColorLayer::changeHeight(float height) { setContentSize({ contentSize().width, height }); }

void KSColorLayer::updateColor()
{
    for (int i = 0; i < 4; ++i) {
        squareColors_[i * 4] = color_.r;
        squareColors_[i * 4 + 1] = color_.g;
        squareColors_[i * 4 + 2] = color_.b;
        squareColors_[i * 4 + 3] = opacity_;
    }
}

void KSColorLayer::setColor(ksColor3B color)
{
    color_ = color;
    updateColor();
}

void KSColorLayer::setOpacity(GLubyte opacity)
{
    opacity_ = opacity;
    updateColor();
}

void KSColorLayer::draw()
{
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);

    glVertexPointer(2, GL_FLOAT, 0, squareVertices_);
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, squareColors_);

    bool newBlend = false;
    if (blendFunc_.src != GL_ONE || blendFunc_.dst != GL_ONE_MINUS_SRC_ALPHA) {
        newBlend = true;
        glBlendFunc(blendFunc_.src, blendFunc_.dst);
    } else if (opacity_ != 255) {
        newBlend = true;
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }

    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);

    if (newBlend)
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);

    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
}

// KSMultiplexLayer ---------------------------------------------------------------------

Ref<KSMultiplexLayer> KSMultiplexLayer::layerWithLayers(std::initializer_list<KSLayer*> list)
{
    auto l = adoptRef(new KSMultiplexLayer);
    return l->initWithLayers(list) ? l : nullptr;
}

bool KSMultiplexLayer::initWithLayers(std::initializer_list<KSLayer*> list)
{
    if (!KSLayer::init())
        return false;
    layers_.reserve(5);
    for (KSLayer* layer : list) {
        if (!layer)
            break;
        layers_.emplace_back(layer);
    }
    BRISKO_ASSERT_FILE(!layers_.empty(), "engine/KSLayer", "Invalid index in MultiplexLayer switchTo message");
    enabledLayer_ = 0;
    addChild(layers_[0].get());
    return true;
}

void KSMultiplexLayer::switchTo(unsigned index)
{
    BRISKO_ASSERT_FILE(index < layers_.size(), "engine/KSLayer", "Invalid index in MultiplexLayer switchTo message");
    if (KSLayer* shown = layers_[enabledLayer_].get())
        removeChild(shown, true);
    enabledLayer_ = index;
    addChild(layers_[index].get());
}

void KSMultiplexLayer::switchToAndReleaseMe(unsigned index)
{
    BRISKO_ASSERT_FILE(index < layers_.size(), "engine/KSLayer", "Invalid index in MultiplexLayer switchTo message");
    if (KSLayer* shown = layers_[enabledLayer_].get())
        removeChild(shown, true);
    layers_[enabledLayer_] = nullptr;
    enabledLayer_ = index;
    addChild(layers_[index].get());
}

const KSFloatProperties& KSColorLayer::floatProperties() const
{
    static const KSFloatProperties properties(&KSLayer::floatProperties(), {
        { "opacity", [](KSNode* n, float v) { static_cast<KSColorLayer*>(n)->setOpacity(ksFloatToByte(v)); } },
    });
    return properties;
}

} // namespace kestrel
