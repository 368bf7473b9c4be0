// An image as the UI layer knows it: a name (for dumps and assertions), a size
// in points, and optional stretch caps. The pixels belong to the graphics layer
// and are attached by the renderer; views only need name and size.
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/Object.h"

#include <string>

namespace platform::ui {

class ImageAsset final : public Object {
public:
    static Ref<ImageAsset> create(const std::string& name, Size size);

    const std::string& name() const { return name_; }
    Size size() const { return size_; }
    int leftCapWidth() const { return leftCap_; }
    int topCapHeight() const { return topCap_; }
    // A copy that stretches between the caps (the same image otherwise).
    Ref<ImageAsset> stretchableImage(int leftCapWidth, int topCapHeight) const;

    std::string description() const override;

private:
    ImageAsset() = default;
    std::string name_;
    Size size_;
    int leftCap_ { 0 };
    int topCap_ { 0 };
};

} // namespace platform::ui
