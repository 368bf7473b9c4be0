// ViewRenderer: walks a view tree depth-first and draws each kind of view
// through GraphicsContext (Cairo) and the text engine.
#include "platform/ui/Renderer.h"

#include "platform/graphics/Font.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/TextEngine.h"
#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/MapView.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"
#include "platform/ui/WebView.h"
#include "platform/ui/Window.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace platform::ui {

namespace {

void fill(GraphicsContext& g, const Color& c)
{
    g.setFillColor(c.red, c.green, c.blue, c.alpha);
}

void stroke(GraphicsContext& g, const Color& c, float width = 1)
{
    g.setStrokeColor(c.red, c.green, c.blue, c.alpha);
    g.setLineWidth(width);
}

void roundedRectPath(GraphicsContext& g, const Rect& r, float radius)
{
    radius = std::min({ radius, r.size.width / 2, r.size.height / 2 });
    g.beginPath();
    if (radius <= 0) {
        g.addRect(r);
        return;
    }
    const float pi = float(M_PI);
    g.moveTo(r.minX(), r.midY());
    g.addArc(r.minX() + radius, r.minY() + radius, radius, pi, 1.5f * pi, true);
    g.addArc(r.maxX() - radius, r.minY() + radius, radius, 1.5f * pi, 2 * pi, true);
    g.addArc(r.maxX() - radius, r.maxY() - radius, radius, 0, 0.5f * pi, true);
    g.addArc(r.minX() + radius, r.maxY() - radius, radius, 0.5f * pi, pi, true);
    g.closePath();
}

// Text in one line (or wrapped) inside rect, vertically centred.
void text(GraphicsContext& g, const std::string& s, const Font* font, const Rect& r, const Color& c,
          TextAlignment alignment = TextAlignment::Left, int maxLines = 1,
          LineBreakMode mode = LineBreakMode::TailTruncation)
{
    if (s.empty() || !font || r.size.width <= 0 || r.size.height <= 0)
        return;
    TextLayoutOptions o;
    o.width = r.size.width;
    o.height = r.size.height;
    o.maxLines = maxLines;
    o.lineBreakMode = mode;
    o.alignment = alignment;
    TextLayout layout = layoutText(s, *font, o);
    fill(g, c);
    drawTextLayout(g, layout, *font, Point(r.origin.x, r.origin.y + std::round((r.size.height - layout.size.height) / 2)));
}

Ref<Font> systemFont(float size, bool bold = false)
{
    return bold ? Font::boldSystemFont(size) : Font::systemFont(size);
}

// A grey box with the image's name: art the build does not have.
void missingArt(GraphicsContext& g, const std::string& name, const Rect& r)
{
    if (r.size.width <= 0 || r.size.height <= 0)
        return;
    g.save();
    g.beginPath();
    g.addRect(r);
    g.clip();
    fill(g, Color::white(0.78f));
    g.fillRect(r);
    stroke(g, Color::white(0.55f));
    g.strokeRect(r.insetBy(0.5f, 0.5f));
    auto font = systemFont(std::clamp(r.size.height / 3, 6.f, 10.f));
    text(g, name, font.get(), r.insetBy(2, 1), Color::white(0.25f), TextAlignment::Center, 0, LineBreakMode::CharacterWrap);
    g.restore();
}

// Draws the image into r; with stretch caps the corners keep their size and
// the middle stretches.
void drawAsset(GraphicsContext& g, ImageAsset* asset, const Rect& r)
{
    if (!asset || r.size.width <= 0 || r.size.height <= 0)
        return;
    Image* pixels = asset->image();
    if (!pixels || pixels->width() == 0 || pixels->height() == 0) {
        missingArt(g, asset->name(), r);
        return;
    }
    int lc = asset->leftCapWidth(), tc = asset->topCapHeight();
    if (lc == 0 && tc == 0) {
        g.drawImage(*pixels, r);
        return;
    }
    // The stretched part is the one column (row) after the cap; the rest of the
    // image is the right (bottom) cap.
    float iw = asset->size().width, ih = asset->size().height;
    float xs[4] = { 0, float(lc), lc ? float(lc + 1) : iw, iw };
    float ys[4] = { 0, float(tc), tc ? float(tc + 1) : ih, ih };
    float rightCap = xs[3] - xs[2], bottomCap = ys[3] - ys[2];
    float dx[4] = { r.minX(), r.minX() + xs[1], r.maxX() - rightCap, r.maxX() };
    float dy[4] = { r.minY(), r.minY() + ys[1], r.maxY() - bottomCap, r.maxY() };
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            Rect src(xs[i], ys[j], xs[i + 1] - xs[i], ys[j + 1] - ys[j]);
            Rect dst(dx[i], dy[j], dx[i + 1] - dx[i], dy[j + 1] - dy[j]);
            if (src.size.width <= 0 || src.size.height <= 0 || dst.size.width <= 0 || dst.size.height <= 0)
                continue;
            // Draw the whole image scaled so that the source piece lands on dst, clipped to dst.
            float scaleX = dst.size.width / src.size.width, scaleY = dst.size.height / src.size.height;
            g.save();
            g.beginPath();
            g.addRect(dst);
            g.clip();
            g.drawImage(*pixels, Rect(dst.origin.x - src.origin.x * scaleX, dst.origin.y - src.origin.y * scaleY,
                                      iw * scaleX, ih * scaleY));
            g.restore();
        }
}

