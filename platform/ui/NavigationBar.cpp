// The navigation bar's look: tint with a lighter upper half, the back or
// left button, the right button and the title between them.
#include "platform/ui/NavigationBar.h"

#include "platform/ui/Drawing.h"

#include <algorithm>
#include <cmath>

namespace platform::ui {

namespace {

// The back button's title is drawn inside its arrow and edge.
constexpr float kBackTitleInsets = 12;

void drawBarButtonContent(GraphicsContext& g, BarButtonItem* item, const Rect& r);

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
    if (item) {
        drawBarButtonContent(g, item, r);
        return;
    }
    auto font = draw::systemFont(12, true);
    draw::text(g, title, font.get(), Rect(r.minX() + (back ? 10 : 4), r.minY(), r.size.width - (back ? kBackTitleInsets : 8), r.size.height),
         Color::whiteColor(), TextAlignment::Center);
}

constexpr float kBarButtonMaxWidth = 120;

float barButtonWidth(const std::string& title)
{
    auto font = draw::systemFont(12, true);
    return std::clamp(measureText(title, *font).width + 20, 48.f, kBarButtonMaxWidth);
}

// A back title the back button cannot hold whole ("Challenge Fri…") says "Back" instead: a cut
// title names nothing, and the button at its widest would crowd the bar's own title.
std::string wholeBackTitle(const std::string& title)
{
    auto font = draw::systemFont(12, true);
    return measureText(title, *font).width > kBarButtonMaxWidth - kBackTitleInsets ? std::string("Back") : title;
}

constexpr float kButtonHeight = 30;
constexpr float kMaxImageHeight = 24;

Size imageSize(ImageAsset* image)
{
    Size s = image->size();
    if (s.height > kMaxImageHeight && s.height > 0)
        s = Size(s.width * kMaxImageHeight / s.height, kMaxImageHeight);
    return s;
}

float itemWidth(BarButtonItem* item)
{
    if (View* custom = item->customView())
        return custom->frame().size.width;
    if (item->width() > 0)
        return item->width();
    if (item->title().empty() && item->image())
        return std::max(imageSize(item->image()).width + 20, 36.f);
    if (item->title().empty()
        && (item->systemItem() == BarButtonItem::SystemItem::Add || item->systemItem() == BarButtonItem::SystemItem::Refresh))
        return 36;
    return barButtonWidth(item->displayName());
}

// The button's content: its image, the system item's glyph, or its title.
void drawBarButtonContent(GraphicsContext& g, BarButtonItem* item, const Rect& r)
{
    if (item->title().empty() && item->image()) {
        Size s = imageSize(item->image());
        draw::asset(g, item->image(), Rect(std::round(r.midX() - s.width / 2), std::round(r.midY() - s.height / 2), s.width, s.height));
        return;
    }
    if (item->title().empty() && item->systemItem() == BarButtonItem::SystemItem::Add) {
        draw::setFill(g, Color::whiteColor());
        g.fillRect(Rect(r.midX() - 7, r.midY() - 1.5f, 14, 3));
        g.fillRect(Rect(r.midX() - 1.5f, r.midY() - 7, 3, 14));
        return;
    }
    if (item->title().empty() && item->systemItem() == BarButtonItem::SystemItem::Refresh) {
        // A circling arrow: a ring run clockwise from the top's right, its head at the top pointing on.
        constexpr float kPi = 3.14159265f;
        const float radius = 7, end = -0.58f * kPi;
        draw::setStroke(g, Color::whiteColor(), 2.5f);
        g.beginPath();
        g.addArc(r.midX(), r.midY(), radius, -0.3f * kPi, end + 2 * kPi, true);
        g.strokePath();
        float ex = r.midX() + radius * std::cos(end), ey = r.midY() + radius * std::sin(end);
        draw::setFill(g, Color::whiteColor());
        g.beginPath();
        g.moveTo(ex + 5, ey);
        g.lineTo(ex - 1, ey - 4.5f);
        g.lineTo(ex - 1, ey + 4.5f);
        g.closePath();
        g.fillPath();
        return;
    }
    auto font = draw::systemFont(12, true);
    draw::text(g, item->displayName(), font.get(), Rect(r.minX() + 4, r.minY(), r.size.width - 8, r.size.height), Color::whiteColor(),
               TextAlignment::Center);
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

void NavigationBar::setItems(std::vector<Ref<NavigationItem>> items)
{
    items_ = std::move(items);
    for (auto& item : items_)
        item->setBar(this);
    setNeedsLayout();
    setNeedsDisplay();
}

NavigationBar::Placement NavigationBar::placement() const
{
    Rect b = bounds();
    NavigationItem* top = topItem();
    auto rowRect = [&](float x, float w, View* custom) {
        float h = custom ? custom->frame().size.height : kButtonHeight;
        return Rect(x, std::round(b.midY() - h / 2), w, h);
    };
    // The buttons with that back title, the title centred on the bar as wide as the buttons
    // leave on both sides; `left` and `right` end as the room between the buttons.
    auto place = [&](const std::string& back, float& left, float& right) {
        Placement p;
        left = b.minX() + 5;
        right = b.maxX() - 5;
        if (top) {
            if (BarButtonItem* item = top->leftBarButtonItem()) {
                float w = itemWidth(item);
                p.left = rowRect(left, w, item->customView());
                left += w + 5;
            } else if (backItem() && !top->hidesBackButton()) {
                float w = barButtonWidth(back);
                p.left = rowRect(left, w, nullptr);
                p.leftIsBack = true;
                p.backTitle = back;
                left += w + 5;
            }
            if (BarButtonItem* item = top->rightBarButtonItem()) {
                float w = itemWidth(item);
                p.right = rowRect(right - w, w, item->customView());
                right -= w + 5;
            }
        }
        float inset = std::max(left - b.minX(), b.maxX() - right);
        p.title = Rect(b.minX() + inset, b.minY(), std::max(0.f, b.size.width - 2 * inset), b.size.height);
        return p;
    };
    float left = 0, right = 0;
    Placement p = place(wholeBackTitle(backButtonTitle()), left, right);
    if (!top || top->titleView() || top->title().empty())
        return p;
    auto width = [&](float size) { return measureText(top->title(), *draw::systemFont(size, true)).width; };
    if (width(kTitleFontSize) <= p.title.size.width)
        return p;
    // A title that does not fit the centred room takes the room between the buttons, at the
    // largest size (in half points) that fits there.
    auto fitBetween = [&](Placement& placed, float smallest) {
        placed.title = Rect(left, b.minY(), std::max(0.f, right - left), b.size.height);
        for (float size = kTitleFontSize; size >= smallest; size -= 0.5f)
            if (width(size) <= placed.title.size.width) {
                placed.titleFontSize = size;
                return true;
            }
        placed.titleFontSize = smallest;
        return false;
    };
    // Shrinking a little keeps the back button's words; beyond that "Back" says enough.
    constexpr float kShrinkBeforeShortBack = 17;
    if (fitBetween(p, kShrinkBeforeShortBack))
        return p;
    if (p.leftIsBack && p.backTitle != "Back") {
        Placement shortBack = place("Back", left, right);
        fitBetween(shortBack, kMinimumTitleFontSize);
        return shortBack;
    }
    fitBetween(p, kMinimumTitleFontSize);
    return p;
}

void NavigationBar::layoutSubviews()
{
    View::layoutSubviews();
    NavigationItem* top = topItem();
    Placement p = placement();
    std::vector<std::pair<Ref<View>, Rect>> wanted;
    if (top) {
        if (BarButtonItem* item = top->leftBarButtonItem(); item && item->customView() && p.left)
            wanted.emplace_back(item->customView(), *p.left);
        if (BarButtonItem* item = top->rightBarButtonItem(); item && item->customView() && p.right)
            wanted.emplace_back(item->customView(), *p.right);
        if (View* title = top->titleView()) {
            Size s = title->frame().size;
            float w = std::min(s.width, p.title.size.width);
            wanted.emplace_back(title, Rect(std::round(p.title.midX() - w / 2), std::round(p.title.midY() - s.height / 2), w, s.height));
        }
    }
    for (auto& old : placed_) {
        bool kept = std::any_of(wanted.begin(), wanted.end(), [&](const auto& w) { return w.first == old; });
        if (!kept && old->superview() == this)
            old->removeFromSuperview();
    }
    placed_.clear();
    for (auto& [view, frame] : wanted) {
        if (view->superview() != this)
            addSubview(view.get());
        view->setFrame(frame);
        placed_.push_back(view);
    }
}

void NavigationBar::drawAboveSubviews(GraphicsContext& g, const Rect&)
{
    Color tint = barTint(*this);
    NavigationItem* top = topItem();
    if (!top)
        return;
    Placement p = placement();
    if (p.left && p.leftIsBack) {
        drawBarButton(g, nullptr, p.backTitle, *p.left, tint, true);
    } else if (BarButtonItem* item = top->leftBarButtonItem(); item && !item->customView() && p.left) {
        drawBarButton(g, item, {}, *p.left, tint, false);
    }
    if (BarButtonItem* item = top->rightBarButtonItem(); item && !item->customView() && p.right)
        drawBarButton(g, item, {}, *p.right, tint, false);
    if (!top->titleView()) {
        auto font = draw::systemFont(p.titleFontSize, true);
        draw::text(g, top->title(), font.get(), p.title, Color::whiteColor(), TextAlignment::Center);
    }
}

} // namespace platform::ui
