// SearchBar: a search field and a cancel button in a bar, with the field's
// events passed on as search-bar delegate calls.
#include "platform/ui/SearchBar.h"

#include "platform/ui/Drawing.h"

namespace platform::ui {

namespace {

constexpr float kMargin = 6;
constexpr float kFieldHeight = 30;
constexpr float kCancelWidth = 60;

} // namespace

Ref<SearchBar> SearchBar::searchBarWithFrame(const Rect& frame)
{
    auto bar = adoptRef(new SearchBar);
    return bar->initWithFrame(frame) ? bar : nullptr;
}

bool SearchBar::initWithFrame(const Rect& frame)
{
    View::initWithFrame(frame);
    build();
    return true;
}

bool SearchBar::initWithCoder(const InterfaceCoder& coder)
{
    View::initWithCoder(coder);
    build();
    return true;
}

SearchBar::~SearchBar()
{
    // The field may outlive the bar (someone else may hold it).
    if (field_) {
        field_->setDelegate(nullptr);
        field_->removeTarget(this);
    }
    if (cancel_)
        cancel_->removeTarget(this);
}

void SearchBar::build()
{
    field_ = TextField::textFieldWithFrame({});
    field_->setBorderStyle(TextField::BorderStyle::RoundedRect);
    field_->setReturnKeyType(ReturnKeyType::Search);
    field_->setFont(Font::systemFont(14).get());
    field_->setDelegate(this);
    field_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(SearchBar, textChanged)), EditingChanged);
    addSubview(field_.get());

    cancel_ = Button::buttonWithType(Button::Type::RoundedRect);
    cancel_->setTitle("Cancel", StateNormal);
    cancel_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(SearchBar, cancelTapped)), TouchUpInside);
    cancel_->setHidden(true);
    addSubview(cancel_.get());
    layoutSubviews();
}

void SearchBar::setShowsCancelButton(bool shows)
{
    showsCancel_ = shows;
    cancel_->setHidden(!shows);
    layoutSubviews();
}

void SearchBar::layoutSubviews()
{
    Rect b = bounds();
    float y = b.minY() + std::max(0.f, (b.size.height - kFieldHeight) / 2);
    float right = b.maxX() - kMargin;
    if (showsCancel_) {
        cancel_->setFrame(Rect(right - kCancelWidth, y, kCancelWidth, kFieldHeight));
        right -= kCancelWidth + kMargin;
    }
    field_->setFrame(Rect(b.minX() + kMargin, y, std::max(0.f, right - b.minX() - kMargin), kFieldHeight));
}

void SearchBar::drawChrome(GraphicsContext& g, const Rect& b)
{
    draw::linearGradient(g, Point(0, b.minY()), Point(0, b.maxY()), { Color::rgb(0.8f, 0.84f, 0.88f), Color::rgb(0.64f, 0.69f, 0.75f) });
    draw::setFill(g, Color::white(0, 0.3f));
    g.fillRect(Rect(b.minX(), b.maxY() - 1, b.size.width, 1));
}

void SearchBar::cancelTapped()
{
    Ref<SearchBar> keep = this;
    if (delegate_)
        delegate_->searchBarCancelButtonClicked(this);
}

void SearchBar::textChanged()
{
    Ref<SearchBar> keep = this;
    if (delegate_)
        delegate_->searchBarTextDidChange(this, field_->text());
}

bool SearchBar::textFieldShouldBeginEditing(TextField*)
{
    return !delegate_ || delegate_->searchBarShouldBeginEditing(this);
}

void SearchBar::textFieldDidBeginEditing(TextField*)
{
    if (delegate_)
        delegate_->searchBarTextDidBeginEditing(this);
}

void SearchBar::textFieldDidEndEditing(TextField*)
{
    if (delegate_)
        delegate_->searchBarTextDidEndEditing(this);
}

bool SearchBar::textFieldShouldReturn(TextField*)
{
    Ref<SearchBar> keep = this;
    if (delegate_)
        delegate_->searchBarSearchButtonClicked(this);
    return true;
}

} // namespace platform::ui