Rect contentRect(ContentMode mode, Size image, const Rect& b)
{
    float w = image.width, h = image.height;
    if (w <= 0 || h <= 0)
        return b;
    switch (mode) {
    case ContentMode::ScaleToFill:
    case ContentMode::Redraw: return b;
    case ContentMode::ScaleAspectFit:
    case ContentMode::ScaleAspectFill: {
        float s = mode == ContentMode::ScaleAspectFit ? std::min(b.size.width / w, b.size.height / h)
                                                      : std::max(b.size.width / w, b.size.height / h);
        return Rect(b.midX() - w * s / 2, b.midY() - h * s / 2, w * s, h * s);
    }
    case ContentMode::Center: return Rect(b.midX() - w / 2, b.midY() - h / 2, w, h);
    case ContentMode::Top: return Rect(b.midX() - w / 2, b.minY(), w, h);
    case ContentMode::Bottom: return Rect(b.midX() - w / 2, b.maxY() - h, w, h);
    case ContentMode::Left: return Rect(b.minX(), b.midY() - h / 2, w, h);
    case ContentMode::Right: return Rect(b.maxX() - w, b.midY() - h / 2, w, h);
    case ContentMode::TopLeft: return Rect(b.minX(), b.minY(), w, h);
    case ContentMode::TopRight: return Rect(b.maxX() - w, b.minY(), w, h);
    case ContentMode::BottomLeft: return Rect(b.minX(), b.maxY() - h, w, h);
    case ContentMode::BottomRight: return Rect(b.maxX() - w, b.maxY() - h, w, h);
    }
    return b;
}

const Color kBarBlue = Color::rgb(0.43f, 0.52f, 0.64f);
const Color kButtonBlue = Color::rgb(50 / 255.f, 79 / 255.f, 133 / 255.f);

void drawBarButton(GraphicsContext& g, BarButtonItem* item, const std::string& title, const Rect& r, const Color& tint, bool back)
{
    Color face = Color::rgb(tint.red * 0.8f, tint.green * 0.8f, tint.blue * 0.8f);
    g.save();
    if (back) {
        g.beginPath();
        g.moveTo(r.minX(), r.midY());
        g.lineTo(r.minX() + 10, r.minY());
        g.lineTo(r.maxX(), r.minY());
        g.lineTo(r.maxX(), r.maxY());
        g.lineTo(r.minX() + 10, r.maxY());
        g.closePath();
        fill(g, face);
        g.fillPath();
    } else {
        roundedRectPath(g, r, 5);
        fill(g, item && item->style() == BarButtonItem::Style::Done ? Color::rgb(0.2f, 0.4f, 0.85f) : face);
        g.fillPath();
    }
    g.restore();
    auto font = systemFont(12, true);
    text(g, title, font.get(), Rect(r.minX() + (back ? 10 : 4), r.minY(), r.size.width - (back ? 12 : 8), r.size.height),
         Color::whiteColor(), TextAlignment::Center);
}

float barButtonWidth(const std::string& title)
{
    auto font = systemFont(12, true);
    return std::clamp(measureText(title, *font).width + 20, 48.f, 120.f);
}

