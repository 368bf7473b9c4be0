// The gallery's checks: on the view tree, cut text (but for a player's name as
// long as the service allows, cut at its end), views leaving the screen,
// a row or the framed content, bar titles that are cut or run into their
// buttons, pictures that show nothing; rows whose content sits off their
// middle, badges over texts or other buttons, buttons and texts cut or under
// the tab bar, default art where a picture was given, controls over each other; what the screens of a
// run tell about the world; on the rendered pixels, text too faint against
// what is behind it, and a screen that is not as it was after a memory
// warning while it was covered.
#include "tools/gallery/Gallery.h"

#include "platform/device/Application.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/Drawing.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/View.h"
#include "social/dashboard/games/QVPlayedGameCell.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVUser.h"
#include "social/ui/QVBadgeView.h"
#include "social/ui/QVFramedContentWrapperView.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVTabBar.h"
#include "social/ui/QVTableCellHelper.h"
#include "social/ui/QVToggleControl.h"
#include "tools/standin/StandInWorld.h"

#include <algorithm>
#include <cmath>
#include <functional>

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
// A player's name as long as the service lets one be (the world's player has one) cannot fit every
// row and line that shows it: there it ends in "…", as any truncated one-line name does. Any
// other text cut short is a finding.
bool longNameCutAtItsEnd(Label* label)
{
    return label->lineBreakMode() == LineBreakMode::TailTruncation
        && label->text().find(standin::world::kPlayerName) != std::string::npos;
}

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
        if (label->currentLayout().truncated && !longNameCutAtItsEnd(label))
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

// The box a label's text takes in the label (labels draw their text in their vertical middle).
Rect textBox(Label* label)
{
    TextLayout layout = label->currentLayout();
    Rect b = label->bounds();
    float left = b.maxX(), right = b.minX();
    for (auto& line : layout.lines) {
        left = std::min(left, b.minX() + line.x);
        right = std::max(right, b.minX() + line.x + line.width);
    }
    return Rect(left, b.minY() + std::round((b.size.height - layout.size.height) / 2), std::max(0.f, right - left),
                layout.size.height);
}

bool hasText(View* view)
{
    auto* label = dynamic_cast<Label*>(view);
    return label && !label->text().empty() && label->textColor().alpha > 0.05f;
}

// ---------------------------------------------------------------------------
// Arrangement

// What a row shows, in the row's coordinates: its texts' boxes, its pictures,
// its buttons with a title or art. Plain views only hold them; hairlines and
// what spans the row's whole height (backgrounds, patterns) are not content.
void collectRowContent(View* view, View* row, std::vector<Rect>& out)
{
    if (!shown(view))
        return;
    const float rowHeight = row->bounds().size.height;
    auto add = [&](const Rect& local) {
        Rect r = view->convertRectTo(local, row);
        if (r.size.width >= 1 && r.size.height >= 3 && r.size.height < rowHeight - 1)
            out.push_back(r);
    };
    if (auto* badge = dynamic_cast<quorvel::QVBadgeView*>(view)) {
        add(badge->bounds());
        return;
    }
    if (hasText(view)) {
        add(textBox(static_cast<Label*>(view)));
        return;
    }
    if (auto* picture = dynamic_cast<quorvel::QVImageView*>(view)) {
        add(picture->bounds());
        return;
    }
    if (auto* image = dynamic_cast<ImageView*>(view); image && image->image())
        add(image->bounds());
    if (auto* button = dynamic_cast<Button*>(view); button && (button->currentImage() || button->currentBackgroundImage()))
        add(button->bounds());
    if (auto* control = dynamic_cast<Control*>(view); control && !dynamic_cast<Button*>(view))
        add(control->bounds());
    for (auto& sub : view->subviews())
        collectRowContent(sub.get(), row, out);
}

