// Kit images through the client's image loader.
#include "social/ui/QVKitImages.h"

#include "social/runtime/QVImageCache.h"

namespace quorvel {

platform::Ref<platform::ui::ImageAsset> QVLoadKitImage(const std::string& name)
{
    if (name.empty())
        return nullptr;
    auto image = QVImageLoader::loadImage(name);
    return QVAssetFromImage(name, image.get());
}

platform::Ref<platform::ui::ImageAsset> QVAssetFromImage(const std::string& name, platform::Image* image)
{
    if (!image)
        return nullptr;
    return platform::ui::ImageAsset::withImage(name, image);
}

} // namespace quorvel
