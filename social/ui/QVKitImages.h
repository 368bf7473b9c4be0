// Named images of the UI kit as the view layer takes them: loaded through the
// client's image loader (shared cache first, then the bundle file).
#pragma once

#include "platform/ui/ImageAsset.h"

#include <string>

namespace quorvel {

// The named image, or empty when the bundle has no such image.
platform::Ref<platform::ui::ImageAsset> QVLoadKitImage(const std::string& name);
// A picture (a download, a cached image) as an asset; empty for null.
platform::Ref<platform::ui::ImageAsset> QVAssetFromImage(const std::string& name, platform::Image* image);

} // namespace quorvel
