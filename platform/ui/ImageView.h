// An image view: shows one image (or its highlighted image) with a content
// mode. Not interactive by default; sizeThatFits is the image's size.
#pragma once

#include "platform/ui/ImageAsset.h"
#include "platform/ui/View.h"

namespace platform::ui {

class ImageView : public View {
public:
    static Ref<ImageView> imageViewWithImage(ImageAsset* image);
    static Ref<ImageView> imageViewWithFrame(const Rect& frame);
    bool initWithFrame(const Rect& frame) override;
    bool initWithCoder(const InterfaceCoder& coder) override;
    // Frame at the origin with the image's size.
    bool initWithImage(ImageAsset* image);

    ImageAsset* image() const { return image_.get(); }
    virtual void setImage(ImageAsset* image);
    ImageAsset* highlightedImage() const { return highlightedImage_.get(); }
    void setHighlightedImage(ImageAsset* image) { highlightedImage_ = image; setNeedsDisplay(); }
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool h) { highlighted_ = h; setNeedsDisplay(); }
    // What is shown now.
    ImageAsset* displayedImage() const { return highlighted_ && highlightedImage_ ? highlightedImage_.get() : image_.get(); }

    Size sizeThatFits(Size size) const override;
    std::string dumpText() const override;

    void drawChrome(GraphicsContext& context, const Rect& bounds) override;

protected:
    friend class InterfaceBuilder;
    ImageView() = default;

private:
    Ref<ImageAsset> image_;
    Ref<ImageAsset> highlightedImage_;
    bool highlighted_ { false };
};

} // namespace platform::ui
