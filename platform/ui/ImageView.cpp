// ImageView: image state of the headless image view.
#include "platform/ui/ImageView.h"

#include "platform/ui/Drawing.h"

namespace platform::ui {

Ref<ImageView> ImageView::imageViewWithImage(ImageAsset* image)
{
    auto v = adoptRef(new ImageView);
    return v->initWithImage(image) ? v : nullptr;
}

Ref<ImageView> ImageView::imageViewWithFrame(const Rect& frame)
{
    auto v = adoptRef(new ImageView);
    return v->initWithFrame(frame) ? v : nullptr;
}

bool ImageView::initWithFrame(const Rect& frame)
{
    View::initWithFrame(frame);
    setUserInteractionEnabled(false);
    return true;
}

bool ImageView::initWithCoder(const InterfaceCoder& coder)
{
    View::initWithCoder(coder);
    setBackgroundColor(std::nullopt);
    setUserInteractionEnabled(false);
    return true;
}

bool ImageView::initWithImage(ImageAsset* image)
{
    initWithFrame(Rect(Point(), image ? image->size() : Size()));
    image_ = image;
    return true;
}

void ImageView::setImage(ImageAsset* image)
{
    image_ = image;
    setNeedsDisplay();
}

Size ImageView::sizeThatFits(Size) const
{
    ImageAsset* img = displayedImage();
    return img ? img->size() : Size();
}

std::string ImageView::dumpText() const
{
    ImageAsset* img = displayedImage();
    return img ? "image=" + img->name() : std::string();
}

void ImageView::drawChrome(GraphicsContext& g, const Rect&)
{
    if (ImageAsset* img = displayedImage())
        draw::asset(g, img, draw::contentRect(contentMode(), img->size(), bounds()));
}

} // namespace platform::ui
