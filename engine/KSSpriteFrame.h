// One rectangle of a texture, possibly stored rotated and trimmed, that a
// sprite shows or an animation steps through.
//
// Caveat: the rect and rectInPixels setters store as given, without
// converting one into the other. The texture may be nil (a sheet whose image
// did not load): users check it before drawing.
#pragma once

#include "engine/KSTexture2D.h"
#include "engine/ksTypes.h"
#include "platform/foundation/Object.h"

namespace kestrel {

class KSSpriteFrame : public platform::Object {
public:
    // rect in points.
    [[nodiscard]] static platform::Ref<KSSpriteFrame> frameWithTexture(KSTexture2D* texture, Rect rect);
    // Everything in pixels.
    [[nodiscard]] static platform::Ref<KSSpriteFrame> frameWithTexture(KSTexture2D* texture, Rect rectInPixels, bool rotated,
                                                         Point offset, Size originalSize);

    [[nodiscard]] bool initWithTexture(KSTexture2D* texture, Rect rect);
    [[nodiscard]] bool initWithTexture(KSTexture2D* texture, Rect rectInPixels, bool rotated, Point offset, Size originalSize);

    platform::Ref<KSSpriteFrame> copy() const;

    Rect rect() const { return rect_; }
    void setRect(Rect r) { rect_ = r; }
    Rect rectInPixels() const { return rectInPixels_; }
    void setRectInPixels(Rect r) { rectInPixels_ = r; }
    bool rotated() const { return rotated_; }
    void setRotated(bool r) { rotated_ = r; }
    Point offsetInPixels() const { return offsetInPixels_; }
    void setOffsetInPixels(Point p) { offsetInPixels_ = p; }
    Size originalSizeInPixels() const { return originalSizeInPixels_; }
    void setOriginalSizeInPixels(Size s) { originalSizeInPixels_ = s; }
    KSTexture2D* texture() const { return texture_.get(); }
    void setTexture(KSTexture2D* t) { texture_ = t; }

    std::string className() const override { return "KSSpriteFrame"; }
    std::string description() const override;

protected:
    KSSpriteFrame() = default;

private:
    Rect rect_;
    Rect rectInPixels_;
    bool rotated_ { false };
    Point offsetInPixels_;
    Size originalSizeInPixels_;
    platform::Ref<KSTexture2D> texture_;
};

} // namespace kestrel
