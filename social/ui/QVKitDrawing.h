// Drawing helpers of the kit's custom views: rounded-rectangle paths, images
// stretched between their caps, tiled patterns and two-stop linear gradients.
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/ImageAsset.h"
#include "platform/ui/Types.h"

namespace quorvel::QVKitDrawing {

// A closed rounded rectangle as the current path: it starts at the middle of
// the left edge and turns through the four corners with the given radius.
void addRoundedRectPath(platform::GraphicsContext& context, const platform::Rect& rect, float radius);
// The asset drawn into rect; with stretch caps the corners keep their size.
void drawStretchedImage(platform::GraphicsContext& context, platform::ui::ImageAsset* asset,
                        const platform::Rect& rect);
// The image repeated at its own size from the rectangle's origin, clipped to it.
void drawTiledImage(platform::GraphicsContext& context, const platform::Image& image, const platform::Rect& rect);
// A linear gradient from start (colour a) to end (colour b) over the clip
// rectangle, without extension past either end.
void drawLinearGradient(platform::GraphicsContext& context, const platform::Rect& clipRect, platform::Point start,
                        platform::Point end, const platform::ui::Color& a, const platform::ui::Color& b);

} // namespace quorvel::QVKitDrawing

namespace quorvel::QVKitDrawing {
// The image drawn into rect at an opacity (1 draws it as it is).
void drawImageWithAlpha(platform::GraphicsContext& context, const platform::Image& image, const platform::Rect& rect,
                        float alpha);
} // namespace quorvel::QVKitDrawing
