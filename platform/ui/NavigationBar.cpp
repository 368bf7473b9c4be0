// The navigation bar's look: tint with a lighter upper half, the back or
// left button, the right button and the title between them.
#include "platform/ui/NavigationBar.h"

#include "platform/ui/Drawing.h"

#include <algorithm>

namespace platform::ui {

namespace {

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
        draw::setFill(g, face);
        g.fillPath();
    } else {
        draw::roundedRectPath(g, r, 5);
        draw::setFill(g, item && item->style() == BarButtonItem::Style::Done ? Color::rgb(0.2f, 0.4f, 0.85f) : face);
        g.fillPath();
    }
    g.restore();
    auto font = draw::systemFont(12, true);
    draw::text(g, title, font.get(), Rect(r.minX() + (back ? 10 : 4), r.minY(), r.size.width - (back ? 12 : 8), r.size.height),
         Color::whiteColor(), TextAlignment::Center);
}

float barButtonWidth(const std::string& title)
{
    auto font = draw::systemFont(12, true);
    return std::clamp(measureText(title, *font).width + 20, 48.f, 120.f);
}

Color barTint(const NavigationBar& bar)
{
    return bar.tintColor().value_or(bar.barStyle() == NavigationBar::Style::Default ? draw::kBarBlue : Color::white(0.1f));
}

} // namespace

void NavigationBar::drawChrome(GraphicsContext& g, const Rect&)
{
    Rect b = bounds();
    Color tint = barTint(*this);
    draw::setFill(g, tint);
    g.fillRect(b);
    draw::setFill(g, Color::white(1, 0.15f));
    g.fillRect(Rect(b.minX(), b.minY(), b.size.width, b.size.height / 2));
    draw::setFill(g, Color::white(0, 0.35f));
    g.fillRect(Rect(b.minX(), b.maxY() - 1, b.size.width, 1));
}

void NavigationBar::drawAboveSubviews(GraphicsContext& g, const Rect&)
{
    Rect b = bounds();
    Color tint = barTint(*this);
    NavigationItem* top = topItem();
    if (!top)
        return;
    float left = b.minX() + 5, right = b.maxX() - 5;
    Rect button(0, b.minY() + 7, 0, 30);
    if (BarButtonItem* item = top->leftBarButtonItem(); item && !item->customView()) {
        float w = item->width() > 0 ? item->width() : barButtonWidth(item->displayName());
        drawBarButton(g, item, item->displayName(), Rect(left, button.origin.y, w, 30), tint, false);
        left += w + 5;
    } else if (backItem() && !top->hidesBackButton()) {
        std::string title = backButtonTitle();
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
        auto font = draw::systemFont(20, true);
        draw::text(g, top->title(), font.get(), Rect(b.minX() + inset, b.minY(), b.size.width - 2 * inset, b.size.height),
             Color::whiteColor(), TextAlignment::Center);
    }
}

} // namespace platform::ui
