// Builders of the account screens' views.
#include "social/dashboard/account/QVAccountViews.h"

#include "platform/device/Screen.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Weak.h"
#include "platform/ui/ScrollView.h"
#include "social/core/QuorvelInternal.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace quorvel::account_views {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

namespace {

// A view built for its parent's size follows the parent to the frame it is
// shown in: a wide view keeps its margins, a narrow one near a side keeps its
// distance from that side and one in the middle its place across in proportion; a tall view keeps its top and bottom margins, one placed at
// the bottom (in the last quarter) its distance from the bottom, any other
// (the screen's column, stacked from the top) its distance from the top.
void follow(View* parent, View* view)
{
    const platform::Size room = parent->bounds().size;
    const Rect f = view->frame();
    unsigned mask = FlexibleLeftMargin | FlexibleRightMargin;
    if (f.size.width >= room.width / 2)
        mask = FlexibleWidth;
    else if (f.midX() < room.width / 3)
        mask = FlexibleRightMargin; // beside a wide view's left end: it keeps to the left
    else if (f.midX() > room.width * 2 / 3)
        mask = FlexibleLeftMargin; // and at its right end, to the right
    if (f.size.height >= room.height / 2)
        mask |= FlexibleHeight;
    else
        mask |= f.minY() > room.height * 3 / 4 ? FlexibleTopMargin : FlexibleBottomMargin;
    view->setAutoresizingMask(mask);
}

// Every view the screen placed for the root's size and gave no resizing of
// its own follows it; controls and scrolling views lay out their insides.
void followAll(View* parent)
{
    for (auto& sub : parent->subviews()) {
        if (sub->autoresizingMask() != AutoresizingNone)
            continue;
        follow(parent, sub.get());
        if (!dynamic_cast<Control*>(sub.get()) && !dynamic_cast<ScrollView*>(sub.get()))
            followAll(sub.get());
    }
}

// How a view was moved up to fit a shorter root, to be undone before the next size.
using Shifts = std::vector<std::pair<platform::Weak<View>, float>>;

// The smallest gap the fitting leaves between two rows while larger ones can give.
constexpr float kTightGap = 4;

// The root's views taken as rows from the top (views side by side share a row;
// a column stretched with the root fits its own): those kept at the top come
// first, those kept at the bottom after them, each in its order down the root.
// A bottom row that a shorter root brought over the rows above (a button kept
// at the bottom of a phone on its side) goes below them again, kTightGap apart.
// Rows that run past the bottom then come up, keeping their order and sizes
// while the gaps above them shrink (the larger ones first, down to kTightGap,
// then all alike) until the last row ends at the bottom.
void fitRowsInHeight(View* root, Shifts& shifts)
{
    struct Row {
        float top, bottom;
        std::vector<View*> views;
        bool atTheBottom;
    };
    std::vector<View*> placed;
    for (auto& sub : root->subviews()) {
        if (sub->isHidden())
            continue;
        if (!(sub->autoresizingMask() & FlexibleHeight))
            placed.push_back(sub.get());
        else if (!dynamic_cast<Control*>(sub.get()) && !dynamic_cast<ScrollView*>(sub.get()))
            fitRowsInHeight(sub.get(), shifts);
    }
    auto atTheBottom = [](View* v) { return (v->autoresizingMask() & FlexibleTopMargin) != 0; };
    std::sort(placed.begin(), placed.end(), [&](View* a, View* b) {
        return std::make_pair(atTheBottom(a), a->frame().minY()) < std::make_pair(atTheBottom(b), b->frame().minY());
    });
    std::vector<Row> rows;
    for (View* v : placed) {
        const Rect f = v->frame();
        if (!rows.empty() && rows.back().atTheBottom == atTheBottom(v) && f.minY() < rows.back().bottom) {
            rows.back().bottom = std::max(rows.back().bottom, f.maxY());
            rows.back().views.push_back(v);
        } else {
            rows.push_back({ f.minY(), f.maxY(), { v }, atTheBottom(v) });
        }
    }
    if (rows.empty())
        return;
    auto move = [&](Row& row, float shift) {
        for (View* v : row.views) {
            Rect f = v->frame();
            f.origin.y += shift;
            v->setFrame(f);
            shifts.emplace_back(platform::Weak<View>(v), shift);
        }
        row.top += shift;
        row.bottom += shift;
    };
    for (size_t i = 1; i < rows.size(); ++i)
        if (rows[i].atTheBottom && rows[i].top < rows[i - 1].bottom + kTightGap)
            move(rows[i], std::ceil(rows[i - 1].bottom + kTightGap - rows[i].top));
    const float over = rows.back().bottom - root->bounds().size.height;
    std::vector<float> gaps;
    float above = 0, all = 0, spare = 0;
    for (const Row& row : rows) {
        gaps.push_back(std::max(0.f, row.top - above));
        all += gaps.back();
        spare += std::max(0.f, gaps.back() - kTightGap);
        above = row.bottom;
    }
    if (over <= 0 || all <= 0)
        return;
    float newAbove = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        float gap = gaps[i];
        if (over <= spare)
            gap -= std::max(0.f, gap - kTightGap) * over / spare;
        else
            gap *= std::max(0.f, (all - over) / all);
        move(rows[i], std::floor(newAbove + gap - rows[i].top)); // whole points, never past the bottom
        newAbove = rows[i].bottom;
    }
}