// Where a view shows: its frame in the window, cut by the clipping views above it.
Rect visibleFrame(View* view, View* window, const Rect& local)
{
    Rect visible = view->convertRectTo(local, window);
    for (View* up = view->superview(); up && up != window; up = up->superview())
        if (up->clipsToBounds() || dynamic_cast<ScrollView*>(up))
            visible = visible.intersection(up->convertRectTo(up->bounds(), window));
    return visible;
}

// Part of what a list scrolls past its edges: its rows and section headers (not its own header
// and footer, which hold what the screen offers besides the list).
bool scrollsWithList(View* view)
{
    for (View* up = view; up; up = up->superview())
        if (auto* table = dynamic_cast<TableView*>(up->superview()))
            return up != table->tableHeaderView() && up != table->tableFooterView();
    return false;
}

bool inside(View* view, View* ancestor)
{
    for (View* up = view; up; up = up->superview())
        if (up == ancestor)
            return true;
    return false;
}

struct Arrangement {
    View* window;
    std::vector<Finding>& out;
    std::vector<View*> tabBars;
    std::vector<quorvel::QVBadgeView*> badges;
    std::vector<std::pair<View*, Rect>> texts;   // a text and its box in the window, as shown
    std::vector<std::pair<Button*, Rect>> buttons; // the same for buttons
    std::vector<std::pair<Control*, Rect>> controls; // what takes a tap, outside the tab bars
};

void collectArrangement(View* view, Arrangement& a)
{
    if (!shown(view))
        return;
    if (dynamic_cast<quorvel::QVTabBar*>(view))
        a.tabBars.push_back(view);
    if (auto* badge = dynamic_cast<quorvel::QVBadgeView*>(view)) {
        if (badge->label() && !badge->label()->text().empty())
            a.badges.push_back(badge);
        return; // its number is its own
    }
    if (auto* cell = dynamic_cast<TableViewCell*>(view)) {
        std::vector<Rect> content;
        if (View* inner = cell->contentView())
            collectRowContent(inner, cell, content);
        if (!content.empty()) {
            Rect all = content.front();
            for (auto& r : content)
                all = all.unionWith(r);
            float off = all.midY() - cell->bounds().midY();
            if (std::fabs(off) > kRowCentreSlack)
                a.out.push_back({ {}, {}, "offcentre", describe(view, view->convertRectTo(view->bounds(), a.window))
                                                         + format(": its content's middle is %g points %s the row's",
                                                                  std::fabs(off), off < 0 ? "above" : "below") });
        }
    }
    if (hasText(view)) {
        Rect box = textBox(static_cast<Label*>(view));
        if (box.size.width >= 1)
            a.texts.push_back({ view, visibleFrame(view, a.window, box) });
    }
    if (auto* button = dynamic_cast<Button*>(view))
        a.buttons.push_back({ button, visibleFrame(view, a.window, button->bounds()) });
    if (auto* control = dynamic_cast<Control*>(view)) {
        // What answers a tap (an action, or a field to type in). A tab bar's items overlap by
        // design; nothing under a view that takes no touch takes one; a button that draws nothing
        // is the tap area of what lies under it.
        auto* button = dynamic_cast<Button*>(view);
        bool takesTaps = (!control->allTargets().empty() || dynamic_cast<TextField*>(view))
            && (!button || !button->currentTitle().empty() || button->currentImage() || button->currentBackgroundImage());
        for (View* up = view; up && up != a.window && takesTaps; up = up->superview())
            takesTaps = up->isUserInteractionEnabled() && !dynamic_cast<quorvel::QVTabBar*>(up);
        if (takesTaps)
            a.controls.push_back({ control, visibleFrame(view, a.window, control->bounds()) });
    }
    if (auto* picture = dynamic_cast<quorvel::QVImageView*>(view)) {
        // Its default, shown or fading back in after a download that failed.
        Image* showing = picture->imageFadingIn() ? picture->imageFadingIn() : picture->image();
        if (picture->imageUrl() && !picture->isDownloading() && (!showing || showing == picture->defaultImage()))
            a.out.push_back({ {}, {}, "placeholder", describe(view, view->convertRectTo(view->bounds(), a.window))
                                                        + " shows its default art instead of " + *picture->imageUrl() });
    }
    for (auto& sub : view->subviews())
        collectArrangement(sub.get(), a);
}