void drawNavigationBar(GraphicsContext& g, NavigationBar* bar)
{
    Rect b = bar->bounds();
    Color tint = bar->tintColor().value_or(bar->barStyle() == NavigationBar::Style::Default ? kBarBlue : Color::white(0.1f));
    fill(g, tint);
    g.fillRect(b);
    fill(g, Color::white(1, 0.15f));
    g.fillRect(Rect(b.minX(), b.minY(), b.size.width, b.size.height / 2));
    fill(g, Color::white(0, 0.35f));
    g.fillRect(Rect(b.minX(), b.maxY() - 1, b.size.width, 1));
    NavigationItem* top = bar->topItem();
    if (!top)
        return;
    float left = b.minX() + 5, right = b.maxX() - 5;
    Rect button(0, b.minY() + 7, 0, 30);
    if (BarButtonItem* item = top->leftBarButtonItem(); item && !item->customView()) {
        float w = item->width() > 0 ? item->width() : barButtonWidth(item->displayName());
        drawBarButton(g, item, item->displayName(), Rect(left, button.origin.y, w, 30), tint, false);
        left += w + 5;
    } else if (bar->backItem() && !top->hidesBackButton()) {
        std::string title = bar->backButtonTitle();
        float w = barButtonWidth(title);
        drawBarButton(g, nullptr, title, Rect(left, button.origin.y, w, 30), tint, true);
        left += w + 5;
    }
    if (BarButtonItem* item = top->rightBarButtonItem(); item && !item->customView()) {
        float w = item->width() > 0 ? item->width() : barButtonWidth(item->displayName());
        drawBarButton(g, item, item->displayName(), Rect(right - w, button.origin.y, w, 30), tint, false);
        right -= w + 5;
    }
    if (!top->titleView()) {
        float inset = std::max(left - b.minX(), b.maxX() - right);
        auto font = systemFont(20, true);
        text(g, top->title(), font.get(), Rect(b.minX() + inset, b.minY(), b.size.width - 2 * inset, b.size.height),
             Color::whiteColor(), TextAlignment::Center);
    }
}

void drawTextField(GraphicsContext& g, TextField* f)
{
    Rect b = f->bounds();
    if (f->background()) {
        drawAsset(g, f->background(), b);
    } else {
        switch (f->borderStyle()) {
        case TextField::BorderStyle::None: break;
        case TextField::BorderStyle::Line:
            stroke(g, Color::black());
            g.strokeRect(b.insetBy(0.5f, 0.5f));
            break;
        case TextField::BorderStyle::Bezel:
            fill(g, Color::whiteColor());
            g.fillRect(b);
            stroke(g, Color::white(0.45f));
            g.strokeRect(b.insetBy(0.5f, 0.5f));
            break;
        case TextField::BorderStyle::RoundedRect:
            roundedRectPath(g, b.insetBy(0.5f, 0.5f), 6);
            fill(g, Color::whiteColor());
            g.fillPath();
            roundedRectPath(g, b.insetBy(0.5f, 0.5f), 6);
            stroke(g, Color::white(0.6f));
            g.strokePath();
            break;
        }
    }
    float inset = f->borderStyle() == TextField::BorderStyle::None ? 0 : 8;
    Rect r(b.minX() + inset, b.minY(), b.size.width - 2 * inset, b.size.height);
    if (f->text().empty()) {
        text(g, f->placeholder(), f->font(), r, Color::white(0.7f), f->textAlignment());
        return;
    }
    std::string shown = f->text();
    if (f->isSecureTextEntry()) {
        shown.clear();
        for (size_t i = 0; i < decodeUtf8(f->text()).size(); ++i)
            shown += "\u2022";
    }
    text(g, shown, f->font(), r, f->textColor(), f->textAlignment());
}

void drawButtonChrome(GraphicsContext& g, Button* button)
{
    Rect b = button->bounds();
    if (ImageAsset* bg = button->currentBackgroundImage()) {
        drawAsset(g, bg, b);
        return;
    }
    if (button->buttonType() == Button::Type::RoundedRect) {
        roundedRectPath(g, b.insetBy(0.5f, 0.5f), 9);
        fill(g, button->isHighlighted() ? Color::rgb(0.2f, 0.45f, 0.9f) : Color::whiteColor());
        g.fillPath();
        roundedRectPath(g, b.insetBy(0.5f, 0.5f), 9);
        stroke(g, Color::white(0.55f));
        g.strokePath();
    } else if (button->buttonType() == Button::Type::DetailDisclosure || button->buttonType() == Button::Type::InfoDark
               || button->buttonType() == Button::Type::InfoLight || button->buttonType() == Button::Type::ContactAdd) {
        float d = std::min(b.size.width, b.size.height) - 2;
        g.beginPath();
        g.addArc(b.midX(), b.midY(), d / 2, 0, 2 * float(M_PI), false);
        fill(g, button->buttonType() == Button::Type::InfoLight ? Color::white(0.9f) : Color::rgb(0.2f, 0.45f, 0.9f));
        g.fillPath();
        auto font = systemFont(d * 0.7f, true);
        const char* glyph = button->buttonType() == Button::Type::ContactAdd ? "+"
            : button->buttonType() == Button::Type::DetailDisclosure        ? ">"
                                                                             : "i";
        text(g, glyph, font.get(), b, Color::whiteColor(), TextAlignment::Center);
    }
}

