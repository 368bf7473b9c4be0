// ViewRenderer: walks a view tree depth-first. The walker owns what every
// view shares (visibility, the transparency layer of a faded view, clipping,
// the background, the layer border, placing subviews); each view draws its own
// look through drawChrome and drawRect.
#include "platform/ui/Renderer.h"

#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Drawing.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <cmath>

namespace platform::ui {

namespace {

void drawView(GraphicsContext& g, View* view)
{
    // Views are drawn as they are on screen now: mid-animation where a running
    // view animation has them.
    float alpha = view->presentationAlpha();
    if (view->isPresentationHidden() || alpha <= 0.01f)
        return;
    Ref<View> keep = view;
    Rect b = view->bounds();
    // A faded view is composed on its own and put down at its alpha, so its
    // overlapping parts do not show through each other.
    bool faded = alpha < 0.99f;
    g.save();
    if (faded)
        g.beginTransparencyLayer();
    Layer* layer = view->layer();
    float radius = layer->cornerRadius();
    if (radius > 0 || view->clipsToBounds()) {
        draw::roundedRectPath(g, b, radius);
        g.clip();
    }
    if (view->backgroundColor() && view->backgroundColor()->alpha > 0) {
        draw::setFill(g, *view->backgroundColor());
        if (float face = view->chromeCornerRadius(); face > radius) {
            draw::roundedRectPath(g, b, face);
            g.fillPath();
        } else {
            g.fillRect(b);
        }
    }
    g.save();
    view->drawChrome(g, b);
    g.restore();
    g.save();
    view->drawRect(g, b);
    g.restore();
    for (const Ref<View>& sub : std::vector<Ref<View>>(view->subviews())) {
        g.save();
        Point c = sub->presentationCenter();
        Rect sb = sub->bounds();
        g.translate(c.x, c.y);
        g.concat(sub->presentationTransform());
        g.translate(-sb.size.width / 2 - sb.origin.x, -sb.size.height / 2 - sb.origin.y);
        drawView(g, sub.get());
        g.restore();
        g.save();
        view->drawAboveSubview(g, b, sub.get());
        g.restore();
    }
    g.save();
    view->drawAboveSubviews(g, b);
    g.restore();
    if (layer->borderWidth() > 0) {
        float w = layer->borderWidth();
        draw::roundedRectPath(g, b.insetBy(w / 2, w / 2), std::max(0.f, radius - w / 2));
        draw::setStroke(g, layer->borderColor(), w);
        g.strokePath();
    }
    if (faded)
        g.endTransparencyLayer(alpha);
    g.restore();
}

void drawButtons(GraphicsContext& g, const std::vector<std::string>& titles, int cancel, int destructive, Rect area, bool sideBySide)
{
    auto font = draw::systemFont(17, true);
    int n = int(titles.size());
    for (int i = 0; i < n; ++i) {
        Rect r = sideBySide ? Rect(area.minX() + float(i) * (area.size.width + 8) / float(n), area.minY(),
                                   (area.size.width + 8) / float(n) - 8, 43)
                            : Rect(area.minX(), area.minY() + float(i) * 51, area.size.width, 43);
        draw::roundedRectPath(g, r, 8);
        Color face = i == destructive ? Color::rgb(0.8f, 0.1f, 0.1f)
            : i == cancel             ? Color::white(0.25f, 0.85f)
                                      : Color::white(1, 0.25f);
        draw::setFill(g, face);
        g.fillPath();
        draw::roundedRectPath(g, r, 8);
        draw::setStroke(g, Color::white(1, 0.5f));
        g.strokePath();
        draw::text(g, titles[i], font.get(), r.insetBy(6, 0), Color::whiteColor(), TextAlignment::Center);
    }
}

void drawPanels(GraphicsContext& g, const Rect& screen)
{
    auto alerts = AlertView::visibleAlerts();
    auto sheets = ActionSheet::visibleSheets();
    if (alerts.empty() && sheets.empty())
        return;
    draw::setFill(g, Color::white(0, 0.45f));
    g.fillRect(screen);
    auto titleFont = draw::systemFont(18, true);
    auto bodyFont = draw::systemFont(16);
    if (!alerts.empty()) {
        AlertView* a = alerts.back().get();
        float width = std::min(284.f, screen.size.width - 20);
        TextLayoutOptions o;
        o.width = width - 24;
        o.alignment = TextAlignment::Center;
        float titleH = a->title().empty() ? 0 : layoutText(a->title(), *titleFont, o).size.height;
        float messageH = a->message().empty() ? 0 : layoutText(a->message(), *bodyFont, o).size.height;
        bool sideBySide = a->numberOfButtons() == 2;
        float buttonsH = a->numberOfButtons() == 0 ? 0 : sideBySide ? 43 : float(a->numberOfButtons()) * 51 - 8;
        float height = 16 + titleH + (messageH > 0 ? 8 + messageH : 0) + 16 + buttonsH + 16;
        Rect box(screen.midX() - width / 2, std::round(screen.midY() - height / 2), width, height);
        draw::roundedRectPath(g, box, 10);
        draw::setFill(g, Color::rgb(0.09f, 0.16f, 0.36f, 0.95f));
        g.fillPath();
        draw::roundedRectPath(g, box.insetBy(1, 1), 9);
        draw::setStroke(g, Color::white(1, 0.8f), 2);
        g.strokePath();
        float y = box.minY() + 16;
        draw::text(g, a->title(), titleFont.get(), Rect(box.minX() + 12, y, width - 24, titleH), Color::whiteColor(), TextAlignment::Center, 0,
             LineBreakMode::WordWrap);
        y += titleH;
        if (messageH > 0) {
            y += 8;
            draw::text(g, a->message(), bodyFont.get(), Rect(box.minX() + 12, y, width - 24, messageH), Color::whiteColor(),
                 TextAlignment::Center, 0, LineBreakMode::WordWrap);
            y += messageH;
        }
        drawButtons(g, a->buttonTitles(), sideBySide ? -1 : a->cancelButtonIndex(), -1, Rect(box.minX() + 12, y + 16, width - 24, buttonsH),
                    sideBySide);
        return;
    }
    ActionSheet* s = sheets.back().get();
    // The title wraps to its whole length; the sheet grows to hold it.
    TextLayoutOptions o;
    o.width = screen.size.width - 40;
    o.alignment = TextAlignment::Center;
    float titleH = s->title().empty() ? 0 : std::max(40.f, layoutText(s->title(), *bodyFont, o).size.height + 8);
    float height = 12 + titleH + float(s->numberOfButtons()) * 51 + 4;
    Rect box(screen.minX(), screen.maxY() - height, screen.size.width, height);
    draw::setFill(g, Color::white(0.1f, 0.9f));
    g.fillRect(box);
    draw::text(g, s->title(), bodyFont.get(), Rect(box.minX() + 20, box.minY() + 8, box.size.width - 40, titleH), Color::white(0.85f),
         TextAlignment::Center, 0, LineBreakMode::WordWrap);
    drawButtons(g, s->buttonTitles(), s->cancelButtonIndex(), s->destructiveButtonIndex(),
                Rect(box.minX() + 20, box.minY() + 12 + titleH, box.size.width - 40, 0), false);
}

} // namespace

Ref<Image> ViewRenderer::render(View* view, const Options& options)
{
    if (!view)
        return nullptr;
    Rect b = view->bounds();
    float scale = options.scale > 0 ? options.scale : 1;
    long w = std::lround(b.size.width * scale), h = std::lround(b.size.height * scale);
    if (w <= 0 || h <= 0)
        return nullptr;
    auto context = GraphicsContext::create(uint32_t(w), uint32_t(h), GraphicsContext::Format::RGBA);
    if (!context)
        return nullptr;
    Ref<View> keep = view;
    view->layoutIfNeeded();
    GraphicsContext& g = *context;
    g.scale(scale, scale);
    draw::setFill(g, options.background);
    g.fillRect(Rect(0, 0, b.size.width, b.size.height));
    g.save();
    g.translate(-b.origin.x, -b.origin.y);
    drawView(g, view);
    g.restore();
    if (options.drawPanels && dynamic_cast<Window*>(view))
        drawPanels(g, Rect(0, 0, b.size.width, b.size.height));
    return context->makeImage();
}

bool ViewRenderer::writePNG(View* view, const std::string& path, const Options& options)
{
    Ref<Image> image = render(view, options);
    return image && image->writePNG(path);
}

} // namespace platform::ui