// A view's whole frame, the part of it that shows, and whether a clipping view cuts it.
bool cutShort(View* view, View* window, const Rect& local, const Rect& visible)
{
    Rect whole = view->convertRectTo(local, window);
    return visible.size.width > 0 && visible.size.height > 0
        && (visible.size.width < whole.size.width - 1 || visible.size.height < whole.size.height - 1);
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
    if (hasText(view)) {
        auto* label = static_cast<Label*>(view);
        Rect box = label->convertRectTo(textBox(label), root).intersection(visible).integral();
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

std::vector<Finding> checkLayout(View* window)
{
    std::vector<Finding> out;
    if (!window)
        return out;
    Arrangement a { window, out, {}, {}, {}, {}, {} };
    for (auto& sub : window->subviews())
        collectArrangement(sub.get(), a);

    auto overlap = [](const Rect& a, const Rect& b) {
        Rect i = a.intersection(b);
        return i.size.width > 1 && i.size.height > 1;
    };
    for (quorvel::QVBadgeView* badge : a.badges) {
        // The badge's art leaves a point clear round its lozenge.
        Rect frame = badge->convertRectTo(badge->bounds(), window).insetBy(1, 1);
        for (auto& [text, box] : a.texts)
            if (overlap(frame, box)) {
                out.push_back({ {}, {}, "badge", describe(badge, frame) + " lies over " + describe(text, box) });
                break;
            }
        // Its own button is the one it marks: the badge's middle lies on it.
        const platform::Point middle(frame.midX(), frame.midY());
        for (auto& [button, box] : a.buttons) {
            auto* own = dynamic_cast<quorvel::QVBadgeButton*>(button);
            Rect whole = button->convertRectTo(button->bounds(), window);
            if ((own && own->badgeView() == badge) || inside(badge, button) || whole.containsPoint(middle) || !overlap(frame, box))
                continue;
            out.push_back({ {}, {}, "badge", describe(badge, frame) + " lies over another button, " + describe(button, box) });
            break;
        }
    }
    // Two controls over each other: a tap meant for one reaches the other (a control inside
    // another's is its part).
    for (size_t i = 0; i < a.controls.size(); ++i)
        for (size_t j = i + 1; j < a.controls.size(); ++j) {
            auto& [first, firstBox] = a.controls[i];
            auto& [second, secondBox] = a.controls[j];
            if (!inside(first, second) && !inside(second, first) && overlap(firstBox, secondBox))
                out.push_back({ {}, {}, "overlap", describe(second, secondBox) + " lies over " + describe(first, firstBox) });
        }
    // Cut by the view that clips it (a list's rows are cut at its edges as it scrolls: they are not).
    auto inButton = [](View* v) {
        for (View* up = v->superview(); up; up = up->superview())
            if (dynamic_cast<Button*>(up))
                return true;
        return false;
    };
    for (auto& [button, box] : a.buttons)
        if (!scrollsWithList(button) && cutShort(button, window, button->bounds(), box))
            out.push_back({ {}, {}, "hidden", describe(button, button->convertRectTo(button->bounds(), window))
                                                  + format(" shows only (%g, %g) %g x %g of itself", box.origin.x,
                                                           box.origin.y, box.size.width, box.size.height) });
    for (auto& [text, box] : a.texts)
        if (!scrollsWithList(text) && !inButton(text)
            && cutShort(text, window, textBox(static_cast<Label*>(text)), box))
            out.push_back({ {}, {}, "hidden", describe(text, box) + " is cut by the view that holds it" });
    // Under the tab bar: drawn there, the bar hides it.
    for (View* bar : a.tabBars) {
        Rect barFrame = bar->convertRectTo(bar->bounds(), window);
        auto under = [&](View* v, const Rect& box) { return !inside(v, bar) && overlap(box, barFrame); };
        for (auto& [button, box] : a.buttons)
            if (under(button, box))
                out.push_back({ {}, {}, "hidden", describe(button, box) + " lies under the tab bar" });
        for (auto& [text, box] : a.texts)
            if (under(text, box) && !inButton(text))
                out.push_back({ {}, {}, "hidden", describe(text, box) + " lies under the tab bar" });
    }
    return out;
}

namespace {

// What a screen tells, by what it is about.
void collectTold(View* view, const std::string& profileOf, std::vector<std::pair<std::string, std::string>>& out)
{
    if (!shown(view))
        return;
    if (auto* cell = dynamic_cast<quorvel::QVTableCellHelper*>(view)) {
        quorvel::QVUser* user = dynamic_cast<quorvel::QVUser*>(cell->resource());
        if (auto* score = dynamic_cast<quorvel::QVHighScore*>(cell->resource()))
            user = score->user().get();
        std::vector<quorvel::QVUserRelationshipIndicator*> marks;
        std::function<void(View*)> find = [&](View* v) {
            if (auto* mark = dynamic_cast<quorvel::QVUserRelationshipIndicator*>(v))
                marks.push_back(mark);
            for (auto& sub : v->subviews())
                find(sub.get());
        };
        find(cell);
        if (user && !user->name().empty() && !marks.empty())
            out.push_back({ "whether " + user->name() + " is a friend",
                            shown(marks.front()) ? "a friend" : "not a friend" });
        if (auto* game = dynamic_cast<quorvel::QVPlayedGameCell*>(view); game && !game->nameLabel()->text().empty()) {
            // Beside a compared player's score, the player's is the second.
            const bool compared = shown(game->comparisonDividerIcon()) && shown(game->secondStatView());
            Label* mine = compared ? game->secondGamerScoreLabel() : game->firstGamerScoreLabel();
            View* stat = compared ? game->secondStatView() : game->firstStatView();
            if (mine && stat && shown(stat) && !mine->text().empty())
                out.push_back({ "the player's score in " + game->nameLabel()->text(), mine->text() });
        }
    }
    if (auto* button = dynamic_cast<Button*>(view); button && !profileOf.empty()) {
        const std::string title = button->currentTitle();
        if (title == "Add Friend" || title == "Remove Friend")
            out.push_back({ "whether " + profileOf + " is a friend", title == "Remove Friend" ? "a friend" : "not a friend" });
    }
    for (auto& sub : view->subviews())
        collectTold(sub.get(), profileOf, out);
}

// The player whose profile the screen in front is ("Rival's Profile"), from its bar's title.
std::string profileShown(View* view)
{
    if (auto* bar = dynamic_cast<NavigationBar*>(view); bar && shown(bar) && bar->topItem()) {
        const std::string& title = bar->topItem()->title();
        const std::string tail = "'s Profile";
        if (title.size() > tail.size() && title.compare(title.size() - tail.size(), tail.size(), tail) == 0)
            return title.substr(0, title.size() - tail.size());
    }
    for (auto& sub : view->subviews())
        if (std::string name = profileShown(sub.get()); !name.empty())
            return name;
    return {};
}

} // namespace

std::vector<Finding> WorldRecord::note(const std::string& screen, const std::string& size, View* window)
{
    std::vector<Finding> out;
    if (!window)
        return out;
    std::vector<std::pair<std::string, std::string>> told;
    collectTold(window, profileShown(window), told);
    const std::string here = screen + " (" + size + ")";
    for (auto& [about, value] : told) {
        auto known = told_.find(about);
        if (known == told_.end()) {
            told_[about] = { value, here };
            continue;
        }
        if (known->second.value != value)
            out.push_back({ screen, size, "disagree",
                            about + ": " + value + " here, " + known->second.value + " on " + known->second.where });
    }
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
