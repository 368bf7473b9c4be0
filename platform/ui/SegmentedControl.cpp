// SegmentedControl: segments, selection and touch selection.
#include "platform/ui/SegmentedControl.h"

#include "platform/ui/Drawing.h"

#include <algorithm>

namespace platform::ui {

Ref<SegmentedControl> SegmentedControl::withItems(const std::vector<std::string>& titles)
{
    auto s = adoptRef(new SegmentedControl);
    if (!s->initWithFrame({}))
        return nullptr;
    for (auto& t : titles)
        s->insertSegmentWithTitle(t, s->numberOfSegments());
    s->setFrame(Rect(0, 0, 70.f * static_cast<float>(titles.size()), 44));
    return s;
}

bool SegmentedControl::initWithFrame(const Rect& frame)
{
    Control::initWithFrame(frame);
    return true;
}

bool SegmentedControl::initWithCoder(const InterfaceCoder& coder)
{
    Control::initWithCoder(coder);
    setBackgroundColor(std::nullopt);
    return true;
}

void SegmentedControl::insertSegmentWithTitle(const std::string& title, size_t index, bool)
{
    Segment s;
    s.title = title;
    index = std::min(index, segments_.size());
    segments_.insert(segments_.begin() + static_cast<long>(index), s);
    if (selected_ >= static_cast<int>(index))
        ++selected_;
    setNeedsDisplay();
}

void SegmentedControl::insertSegmentWithImage(ImageAsset* image, size_t index, bool)
{
    insertSegmentWithTitle({}, index);
    segments_[std::min(index, segments_.size() - 1)].image = image;
}

void SegmentedControl::removeSegmentAtIndex(size_t index, bool)
{
    if (index >= segments_.size())
        return;
    segments_.erase(segments_.begin() + static_cast<long>(index));
    if (selected_ == static_cast<int>(index))
        selected_ = -1;
    else if (selected_ > static_cast<int>(index))
        --selected_;
    setNeedsDisplay();
}

void SegmentedControl::removeAllSegments()
{
    segments_.clear();
    selected_ = -1;
}

void SegmentedControl::setTitle(const std::string& title, size_t i) { if (i < segments_.size()) segments_[i].title = title; }
std::string SegmentedControl::titleForSegmentAtIndex(size_t i) const { return i < segments_.size() ? segments_[i].title : std::string(); }
void SegmentedControl::setImage(ImageAsset* image, size_t i) { if (i < segments_.size()) segments_[i].image = image; }
ImageAsset* SegmentedControl::imageForSegmentAtIndex(size_t i) const { return i < segments_.size() ? segments_[i].image.get() : nullptr; }
void SegmentedControl::setEnabledForSegment(bool e, size_t i) { if (i < segments_.size()) segments_[i].enabled = e; }
bool SegmentedControl::isEnabledForSegment(size_t i) const { return i < segments_.size() && segments_[i].enabled; }
void SegmentedControl::setWidth(float w, size_t i) { if (i < segments_.size()) segments_[i].width = std::max(0.f, w); }

void SegmentedControl::setSelectedSegmentIndex(int index)
{
    if (index < -1 || index >= static_cast<int>(segments_.size()))
        index = -1;
    selected_ = index;
    setNeedsDisplay();
}

std::vector<float> SegmentedControl::segmentWidths() const
{
    std::vector<float> widths;
    float fixed = 0;
    int flexible = 0;
    for (auto& s : segments_) {
        fixed += s.width;
        flexible += s.width == 0;
    }
    float share = flexible ? std::max(0.f, bounds().size.width - fixed) / static_cast<float>(flexible) : 0;
    for (auto& s : segments_)
        widths.push_back(s.width > 0 ? s.width : share);
    return widths;
}

float SegmentedControl::widthForSegmentAtIndex(size_t i) const
{
    return i < segments_.size() ? segments_[i].width : 0;
}

int SegmentedControl::segmentAtX(float x) const
{
    float left = 0;
    auto widths = segmentWidths();
    for (size_t i = 0; i < widths.size(); ++i) {
        if (x >= left && x < left + widths[i])
            return static_cast<int>(i);
        left += widths[i];
    }
    return -1;
}

void SegmentedControl::touchesBegan(const Touch& t)
{
    Control::touchesBegan(t);
    if (!isEnabled())
        return;
    int i = segmentAtX(t.locationInView(this).x);
    if (i < 0 || !segments_[static_cast<size_t>(i)].enabled)
        return;
    if (i == selected_ && !momentary_)
        return;
    // A momentary control answers the touched segment while its actions run.
    selected_ = i;
    sendActionsForControlEvents(ValueChanged);
    if (momentary_)
        selected_ = -1;
}

std::string SegmentedControl::dumpText() const
{
    std::string out;
    for (size_t i = 0; i < segments_.size(); ++i) {
        if (i)
            out += "|";
        if (static_cast<int>(i) == selected_)
            out += "*";
        out += segments_[i].image && segments_[i].title.empty() ? "image=" + segments_[i].image->name() : segments_[i].title;
    }
    return out;
}

void SegmentedControl::drawChrome(GraphicsContext& g, const Rect&)
{
    Rect b = bounds().insetBy(0.5f, 0.5f);
    size_t n = numberOfSegments();
    if (n == 0)
        return;
    float w = b.size.width / float(n);
    auto font = draw::systemFont(13, true);
    for (size_t i = 0; i < n; ++i) {
        Rect seg(b.minX() + w * float(i), b.minY(), w, b.size.height);
        bool selected = selectedSegmentIndex() == int(i);
        draw::setFill(g, selected ? Color::rgb(0.25f, 0.5f, 0.9f) : Color::white(0.96f));
        g.fillRect(seg);
        draw::setStroke(g, Color::white(0.55f));
        g.strokeRect(seg);
        if (ImageAsset* img = imageForSegmentAtIndex(i))
            draw::asset(g, img, draw::contentRect(ContentMode::Center, img->size(), seg));
        else
            draw::text(g, titleForSegmentAtIndex(i), font.get(), seg.insetBy(3, 0), selected ? Color::whiteColor() : Color::white(0.35f),
                 TextAlignment::Center);
    }
}

} // namespace platform::ui