void drawSwitch(GraphicsContext& g, Switch* s)
{
    Rect b = s->bounds().insetBy(0.5f, 0.5f);
    roundedRectPath(g, b, 5);
    fill(g, s->isOn() ? Color::rgb(0.0f, 0.5f, 0.92f) : Color::white(0.93f));
    g.fillPath();
    roundedRectPath(g, b, 5);
    stroke(g, Color::white(0.55f));
    g.strokePath();
    Rect half(s->isOn() ? b.minX() : b.midX(), b.minY(), b.size.width / 2, b.size.height);
    Rect knob(s->isOn() ? b.midX() : b.minX(), b.minY(), b.size.width / 2, b.size.height);
    roundedRectPath(g, knob, 5);
    fill(g, Color::white(0.97f));
    g.fillPath();
    roundedRectPath(g, knob, 5);
    g.strokePath();
    auto font = systemFont(15, true);
    text(g, s->isOn() ? "ON" : "OFF", font.get(), half, s->isOn() ? Color::whiteColor() : Color::white(0.4f), TextAlignment::Center);
}

void drawSegments(GraphicsContext& g, SegmentedControl* c)
{
    Rect b = c->bounds().insetBy(0.5f, 0.5f);
    size_t n = c->numberOfSegments();
    if (n == 0)
        return;
    float w = b.size.width / float(n);
    auto font = systemFont(13, true);
    for (size_t i = 0; i < n; ++i) {
        Rect seg(b.minX() + w * float(i), b.minY(), w, b.size.height);
        bool selected = c->selectedSegmentIndex() == int(i);
        fill(g, selected ? Color::rgb(0.25f, 0.5f, 0.9f) : Color::white(0.96f));
        g.fillRect(seg);
        stroke(g, Color::white(0.55f));
        g.strokeRect(seg);
        if (ImageAsset* img = c->imageForSegmentAtIndex(i))
            drawAsset(g, img, contentRect(ContentMode::Center, img->size(), seg));
        else
            text(g, c->titleForSegmentAtIndex(i), font.get(), seg.insetBy(3, 0), selected ? Color::whiteColor() : Color::white(0.35f),
                 TextAlignment::Center);
    }
}

void drawCellDecorations(GraphicsContext& g, TableViewCell* cell)
{
    Rect b = cell->bounds();
    if (cell->isSelected() && cell->selectionStyle() != CellSelectionStyle::None && !cell->selectedBackgroundView()) {
        fill(g, cell->selectionStyle() == CellSelectionStyle::Gray ? Color::white(0.7f) : Color::rgb(0.02f, 0.45f, 0.93f));
        g.fillRect(b);
    }
    fill(g, Color::white(0.88f));
    g.fillRect(Rect(b.minX(), b.maxY() - 1, b.size.width, 1));
    if (cell->accessoryView())
        return;
    float x = b.maxX() - 20, y = b.midY();
    switch (cell->accessoryType()) {
    case CellAccessoryType::None: break;
    case CellAccessoryType::DisclosureIndicator:
        g.beginPath();
        g.moveTo(x - 3, y - 5);
        g.lineTo(x + 2, y);
        g.lineTo(x - 3, y + 5);
        stroke(g, Color::white(0.5f), 2.5f);
        g.strokePath();
        break;
    case CellAccessoryType::DetailDisclosureButton:
        g.beginPath();
        g.addArc(x, y, 11, 0, 2 * float(M_PI), false);
        fill(g, Color::rgb(0.2f, 0.45f, 0.9f));
        g.fillPath();
        g.beginPath();
        g.moveTo(x - 2, y - 5);
        g.lineTo(x + 3, y);
        g.lineTo(x - 2, y + 5);
        stroke(g, Color::whiteColor(), 2.5f);
        g.strokePath();
        break;
    case CellAccessoryType::Checkmark:
        g.beginPath();
        g.moveTo(x - 6, y);
        g.lineTo(x - 1, y + 5);
        g.lineTo(x + 7, y - 7);
        stroke(g, kButtonBlue, 2.5f);
        g.strokePath();
        break;
    }
}

