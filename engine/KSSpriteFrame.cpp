// Sprite frames: a texture rectangle in points and pixels with trim data.
#include "engine/KSSpriteFrame.h"

#include "platform/foundation/Format.h"

namespace kestrel {

using platform::Ref;

Ref<KSSpriteFrame> KSSpriteFrame::frameWithTexture(KSTexture2D* texture, Rect rect)
{
    auto frame = adoptRef(new KSSpriteFrame);
    return frame->initWithTexture(texture, rect) ? frame : nullptr;
}

Ref<KSSpriteFrame> KSSpriteFrame::frameWithTexture(KSTexture2D* texture, Rect rectInPixels, bool rotated, Point offset,
                                                   Size originalSize)
{
    auto frame = adoptRef(new KSSpriteFrame);
    return frame->initWithTexture(texture, rectInPixels, rotated, offset, originalSize) ? frame : nullptr;
}

bool KSSpriteFrame::initWithTexture(KSTexture2D* texture, Rect rect)
{
    const float scale = ksContentScaleFactor();
    Rect pixels(rect.origin.x * scale, rect.origin.y * scale, rect.size.width * scale, rect.size.height * scale);
    return initWithTexture(texture, pixels, false, Point(0, 0), pixels.size);
}

bool KSSpriteFrame::initWithTexture(KSTexture2D* texture, Rect rectInPixels, bool rotated, Point offset,
                                    Size originalSize)
{
    const float scale = ksContentScaleFactor();
    texture_ = texture;
    rectInPixels_ = rectInPixels;
    rect_ = Rect(rectInPixels.origin.x / scale, rectInPixels.origin.y / scale, rectInPixels.size.width / scale,
                 rectInPixels.size.height / scale);
    rotated_ = rotated;
    offsetInPixels_ = offset;
    originalSizeInPixels_ = originalSize;
    return true;
}

Ref<KSSpriteFrame> KSSpriteFrame::copy() const
{
    return frameWithTexture(texture_.get(), rectInPixels_, rotated_, offsetInPixels_, originalSizeInPixels_);
}

std::string KSSpriteFrame::description() const
{
    return platform::format("<%s = %s | TextureName=%d, Rect = (%.2f,%.2f,%.2f,%.2f)>", className().c_str(),
                            platform::addressString(this).c_str(), texture_ ? static_cast<int>(texture_->name()) : 0,
                            rect_.origin.x, rect_.origin.y, rect_.size.width, rect_.size.height);
}

} // namespace kestrel
