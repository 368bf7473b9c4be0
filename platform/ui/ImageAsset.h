// An image as the UI layer knows it: a name (for dumps and assertions), a size
// in points, optional stretch caps, and the pixels when there are any.
//
// Pixels come from a decoded image given at creation, or from the resource of
// the same name in the main bundle, decoded on first use. An asset whose name
// matches no resource keeps only its name and size: the renderer draws it as
// a labelled grey box.
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"
#include "platform/graphics/Image.h"

#include <string>

namespace platform::ui {

class ImageAsset final : public Object {
public:
    // Name and size; pixels from the bundle resource of that name, if any.
    static Ref<ImageAsset> create(const std::string& name, Size size);
    // The bundle resource of that name, sized by its pixels; empty when there
    // is no such file or it does not decode.
    static Ref<ImageAsset> named(const std::string& name);
    // Decoded pixels (a picked photo, a download); empty for a null image.
    static Ref<ImageAsset> withImage(const std::string& name, Image* image);
    // PNG or JPEG bytes; empty when they do not decode.
    static Ref<ImageAsset> withData(const std::string& name, const Bytes& data);

    const std::string& name() const { return name_; }
    Size size() const { return size_; }
    int leftCapWidth() const { return leftCap_; }
    int topCapHeight() const { return topCap_; }
    // A copy that stretches between the caps (the same image otherwise).
    Ref<ImageAsset> stretchableImage(int leftCapWidth, int topCapHeight) const;

    // The pixels, or null for a name-only image.
    Image* image() const;

    std::string description() const override;

private:
    ImageAsset() = default;
    std::string name_;
    Size size_;
    int leftCap_ { 0 };
    int topCap_ { 0 };
    mutable Ref<Image> image_;
    mutable bool looked_ { false }; // the bundle has been asked
};

} // namespace platform::ui