void drawWebView(GraphicsContext& g, WebView* w)
{
    Rect b = w->bounds();
    stroke(g, Color::white(0.6f));
    g.strokeRect(b.insetBy(0.5f, 0.5f));
    Rect strip(b.minX(), b.minY(), b.size.width, std::min(24.f, b.size.height));
    fill(g, Color::white(0.92f));
    g.fillRect(strip.insetBy(1, 1));
    auto font = systemFont(11);
    std::string url = w->currentURL().empty() ? "(no page)" : w->currentURL();
    text(g, (w->isLoading() ? "Loading " : "") + url, font.get(), strip.insetBy(6, 0), Color::white(0.2f),
         TextAlignment::Left, 1, LineBreakMode::MiddleTruncation);
}

void drawPin(GraphicsContext& g, AnnotationView* v)
{
    Rect b = v->bounds();
    if (v->image()) {
        drawAsset(g, v->image(), b);
        return;
    }
    float r = std::min(b.size.width, b.size.height) / 4;
    g.beginPath();
    g.moveTo(b.midX(), b.minY() + r);
    g.lineTo(b.midX(), b.maxY());
    stroke(g, Color::white(0.3f), 2);
    g.strokePath();
    g.beginPath();
    g.addArc(b.midX(), b.minY() + r, r, 0, 2 * float(M_PI), false);
    fill(g, v->isSelected() ? Color::rgb(0.3f, 0.3f, 0.9f) : Color::rgb(0.85f, 0.1f, 0.1f));
    g.fillPath();
}

void drawKind(GraphicsContext& g, View* view)
{
    if (auto* nav = dynamic_cast<NavigationBar*>(view))
        drawNavigationBar(g, nav);
    else if (auto* field = dynamic_cast<TextField*>(view))
        drawTextField(g, field);
    else if (auto* button = dynamic_cast<Button*>(view))
        drawButtonChrome(g, button);
    else if (auto* sw = dynamic_cast<Switch*>(view))
        drawSwitch(g, sw);
    else if (auto* seg = dynamic_cast<SegmentedControl*>(view))
        drawSegments(g, seg);
    else if (auto* iv = dynamic_cast<ImageView*>(view)) {
        if (ImageAsset* img = iv->displayedImage())
            drawAsset(g, img, contentRect(iv->contentMode(), img->size(), iv->bounds()));
    } else if (auto* cell = dynamic_cast<TableViewCell*>(view))
        drawCellDecorations(g, cell);
    else if (auto* web = dynamic_cast<WebView*>(view))
        drawWebView(g, web);
    else if (auto* pin = dynamic_cast<AnnotationView*>(view))
        drawPin(g, pin);
    else if (auto* tv = dynamic_cast<TextView*>(view))
        text(g, tv->text(), tv->font(), tv->bounds().insetBy(8, 8), tv->textColor(), TextAlignment::Left, 0, LineBreakMode::WordWrap);
    else if (auto* spinner = dynamic_cast<ActivityIndicator*>(view)) {
        if (!spinner->isHidden()) {
            Rect b = spinner->bounds();
            float r = std::min(b.size.width, b.size.height) / 2 - 2;
            for (int i = 0; i < 12; ++i) {
                float a = float(i) * float(M_PI) / 6;
                g.beginPath();
                g.moveTo(b.midX() + std::cos(a) * r * 0.5f, b.midY() + std::sin(a) * r * 0.5f);
                g.lineTo(b.midX() + std::cos(a) * r, b.midY() + std::sin(a) * r);
                stroke(g, spinner->style() == ActivityIndicator::Style::Gray ? Color::white(0.4f, 0.3f + 0.05f * float(i))
                                                                              : Color::white(1, 0.3f + 0.05f * float(i)),
                       2);
                g.strokePath();
            }
        }
    }
}

