// The renderer: draws a view tree into a bitmap through GraphicsContext and
// writes it as PNG, so a screen can be looked at.
//
// It is a walker: for each visible view it opens a transparency layer when the
// view is faded, clips to rounded corners or bounds, fills the background
// colour, then asks the view to draw itself (View::drawChrome, the look of its
// kind; View::drawRect, its content), then walks the subviews and strokes the
// layer border. Every kind, the platform's own and custom ones alike, draws
// through those two overridable methods. Rendering a window also draws the
// newest shown alert or action sheet over it, on a dimmed screen. The output
// depends only on the tree: fixed fonts, no clock.
#pragma once

#include "platform/graphics/Image.h"
#include "platform/ui/View.h"

#include <string>

namespace platform::ui {

class ViewRenderer {
public:
    struct Options {
        float scale { 1 };               // pixels per point
        Color background { Color::whiteColor() }; // under everything
        bool drawPanels { true };        // alerts and sheets over a window
    };

    // The view at its bounds' size (its own position is ignored); empty for a
    // null or empty view.
    static Ref<Image> render(View* view, const Options& options);
    static Ref<Image> render(View* view) { return render(view, Options()); }
    static bool writePNG(View* view, const std::string& path, const Options& options);
    static bool writePNG(View* view, const std::string& path) { return writePNG(view, path, Options()); }
};

} // namespace platform::ui