// The root of an account screen. Screens lay themselves out for the whole
// screen when they load; shown in a smaller frame (the intro's on a tablet),
// what they placed moves and stretches with the root.
class AccountRootView final : public View {
public:
    static Ref<View> create(const Rect& frame)
    {
        auto v = platform::adoptRef(new AccountRootView);
        if (!v->initWithFrame(frame))
            return nullptr;
        v->laidOut_ = frame.size;
        return Ref<View>(v);
    }
    void setFrame(const Rect& frame) override
    {
        if (frame.size != bounds().size) {
            // Back to the places the screen gave, then to the new size.
            for (auto& [weak, shift] : shifts_)
                if (Ref<View> v = weak.lock()) {
                    Rect f = v->frame();
                    f.origin.y -= shift;
                    v->setFrame(f);
                }
            shifts_.clear();
            followAll(this);
        }
        // A size with no room (a frame not yet given) would squeeze every margin to nothing for
        // good: the views follow from the last size with room to the next one.
        const bool room = frame.size.width > 0 && frame.size.height > 0;
        if (room && bounds().size != laidOut_) {
            setAutoresizesSubviews(false);
            View::setFrame(Rect(frame.origin, laidOut_));
        }
        setAutoresizesSubviews(room);
        View::setFrame(frame);
        setAutoresizesSubviews(true);
        if (room) {
            laidOut_ = frame.size;
            if (shifts_.empty())
                fitRowsInHeight(this, shifts_);
        }
    }

private:
    platform::Size laidOut_;
    Shifts shifts_;
};

} // namespace

Ref<View> rootView()
{
    Rect frame = Screen::mainScreen().applicationFrame();
    frame.origin = platform::Point(0, 0);
    Ref<View> root = AccountRootView::create(frame);
    root->setBackgroundColor(Color::rgb(0.16f, 0.18f, 0.20f));
    root->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    return root;
}

float width(View* root) { return root ? root->bounds().size.width : 320; }

Ref<Label> label(View* parent, const Rect& frame, float fontSize, const std::string& text, bool bold)
{
    Ref<Label> l = Label::labelWithFrame(frame);
    l->setNumberOfLines(0);
    l->setTextAlignment(platform::TextAlignment::Center);
    l->setTextColor(Color::whiteColor());
    l->setBackgroundColor(std::nullopt);
    l->setOpaque(false);
    l->setFont(bold ? platform::Font::boldSystemFont(fontSize) : platform::Font::systemFont(fontSize));
    l->setText(text);
    parent->addSubview(l.get());
    return l;
}

Ref<QVDefaultButton> button(View* parent, const Rect& frame, const std::string& title, platform::Object* target,
                            Control::PlainAction action, bool green)
{
    Ref<QVDefaultButton> b = green ? QVDefaultButton::greenBoderedButton(frame) : QVDefaultButton::textButton(frame);
    b->setTitleForAllStates(title);
    if (target)
        b->addTarget(target, action, TouchUpInside);
    parent->addSubview(b.get());
    return b;
}

void capButtonBackground(Button* button)
{
    if (!button)
        return;
    if (ImageAsset* normal = button->backgroundImageForState(StateNormal))
        button->setBackgroundImage(normal->stretchableImage(7, 7).get(), StateNormal);
}

void capTagOneButton(View* root)
{
    if (root)
        capButtonBackground(dynamic_cast<Button*>(root->viewWithTag(1)));
}

Ref<TextField> field(View* parent, const Rect& frame, int tag, const std::string& placeholder, bool secure)
{
    Ref<TextField> f = TextField::textFieldWithFrame(frame);
    f->setTag(tag);
    f->setPlaceholder(placeholder);
    f->setBorderStyle(TextField::BorderStyle::RoundedRect);
    f->setBackgroundColor(Color::whiteColor());
    f->setSecureTextEntry(secure);
    parent->addSubview(f.get());
    return f;
}

Ref<Switch> toggle(View* parent, const Rect& frame)
{
    Ref<Switch> s = Switch::switchWithFrame(frame);
    parent->addSubview(s.get());
    return s;
}

std::string nowPlaying() { return platform::format("Now Playing %s", QuorvelInternal::sessionRole().applicationDisplayName().c_str()); }

} // namespace quorvel::account_views
