// ImageAsset: named, sized images for the headless views.
#include "platform/ui/ImageAsset.h"

#include "platform/foundation/Format.h"

namespace platform::ui {

Ref<ImageAsset> ImageAsset::create(const std::string& name, Size size)
{
    auto image = adoptRef(new ImageAsset);
    image->name_ = name;
    image->size_ = size;
    return image;
}

Ref<ImageAsset> ImageAsset::stretchableImage(int leftCapWidth, int topCapHeight) const
{
    auto image = create(name_, size_);
    image->leftCap_ = leftCapWidth < 0 ? 0 : leftCapWidth;
    image->topCap_ = topCapHeight < 0 ? 0 : topCapHeight;
    return image;
}

std::string ImageAsset::description() const
{
    return format("<ImageAsset = %s | %s %gx%g>", addressString(this).c_str(), name_.c_str(), size_.width, size_.height);
}

} // namespace platform::ui