void drawView(GraphicsContext& g, View* view)
{
    if (view->isHidden() || view->alpha() <= 0.01f)
        return;
    Ref<View> keep = view;
    Rect b = view->bounds();
    bool group = view->alpha() < 0.99f;
    g.save();
    if (group)
        cairo_push_group(g.cairo());
    Layer* layer = view->layer();
    float radius = layer->cornerRadius();
    if (radius > 0 || view->clipsToBounds()) {
        roundedRectPath(g, b, radius);
        g.clip();
    }
    if (view->backgroundColor() && view->backgroundColor()->alpha > 0) {
        fill(g, *view->backgroundColor());
        g.fillRect(b);
    }
    drawKind(g, view);
    g.save();
    view->drawRect(g, b);
    g.restore();
    for (const Ref<View>& sub : std::vector<Ref<View>>(view->subviews())) {
        g.save();
        Point c = sub->center();
        Rect sb = sub->bounds();
        g.translate(c.x, c.y);
        g.concat(sub->transform());
        g.translate(-sb.size.width / 2 - sb.origin.x, -sb.size.height / 2 - sb.origin.y);
        drawView(g, sub.get());
        g.restore();
    }
    if (layer->borderWidth() > 0) {
        float w = layer->borderWidth();
        roundedRectPath(g, b.insetBy(w / 2, w / 2), std::max(0.f, radius - w / 2));
        stroke(g, layer->borderColor(), w);
        g.strokePath();
    }
    if (group) {
        cairo_pop_group_to_source(g.cairo());
        cairo_paint_with_alpha(g.cairo(), view->alpha());
    }
    g.restore();
}

void drawButtons(GraphicsContext& g, const std::vector<std::string>& titles, int cancel, int destructive, Rect area, bool sideBySide)
{
    auto font = systemFont(17, true);
    int n = int(titles.size());
    for (int i = 0; i < n; ++i) {
        Rect r = sideBySide ? Rect(area.minX() + float(i) * (area.size.width + 8) / float(n), area.minY(),
                                   (area.size.width + 8) / float(n) - 8, 43)
                            : Rect(area.minX(), area.minY() + float(i) * 51, area.size.width, 43);
        roundedRectPath(g, r, 8);
        Color face = i == destructive ? Color::rgb(0.8f, 0.1f, 0.1f)
            : i == cancel             ? Color::white(0.25f, 0.85f)
                                      : Color::white(1, 0.25f);
        fill(g, face);
        g.fillPath();
        roundedRectPath(g, r, 8);
        stroke(g, Color::white(1, 0.5f));
        g.strokePath();
        text(g, titles[i], font.get(), r.insetBy(6, 0), Color::whiteColor(), TextAlignment::Center);
    }
}

void drawPanels(GraphicsContext& g, const Rect& screen)
{
    auto alerts = AlertView::visibleAlerts();
    auto sheets = ActionSheet::visibleSheets();
    if (alerts.empty() && sheets.empty())
        return;
    fill(g, Color::white(0, 0.45f));
    g.fillRect(screen);
    auto titleFont = systemFont(18, true);
    auto bodyFont = systemFont(16);
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
        roundedRectPath(g, box, 10);
        fill(g, Color::rgb(0.09f, 0.16f, 0.36f, 0.95f));
        g.fillPath();
        roundedRectPath(g, box.insetBy(1, 1), 9);
        stroke(g, Color::white(1, 0.8f), 2);
        g.strokePath();
        float y = box.minY() + 16;
        text(g, a->title(), titleFont.get(), Rect(box.minX() + 12, y, width - 24, titleH), Color::whiteColor(), TextAlignment::Center, 0,
             LineBreakMode::WordWrap);
        y += titleH;
        if (messageH > 0) {
            y += 8;
            text(g, a->message(), bodyFont.get(), Rect(box.minX() + 12, y, width - 24, messageH), Color::whiteColor(),
                 TextAlignment::Center, 0, LineBreakMode::WordWrap);
            y += messageH;
        }
        drawButtons(g, a->buttonTitles(), sideBySide ? -1 : a->cancelButtonIndex(), -1, Rect(box.minX() + 12, y + 16, width - 24, buttonsH),
                    sideBySide);
        return;
    }
    ActionSheet* s = sheets.back().get();
    float titleH = s->title().empty() ? 0 : 40;
    float height = 12 + titleH + float(s->numberOfButtons()) * 51 + 4;
    Rect box(screen.minX(), screen.maxY() - height, screen.size.width, height);
    fill(g, Color::white(0.1f, 0.9f));
    g.fillRect(box);
    text(g, s->title(), bodyFont.get(), Rect(box.minX() + 20, box.minY() + 8, box.size.width - 40, titleH), Color::white(0.85f),
         TextAlignment::Center, 2, LineBreakMode::WordWrap);
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
    fill(g, options.background);
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
