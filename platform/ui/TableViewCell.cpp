// TableViewCell: the row view of a table in its four styles, with its
// labels, image, accessory, background views, selection and reuse.
#include "platform/ui/TableView.h"

#include "platform/ui/Drawing.h"

namespace platform::ui {

Ref<TableViewCell> TableViewCell::cellWithStyle(TableViewCellStyle style, const std::string& reuseIdentifier)
{
    auto c = adoptRef(new TableViewCell);
    return c->initWithStyle(style, reuseIdentifier) ? c : nullptr;
}

bool TableViewCell::initWithStyle(TableViewCellStyle style, const std::string& reuseIdentifier)
{
    View::initWithFrame(Rect(0, 0, 320, TableView::kDefaultRowHeight));
    setUp(style, reuseIdentifier);
    return true;
}

bool TableViewCell::initWithFrame(const Rect& frame)
{
    View::initWithFrame(frame);
    setUp(TableViewCellStyle::Default, {});
    return true;
}

bool TableViewCell::initWithCoder(const InterfaceCoder& coder)
{
    View::initWithCoder(coder);
    setUp(TableViewCellStyle::Default, {});
    return true;
}

void TableViewCell::setUp(TableViewCellStyle style, const std::string& reuseIdentifier)
{
    style_ = style;
    reuseIdentifier_ = reuseIdentifier;
    setBackgroundColor(Color::whiteColor());
    contentView_ = View::viewWithFrame(bounds());
    contentView_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    addSubview(contentView_.get());
}

Label* TableViewCell::textLabel()
{
    if (!textLabel_) {
        textLabel_ = Label::labelWithFrame({});
        textLabel_->setBackgroundColor(std::nullopt);
        textLabel_->setOpaque(false);
        textLabel_->setFont(Font::boldSystemFont(style_ == TableViewCellStyle::Subtitle ? 18 : 20).get());
        contentView_->addSubview(textLabel_.get());
        setNeedsLayout();
    }
    return textLabel_.get();
}

Label* TableViewCell::detailTextLabel()
{
    if (style_ == TableViewCellStyle::Default)
        return nullptr;
    if (!detailTextLabel_) {
        detailTextLabel_ = Label::labelWithFrame({});
        detailTextLabel_->setBackgroundColor(std::nullopt);
        detailTextLabel_->setOpaque(false);
        detailTextLabel_->setFont(Font::systemFont(14).get());
        detailTextLabel_->setTextColor(Color::white(0.5f));
        if (style_ == TableViewCellStyle::Value1)
            detailTextLabel_->setTextAlignment(TextAlignment::Right);
        contentView_->addSubview(detailTextLabel_.get());
        setNeedsLayout();
    }
    return detailTextLabel_.get();
}

ImageView* TableViewCell::imageView()
{
    if (!imageView_) {
        imageView_ = ImageView::imageViewWithFrame({});
        contentView_->insertSubviewAt(imageView_.get(), 0);
        setNeedsLayout();
    }
    return imageView_.get();
}

void TableViewCell::setAccessoryView(View* v)
{
    if (accessoryView_)
        accessoryView_->removeFromSuperview();
    accessoryView_ = v;
    if (v)
        addSubview(v);
    setNeedsLayout();
}

void TableViewCell::setBackgroundView(View* v)
{
    if (backgroundView_)
        backgroundView_->removeFromSuperview();
    backgroundView_ = v;
    if (v) {
        v->setFrame(bounds());
        insertSubviewAt(v, 0);
    }
}

void TableViewCell::setSelectedBackgroundView(View* v)
{
    if (selectedBackgroundView_)
        selectedBackgroundView_->removeFromSuperview();
    selectedBackgroundView_ = v;
    if (v && selected_) {
        v->setFrame(bounds());
        insertSubviewAbove(v, backgroundView_ ? backgroundView_.get() : nullptr);
    }
}

void TableViewCell::setSelected(bool selected, bool animated)
{
    if (selected_ == selected)
        return;
    selected_ = selected;
    highlighted_ = selected && selectionStyle_ != CellSelectionStyle::None;
    // Texts turn white over the selection colour.
    if (textLabel_)
        textLabel_->setHighlighted(highlighted_);
    if (detailTextLabel_)
        detailTextLabel_->setHighlighted(highlighted_);
    if (selectedBackgroundView_) {
        if (selected && selectionStyle_ != CellSelectionStyle::None) {
            selectedBackgroundView_->setFrame(bounds());
            if (backgroundView_)
                insertSubviewAbove(selectedBackgroundView_.get(), backgroundView_.get());
            else
                insertSubviewAt(selectedBackgroundView_.get(), 0);
        } else {
            selectedBackgroundView_->removeFromSuperview();
        }
    }
    setNeedsDisplay();
}

void TableViewCell::setEditing(bool editing, bool)
{
    if (editing_ == editing)
        return;
    editing_ = editing;
    setNeedsLayout();
    setNeedsDisplay();
}

void TableViewCell::prepareForReuse()
{
    setSelected(false, false);
}

TableView* TableViewCell::tableView() const
{
    return dynamic_cast<TableView*>(superview());
}

void TableViewCell::layoutSubviews()
{
    Rect b = bounds();
    float accessoryWidth = (accessoryView_ || accessory_ != CellAccessoryType::None) ? kAccessoryWidth + 10 : 0;
    float indent = editing_ && editingStyle_ != CellEditingStyle::None ? kEditingIndent : 0;
    contentView_->setFrame(Rect(indent, 0, std::max(0.f, b.size.width - accessoryWidth - indent), b.size.height));
    if (accessoryView_) {
        Rect a = accessoryView_->frame();
        accessoryView_->setFrame(Rect(b.size.width - a.size.width - 10, (b.size.height - a.size.height) / 2, a.size.width, a.size.height));
    }
    float w = contentView_->bounds().size.width;
    float h = b.size.height;
    float left = 10;
    if (imageView_ && imageView_->image()) {
        Size s = imageView_->image()->size();
        imageView_->setFrame(Rect(0, (h - s.height) / 2, s.width, s.height));
        left = s.width + 10;
    } else if (imageView_) {
        imageView_->setFrame({});
    }
    float textWidth = std::max(0.f, w - left - 10);
    bool hasDetail = detailTextLabel_ && !detailTextLabel_->text().empty();
    if (style_ == TableViewCellStyle::Subtitle && hasDetail) {
        if (textLabel_)
            textLabel_->setFrame(Rect(left, h / 2 - 22, textWidth, 22));
        detailTextLabel_->setFrame(Rect(left, h / 2, textWidth, 18));
    } else if ((style_ == TableViewCellStyle::Value1 || style_ == TableViewCellStyle::Value2) && hasDetail) {
        float half = textWidth / 2;
        if (textLabel_)
            textLabel_->setFrame(Rect(left, 0, half, h));
        detailTextLabel_->setFrame(Rect(left + half, 0, textWidth - half, h));
    } else {
        if (textLabel_)
            textLabel_->setFrame(Rect(left, 0, textWidth, h));
        if (detailTextLabel_)
            detailTextLabel_->setFrame({});
    }
    if (backgroundView_)
        backgroundView_->setFrame(b);
    if (selectedBackgroundView_)
        selectedBackgroundView_->setFrame(b);
}

void TableViewCell::touchesEnded(const Touch& t)
{
    if (TableView* table = tableView()) {
        if (auto ip = table->indexPathForCell(this))
            table->tapRowForTest(*ip);
    }
}

std::string TableViewCell::dumpText() const
{
    return textLabel_ ? textLabel_->text() : std::string();
}

namespace {

void fillSelection(GraphicsContext& g, const Rect& b, CellSelectionStyle style)
{
    draw::setFill(g, style == CellSelectionStyle::Gray ? Color::white(0.7f) : Color::rgb(0.02f, 0.45f, 0.93f));
    g.fillRect(b);
}

} // namespace

// The selection colour stands above the background view and under the content:
// with a background view it is drawn right after that view, else under all.
void TableViewCell::drawChrome(GraphicsContext& g, const Rect&)
{
    bool shown = isSelected() && selectionStyle() != CellSelectionStyle::None && !selectedBackgroundView();
    bool overBackground = backgroundView_ && backgroundView_->superview() == this;
    if (shown && !overBackground)
        fillSelection(g, bounds(), selectionStyle());
}

void TableViewCell::drawAboveSubview(GraphicsContext& g, const Rect&, View* subview)
{
    if (subview == backgroundView_.get() && isSelected() && selectionStyle() != CellSelectionStyle::None
        && !selectedBackgroundView())
        fillSelection(g, bounds(), selectionStyle());
}

// The separator, the accessory and the delete control stand above the cell's
// subviews, so a background view added to the cell does not cover them.
void TableViewCell::drawAboveSubviews(GraphicsContext& g, const Rect&)
{
    Rect b = bounds();
    draw::setFill(g, Color::white(0.88f));
    g.fillRect(Rect(b.minX(), b.maxY() - 1, b.size.width, 1));
    if (editing_ && editingStyle_ != CellEditingStyle::None) {
        // A red disc with a bar (delete) or a green one with a plus (insert).
        float cx = b.minX() + kEditingIndent / 2, cy = b.midY();
        bool insert = editingStyle_ == CellEditingStyle::Insert;
        g.beginPath();
        g.addArc(cx, cy, 10, 0, 2 * float(M_PI), false);
        draw::setFill(g, insert ? Color::rgb(0.2f, 0.7f, 0.25f) : Color::rgb(0.86f, 0.12f, 0.12f));
        g.fillPath();
        draw::setFill(g, Color::whiteColor());
        g.fillRect(Rect(cx - 6, cy - 1.5f, 12, 3));
        if (insert)
            g.fillRect(Rect(cx - 1.5f, cy - 6, 3, 12));
    }
    if (accessoryView())
        return;
    float x = b.maxX() - 20, y = b.midY();
    switch (accessoryType()) {
    case CellAccessoryType::None: break;
    case CellAccessoryType::DisclosureIndicator:
        g.beginPath();
        g.moveTo(x - 3, y - 5);
        g.lineTo(x + 2, y);
        g.lineTo(x - 3, y + 5);
        draw::setStroke(g, Color::white(0.5f), 2.5f);
        g.strokePath();
        break;
    case CellAccessoryType::DetailDisclosureButton:
        g.beginPath();
        g.addArc(x, y, 11, 0, 2 * float(M_PI), false);
        draw::setFill(g, Color::rgb(0.2f, 0.45f, 0.9f));
        g.fillPath();
        g.beginPath();
        g.moveTo(x - 2, y - 5);
        g.lineTo(x + 3, y);
        g.lineTo(x - 2, y + 5);
        draw::setStroke(g, Color::whiteColor(), 2.5f);
        g.strokePath();
        break;
    case CellAccessoryType::Checkmark:
        g.beginPath();
        g.moveTo(x - 6, y);
        g.lineTo(x - 1, y + 5);
        g.lineTo(x + 7, y - 7);
        draw::setStroke(g, draw::kButtonBlue, 2.5f);
        g.strokePath();
        break;
    }
}

} // namespace platform::ui
