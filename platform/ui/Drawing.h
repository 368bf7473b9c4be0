// Drawing helpers for views' drawChrome and drawRect: UI colours on the
// context, rounded rectangles, one-line or wrapped text in a box, image assets
// with stretch caps (or a labelled grey box for art without pixels), the
// content-mode placement of an image and linear gradients in UI colours.
//
// They draw through GraphicsContext only, in the caller's current transform
// and clip; text uses the graphics layer's text engine, so what is drawn is
// what was measured. Custom views in the layers above use them as the
// standard kinds do.
#pragma once

#include "platform/graphics/Font.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/TextEngine.h"
#include "platform/ui/ImageAsset.h"
#include "platform/ui/Types.h"

#include <string>
#include <utility>
#include <vector>

namespace platform::ui::draw {

inline constexpr Color kBarBlue = Color::rgb(0.43f, 0.52f, 0.64f);
inline constexpr Color kButtonBlue = Color::rgb(50 / 255.f, 79 / 255.f, 133 / 255.f);

void setFill(GraphicsContext& g, const Color& c);
void setStroke(GraphicsContext& g, const Color& c, float width = 1);

// Starts a new path holding r with its corners rounded (radius capped at half
// the shorter side; 0 gives a plain rectangle).
void roundedRectPath(GraphicsContext& g, const Rect& r, float radius);

// Text inside r, vertically centred: one line (tail-truncated) by default, or
// up to maxLines (0: as many as fit) broken by mode.
void text(GraphicsContext& g, const std::string& s, const Font* font, const Rect& r, const Color& c,
          TextAlignment alignment = TextAlignment::Left, int maxLines = 1,
          LineBreakMode mode = LineBreakMode::TailTruncation);

Ref<Font> systemFont(float size, bool bold = false);

// The asset scaled into r; with stretch caps the corners keep their size and
// the middle stretches. An asset without pixels is a grey box with its name.
void asset(GraphicsContext& g, ImageAsset* asset, const Rect& r);
void missingArt(GraphicsContext& g, const std::string& name, const Rect& r);

// Where an image of the given size goes inside bounds for a content mode.
Rect contentRect(ContentMode mode, Size image, const Rect& bounds);

// Paints the current clip with a gradient through the colours, evenly spaced
// from start to end (the first and last colours continue beyond them).
void linearGradient(GraphicsContext& g, Point start, Point end, const std::vector<Color>& colors);
// Paints the current clip with a gradient through (location, colour) stops.
void linearGradient(GraphicsContext& g, Point start, Point end, const std::vector<std::pair<float, Color>>& stops);

} // namespace platform::ui::draw
