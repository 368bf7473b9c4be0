// The gallery's checks: on the view tree, cut text, views leaving the screen,
// a row or the framed content, bar titles that are cut or run into their
// buttons, pictures that show nothing; on the rendered pixels, text too faint
// against what is behind it, and a screen that is not as it was after a
// memory warning while it was covered.
#include "tools/gallery/Gallery.h"

#include "platform/device/Application.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/Drawing.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableView.h"
#include "platform/ui/View.h"
#include "social/ui/QVFramedContentWrapperView.h"
#include "social/ui/QVImageView.h"

#include <algorithm>
#include <cmath>

using namespace platform;
using namespace platform::ui;

namespace gallery {
namespace {

// Half a point of slack: frames from centres and odd sizes land on half points.
constexpr float kSlack = 0.5f;

bool shown(View* view) { return !view->isHidden() && view->alpha() > 0.01f; }

std::string describe(View* view, const Rect& frame)
{
    std::string text = view->dumpText();
    if (text.size() > 60)
        text = text.substr(0, 57) + "...";
    return view->className() + (text.empty() ? std::string() : " \"" + text + "\"")
        + format(" at (%g, %g) %g x %g", frame.origin.x, frame.origin.y, frame.size.width, frame.size.height);
}

bool leaves(const Rect& frame, const Rect& area)
{
    return frame.size.width > 0 && frame.size.height > 0
        && (frame.minX() < area.minX() - kSlack || frame.minY() < area.minY() - kSlack
            || frame.maxX() > area.maxX() + kSlack || frame.maxY() > area.maxY() + kSlack);
}

// A row's content: what a cell shows of it lies across its content view's
// width (laid out for another width, it runs under the accessory or past the row).
void walkRow(View* view, View* row, View* window, std::vector<Finding>& out)
{
    if (!shown(view))
        return;
    Rect frame = view->convertRectTo(view->bounds(), row);
    float width = row->bounds().size.width;
    if (frame.size.width > 0 && frame.size.height > 0
        && (frame.minX() < -kSlack || frame.maxX() > width + kSlack))
        out.push_back({ {}, {}, "row", describe(view, view->convertRectTo(view->bounds(), window))
                                            + format(" leaves its row of width %g", width) });
    for (auto& sub : view->subviews())
        walkRow(sub.get(), row, window, out);
}

// A screen's content inside the frame: its views stay within the framed area
// (what a list scrolls is clipped by it and exempt).
void walkFramed(View* view, const Rect& area, View* window, std::vector<Finding>& out)
{
    for (auto& sub : view->subviews()) {
        if (!shown(sub.get()))
            continue;
        Rect frame = sub->convertRectTo(sub->bounds(), window);
        if (leaves(frame, area))
            out.push_back({ {}, {}, "outside", describe(sub.get(), frame)
                                                   + format(" leaves the framed content at (%g, %g) %g x %g", area.origin.x,
                                                            area.origin.y, area.size.width, area.size.height) });
        if (!sub->clipsToBounds() && !dynamic_cast<ScrollView*>(sub.get()))
            walkFramed(sub.get(), area, window, out);
    }
}

// A bar's title is drawn whole in the room its buttons leave, and a title view stays clear of them.
void checkBar(NavigationBar* bar, View* window, std::vector<Finding>& out)
{
    NavigationItem* top = bar->topItem();
    if (!top)
        return;
    NavigationBar::Placement p = bar->placement();
    auto name = [&] { return "the bar's title \"" + top->title() + "\""; };
    auto overlaps = [&](const Rect& title) {
        return (p.left && title.intersects(*p.left)) || (p.right && title.intersects(*p.right));
    };
    if (View* view = top->titleView()) {
        Rect frame = view->frame();
        if (shown(view) && overlaps(frame))
            out.push_back({ {}, {}, "title", describe(view, view->convertRectTo(view->bounds(), window))
                                                 + " runs into the bar's buttons" });
        return;
    }
    if (top->title().empty())
        return;
    float width = measureText(top->title(), *draw::systemFont(p.titleFontSize, true)).width;
    if (width > p.title.size.width + kSlack) {
        out.push_back({ {}, {}, "title", name() + format(" needs %g points at %g and has %g", width, p.titleFontSize,
                                                         p.title.size.width) });
        return;
    }
    Rect drawn(std::round(p.title.midX() - width / 2), p.title.minY(), width, p.title.size.height);
    if (overlaps(drawn.insetBy(0, 8)))
        out.push_back({ {}, {}, "title", name() + " runs into the bar's buttons" });
}

// A picture that shows nothing: no picture, no default, nothing on its way.
bool emptyPicture(quorvel::QVImageView* picture)
{
    return !picture->image() && !picture->defaultImage() && !picture->imageFadingIn() && !picture->isDownloading()
        && !(picture->loadingView() && shown(picture->loadingView()));
}

void walk(View* view, View* window, bool clipped, std::vector<Finding>& out)
{
    if (!shown(view))
        return;
    if (auto* cell = dynamic_cast<TableViewCell*>(view)) {
        if (View* content = cell->contentView(); content && !content->isHidden())
            for (auto& sub : content->subviews())
                walkRow(sub.get(), content, window, out);
    }
    Rect frame = view->convertRectTo(view->bounds(), window);
    bool empty = frame.size.width <= 0 || frame.size.height <= 0;
    if (!clipped && leaves(frame, window->bounds()))
        out.push_back({ {}, {}, "overflow", describe(view, frame) });
    if (auto* label = dynamic_cast<Label*>(view); label && !label->text().empty() && !empty) {
        if (label->currentLayout().truncated)
            out.push_back({ {}, {}, "cut", describe(view, frame) });
    }
    if (auto* bar = dynamic_cast<NavigationBar*>(view))
        checkBar(bar, window, out);
    if (auto* wrapper = dynamic_cast<quorvel::QVFramedContentWrapperView*>(view)) {
        View* content = wrapper->wrappedView();
        if (content && content->superview() == wrapper && shown(content) && !content->clipsToBounds()
            && !dynamic_cast<ScrollView*>(content))
            walkFramed(content, content->convertRectTo(content->bounds(), window), window, out);
    }
    if (auto* picture = dynamic_cast<quorvel::QVImageView*>(view); picture && !empty && emptyPicture(picture))
        out.push_back({ {}, {}, "empty", describe(view, frame) + " shows no picture" });
    // What a clipping view holds shows only inside it (a list's rows, a scrolled page).
    bool clips = clipped || view->clipsToBounds() || dynamic_cast<ScrollView*>(view);
    for (auto& sub : view->subviews())
        walk(sub.get(), window, clips, out);
}

// ---------------------------------------------------------------------------
// Contrast

// A text on screen: the label, the part of its text's box that shows, and how opaque it is drawn.
struct ShownText {
    Label* label;
    Rect box;
    float alpha;
};

void collectTexts(View* view, View* root, const Rect& visible, float alpha, std::vector<ShownText>& out)
{
    if (!shown(view))
        return;
    alpha *= view->alpha();
    Rect frame = view->convertRectTo(view->bounds(), root);
    Rect inside = view->clipsToBounds() || dynamic_cast<ScrollView*>(view) ? visible.intersection(frame) : visible;
    if (auto* label = dynamic_cast<Label*>(view); label && !label->text().empty() && label->textColor().alpha > 0.05f) {
        TextLayout layout = label->currentLayout();
        Rect b = label->bounds();
        float left = b.maxX(), right = b.minX();
        for (auto& line : layout.lines) {
            left = std::min(left, b.minX() + line.x);
            right = std::max(right, b.minX() + line.x + line.width);
        }
        Rect text(left, b.minY() + std::round((b.size.height - layout.size.height) / 2), right - left, layout.size.height);
        Rect box = label->convertRectTo(text, root).intersection(visible).integral();
        if (box.size.width >= 1 && box.size.height >= 1)
            out.push_back({ label, box, alpha });
    }
    for (auto& sub : view->subviews())
        collectTexts(sub.get(), root, inside, alpha, out);
}

float channel(float c)
{
    return c <= 0.03928f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
}

float luminance(float r, float g, float b) { return 0.2126f * channel(r) + 0.7152f * channel(g) + 0.0722f * channel(b); }

} // namespace

std::vector<Finding> checkTree(View* window)
{
    std::vector<Finding> out;
    if (!window)
        return out;
    for (auto& sub : window->subviews())
        walk(sub.get(), window, false, out);
    return out;
}

std::vector<Finding> checkContrast(View* root)
{
    std::vector<Finding> out;
    if (!root)
        return out;
    std::vector<ShownText> texts;
    collectTexts(root, root, root->bounds(), 1, texts);
    // The pixels behind the texts: the screen drawn with every text transparent.
    std::vector<Color> colours;
    for (auto& t : texts) {
        colours.push_back(t.label->textColor());
        t.label->setTextColor(t.label->textColor().withAlpha(0));
    }
    Ref<Image> behind = ViewRenderer::render(root);
    for (size_t i = 0; i < texts.size(); ++i)
        texts[i].label->setTextColor(colours[i]);
    if (!behind)
        return out;
    const Bytes& px = behind->rgba();
    for (size_t i = 0; i < texts.size(); ++i) {
        const ShownText& t = texts[i];
        const Color& c = colours[i];
        float a = c.alpha * t.alpha;
        // Each pixel of the box against the text drawn over it; the text reads when most of it does.
        std::vector<float> ratios;
        for (int y = static_cast<int>(t.box.minY()); y < static_cast<int>(t.box.maxY()); ++y)
            for (int x = static_cast<int>(t.box.minX()); x < static_cast<int>(t.box.maxX()); ++x) {
                if (x < 0 || y < 0 || x >= static_cast<int>(behind->width()) || y >= static_cast<int>(behind->height()))
                    continue;
                size_t k = (static_cast<size_t>(y) * behind->width() + static_cast<size_t>(x)) * 4;
                float r = px[k] / 255.f, g = px[k + 1] / 255.f, b = px[k + 2] / 255.f;
                float back = luminance(r, g, b);
                float front = luminance(c.red * a + r * (1 - a), c.green * a + g * (1 - a), c.blue * a + b * (1 - a));
                ratios.push_back((std::max(back, front) + 0.05f) / (std::min(back, front) + 0.05f));
            }
        if (ratios.empty())
            continue;
        std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
        float median = ratios[ratios.size() / 2];
        if (median < kMinimumContrast)
            out.push_back({ {}, {}, "contrast", describe(t.label, t.box) + format(" has a contrast of %.1f:1", median) });
    }
    return out;
}

std::vector<Finding> checkCoveredComesBack(NavigationController* nav, const std::function<void()>& settle,
                                           const std::string& afterPath, const std::function<bool(View*)>& changesByItself)
{
    std::vector<Finding> out;
    if (!nav || !nav->topViewController())
        return out;
    // The stack drawn without the views that change by themselves.
    auto draw = [&]() -> Ref<Image> {
        if (!nav->isViewLoaded())
            return nullptr;
        std::vector<View*> left;
        std::function<void(View*)> leave = [&](View* v) {
            if (changesByItself && changesByItself(v) && !v->isHidden()) {
                v->setHidden(true);
                left.push_back(v);
                return;
            }
            for (auto& sub : v->subviews())
                leave(sub.get());
        };
        leave(nav->view());
        Ref<Image> image = ViewRenderer::render(nav->view());
        for (View* v : left)
            v->setHidden(false);
        return image;
    };
    Ref<Image> before = draw();
    // Long enough for a push or a pop to end.
    const double kTransition = NavigationController::kTransitionDuration + 0.15;
    Ref<ViewController> cover = ViewController::controller();
    nav->pushViewController(cover.get(), true);
    RunLoop::main().advance(kTransition);
    Application::sharedApplication().simulateMemoryWarning();
    RunLoop::main().drain();
    if (nav->topViewController() == cover.get())
        nav->popViewControllerAnimated(true);
    RunLoop::main().advance(kTransition);
    settle();
    Ref<Image> after = draw();
    if (!before || !after || after->width() != before->width() || after->height() != before->height()) {
        out.push_back({ {}, {}, "covered", "after a memory warning while covered, the stack is not drawn at its size" });
        return out;
    }
    // How many pixels changed, and the box around them.
    const Bytes& a = before->rgba();
    const Bytes& b = after->rgba();
    size_t changed = 0;
    uint32_t minX = after->width(), minY = after->height(), maxX = 0, maxY = 0;
    for (uint32_t y = 0; y < after->height(); ++y)
        for (uint32_t x = 0; x < after->width(); ++x) {
            size_t k = (static_cast<size_t>(y) * after->width() + x) * 4;
            if (std::equal(a.begin() + k, a.begin() + k + 4, b.begin() + k))
                continue;
            ++changed;
            minX = std::min(minX, x), minY = std::min(minY, y);
            maxX = std::max(maxX, x), maxY = std::max(maxY, y);
        }
    if (!changed)
        return out;
    std::string detail = format("after a memory warning while covered, %zu pixels differ within (%u, %u) %u x %u", changed,
                                minX, minY, maxX - minX + 1, maxY - minY + 1);
    if (!afterPath.empty() && after->writePNG(afterPath))
        detail += " (drawn after: " + afterPath + ")";
    out.push_back({ {}, {}, "covered", detail });
    return out;
}

} // namespace gallery
