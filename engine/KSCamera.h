// A node's look-at camera (eye, centre, up). A camera at rest does nothing;
// once moved (dirty) the node applies it in its transform, about its anchor
// point. Grids put cameras back to rest with restore.
#pragma once

#include "engine/ksTypes.h"
#include "platform/foundation/Object.h"

namespace kestrel {

class KSCamera : public platform::Object {
public:
    [[nodiscard]] static platform::Ref<KSCamera> camera();
    bool init();

    // The single-precision epsilon: a rest eye just in front of the centre.
    static float getZEye();
    void restore();
    // Multiplies the look-at transform into the model-view matrix when dirty.
    void locate();

    void setEyeX(float x, float y, float z);
    void setCenterX(float x, float y, float z);
    void setUpX(float x, float y, float z);
    void eyeX(float* x, float* y, float* z) const;
    void centerX(float* x, float* y, float* z) const;
    void upX(float* x, float* y, float* z) const;

    bool dirty() const { return dirty_; }
    void setDirty(bool dirty) { dirty_ = dirty; }

    std::string className() const override { return "KSCamera"; }
    std::string description() const override;

protected:
    KSCamera() = default;

private:
    float eyeX_ { 0 }, eyeY_ { 0 }, eyeZ_ { 0 };
    float centerX_ { 0 }, centerY_ { 0 }, centerZ_ { 0 };
    float upX_ { 0 }, upY_ { 0 }, upZ_ { 0 };
    bool dirty_ { false };
};

} // namespace kestrel
