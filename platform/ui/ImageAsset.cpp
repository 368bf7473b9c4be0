// ImageAsset: named, sized images for the headless views, with their pixels
// from the main bundle or from decoded data.
#include "platform/ui/ImageAsset.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Format.h"

namespace platform::ui {

namespace {

Ref<Image> loadResource(const std::string& name)
{
    std::string path = Bundle::main().pathForResource(name, {});
    return path.empty() ? nullptr : Image::imageWithContentsOfFile(path);
}

} // namespace

Ref<ImageAsset> ImageAsset::create(const std::string& name, Size size)
{
    auto image = adoptRef(new ImageAsset);
    image->name_ = name;
    image->size_ = size;
    return image;
}

Ref<ImageAsset> ImageAsset::named(const std::string& name)
{
    Ref<Image> pixels = loadResource(name);
    return pixels ? withImage(name, pixels.get()) : nullptr;
}

Ref<ImageAsset> ImageAsset::withImage(const std::string& name, Image* pixels)
{
    if (!pixels)
        return nullptr;
    auto image = create(name, Size(float(pixels->width()), float(pixels->height())));
    image->image_ = pixels;
    image->looked_ = true;
    return image;
}

Ref<ImageAsset> ImageAsset::withData(const std::string& name, const Bytes& data)
{
    if (data.empty())
        return nullptr;
    Ref<Image> pixels = Image::imageWithData(data.data(), data.size());
    return withImage(name, pixels.get());
}

Image* ImageAsset::image() const
{
    if (!looked_) {
        looked_ = true;
        image_ = loadResource(name_);
    }
    return image_.get();
}

Ref<ImageAsset> ImageAsset::stretchableImage(int leftCapWidth, int topCapHeight) const
{
    auto image = create(name_, size_);
    image->image_ = image_;
    image->looked_ = looked_;
    image->leftCap_ = leftCapWidth < 0 ? 0 : leftCapWidth;
    image->topCap_ = topCapHeight < 0 ? 0 : topCapHeight;
    return image;
}

std::string ImageAsset::description() const
{
    return format("<ImageAsset = %s | %s %gx%g>", addressString(this).c_str(), name_.c_str(), size_.width, size_.height);
}

} // namespace platform::ui
