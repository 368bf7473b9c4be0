// List cells bound to a resource, their rounded backgrounds and the list's table view.
#include "social/ui/QVTableCellHelper.h"

#include "platform/graphics/Font.h"
#include "platform/graphics/TextEngine.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVKitDrawing.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVTableControllerHelper.h"

#include <cmath>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Ref;


bool QVTableCellHelper::initQVTableCellHelper(const std::string& reuseIdentifier)
{
    return initWithStyle(TableViewCellStyle::Default, reuseIdentifier);
}

QVTableControllerHelper* QVTableCellHelper::owningTable() const
{
    return owningTable_.expired() ? nullptr : dynamic_cast<QVTableControllerHelper*>(owningTable_.unsafeGet());
}

void QVTableCellHelper::setOwningTable(QVTableControllerHelper* table)
{
    owningTable_ = static_cast<Object*>(table);
    hadScreen_ = hadScreen_ || table;
}

Object* QVTableCellHelper::owningScreen() const { return owningTable(); }

bool QVTableCellHelper::canReceiveCallbacksNow()
{
    Object* screen = owningScreen();
    return screen ? QVHostTakesCallbacks(screen) : !hadScreen_;
}

void QVTableCellHelper::setOwner(Object* owner)
{
    setOwningTable(dynamic_cast<QVTableControllerHelper*>(owner));
}

void QVTableCellHelper::changeResource(Object* resource)
{
    Ref<Object> keep(resource);
    resource_ = resource;
    onResourceChanged(resource);
    if (Ref<Object> table = owningTable_.lock())
        if (auto* list = dynamic_cast<QVTableControllerHelper*>(table.get()))
            list->onCell(this, resource);
}

void QVTableCellHelper::changeResource(Object* resource, int cellIndex)
{
    resource_ = resource;
    onResourceChanged(resource, cellIndex);
}

void QVTableCellHelper::stretchTo(float height)
{
    platform::Rect f = frame();
    if (height <= f.size.height)
        return;
    laidOutHeight_ = f.size.height;
    stretchedHeight_ = height;
    // The content view grows with the row, but what it holds keeps its frames (the move
    // comes from its bounds, below), whatever their autoresizing says.
    View* content = contentView();
    const bool resizes = content->autoresizesSubviews();
    content->setAutoresizesSubviews(false);
    f.size.height = height;
    setFrame(f);
    layoutSubviews();
    content->setAutoresizesSubviews(resizes);
}

void QVTableCellHelper::setFrame(const platform::Rect& frame)
{
    if (stretchedHeight_ > 0 && std::fabs(frame.size.height - stretchedHeight_) > 0.01f) {
        View* content = contentView();
        const bool resizes = content->autoresizesSubviews();
        content->setAutoresizesSubviews(false);
        platform::Rect laidOut = this->frame();
        laidOut.size.height = laidOutHeight_;
        laidOutHeight_ = stretchedHeight_ = 0;
        TableViewCell::setFrame(laidOut);
        platform::Rect b = content->bounds();
        b.origin.y = 0;
        content->setBounds(b);
        content->setAutoresizesSubviews(resizes);
    }
    TableViewCell::setFrame(frame);
}

void QVTableCellHelper::setHeightForContent(float height)
{
    platform::Rect f = frame();
    f.size.height = height;
    setFrame(f);
    if (QVDashboardRole::current().isLargeScreen())
        stretchTo(QVControllerLoader::kLargeScreenMinimumCellHeight);
}

float QVTableCellHelper::stretchOffset() const
{
    if (stretchedHeight_ <= 0 || std::fabs(bounds().size.height - stretchedHeight_) > 0.01f)
        return 0;
    return std::floor((stretchedHeight_ - laidOutHeight_) / 2);
}

float QVTableCellHelper::contentLayoutHeight() const
{
    return stretchOffset() > 0 ? laidOutHeight_ : bounds().size.height;
}

void QVTableCellHelper::layoutSubviews()
{
    TableViewCell::layoutSubviews();
    View* content = contentView();
    platform::Rect b = content->bounds();
    b.origin.y = -stretchOffset();
    content->setBounds(b);
}

void QVTableCellHelper::setEdgeStyle(int edgeStyle)
{
    if (auto* bg = dynamic_cast<QVTableCellBackgroundView*>(backgroundView()))
        bg->setEdgeStyle(edgeStyle);
    if (auto* bg = dynamic_cast<QVTableCellBackgroundView*>(selectedBackgroundView()))
        bg->setEdgeStyle(edgeStyle);
}

void QVTableCellHelperActionCell::buttonPressed(Object* sender)
{
    QVTableControllerHelper* table = owningTable();
    auto* button = dynamic_cast<View*>(sender);
    if (!table || !button)
        return;
    TableView* tableView = table->tableView();
    std::optional<IndexPath> path = tableView ? tableView->indexPathForCell(this) : std::nullopt;
    if (path)
        table->actionPressedForTag(button->tag(), *path);
}

void QVResourceViewHelper::changeResource(Object* resource)
{
    Ref<Object> keep(resource);
    resource_ = resource;
    onResourceChanged(resource);
}

Ref<QVTableCellBackgroundView> QVTableCellBackgroundView::viewWithFrame(const platform::Rect& frame,
                                                                      const std::string& imageName, int edgeStyle)
{
    auto view = platform::adoptRef(new QVTableCellBackgroundView);
    return view->initWithFrameAndImageName(frame, imageName, edgeStyle) ? view : nullptr;
}

Ref<QVTableCellBackgroundView> QVTableCellBackgroundView::defaultBackgroundView()
{
    return viewWithFrame(platform::Rect(), "", QVTableCellHelper::kEdgeNone);
}

bool QVTableCellBackgroundView::initWithFrameAndImageName(const platform::Rect& frame, const std::string& imageName,
                                                          int edgeStyle)
{
    if (!View::initWithFrame(frame))
        return false;
    setBackgroundColor(Color::clear());
    setOpaque(false);
    if (!imageName.empty())
        mImage = QVLoadKitImage(imageName);
    edgeStyle_ = edgeStyle;
    tileImage_ = false;
    return true;
}

void QVTableCellBackgroundView::setImage(ImageAsset* image)
{
    if (mImage.get() == image)
        return;
    mImage = image;
    setNeedsDisplay();
}

void QVTableCellBackgroundView::setEdgeStyle(int edgeStyle)
{
    if (edgeStyle_ == edgeStyle)
        return;
    edgeStyle_ = edgeStyle;
    setNeedsDisplay();
}

void QVTableCellBackgroundView::setTileImage(bool tile)
{
    if (tileImage_ == tile)
        return;
    tileImage_ = tile;
    setNeedsDisplay();
}

namespace {

// The bounds with the corners the edge style rounds; the arcs meet the edges at their middles.
void addEdgePath(platform::GraphicsContext& context, const platform::Rect& r, int edgeStyle, float radius)
{
    const bool top = edgeStyle == QVTableCellHelper::kEdgeTop || edgeStyle == QVTableCellHelper::kEdgeAll;
    const bool bottom = edgeStyle == QVTableCellHelper::kEdgeBottom || edgeStyle == QVTableCellHelper::kEdgeAll;
    const float minX = r.origin.x, minY = r.origin.y;
    const float maxX = minX + r.size.width, maxY = minY + r.size.height;
    const float midX = minX + r.size.width / 2, midY = minY + r.size.height / 2;
    constexpr float kPi = 3.14159265358979f;
    context.beginPath();
    context.moveTo(minX, midY);
    if (top) {
        context.addArc(minX + radius, minY + radius, radius, kPi, 1.5f * kPi, false);
        context.lineTo(midX, minY);
        context.addArc(maxX - radius, minY + radius, radius, 1.5f * kPi, 2 * kPi, false);
    } else {
        context.lineTo(minX, minY);
        context.lineTo(maxX, minY);
    }
    context.lineTo(maxX, midY);
    if (bottom) {
        context.addArc(maxX - radius, maxY - radius, radius, 0, 0.5f * kPi, false);
        context.lineTo(midX, maxY);
        context.addArc(minX + radius, maxY - radius, radius, 0.5f * kPi, kPi, false);
    } else {
        context.lineTo(maxX, maxY);
        context.lineTo(minX, maxY);
    }
    context.closePath();
}

} // namespace

void QVTableCellBackgroundView::drawRect(platform::GraphicsContext& context, const platform::Rect&)
{
    platform::Rect bounds = this->bounds();
    context.save();
    if (edgeStyle_ >= QVTableCellHelper::kEdgeTop && edgeStyle_ <= QVTableCellHelper::kEdgeAll) {
        addEdgePath(context, bounds, edgeStyle_, kCornerRadius);
        context.clip();
    }
    if (mImage && mImage->image()) {
        if (tileImage_)
            QVKitDrawing::drawTiledImage(context, *mImage->image(), bounds);
        else
            QVKitDrawing::drawStretchedImage(context, mImage.get(), bounds);
    }
    context.restore();
}

Ref<QVTableView> QVTableView::tableViewWithFrame(const platform::Rect& frame, TableViewStyle style)
{
    auto table = platform::adoptRef(new QVTableView);
    return table->initWithFrameAndStyle(frame, style) ? table : nullptr;
}

View* QVTableView::hitTest(platform::Point point)
{
    if (isDecelerating() || isEditing())
        return TableView::hitTest(point);
    if (isHidden() || !isUserInteractionEnabled() || !pointInside(point))
        return TableView::hitTest(point);
    std::optional<IndexPath> row = indexPathForRowAtPoint(point);
    TableViewCell* cell = row ? cellForRowAtIndexPath(*row) : nullptr;
    if (!cell || !cell->contentView())
        return TableView::hitTest(point);
    View* content = cell->contentView();
    if (View* hit = content->hitTest(content->convertPointFrom(point, this)))
        return hit;
    return content;
}

void QVTableView::drawAboveSubviews(platform::GraphicsContext& context, const platform::Rect& bounds)
{
    const std::vector<std::string>& titles = sectionIndexTitles();
    if (titles.empty())
        return;
    // A column of small dark titles over the visible part, on a light strip of
    // its own so that they read over dark rows and headers as over light ones.
    const float x = bounds.origin.x + bounds.size.width - kSectionIndexWidth;
    const float top = bounds.origin.y + 4;
    const float step = (bounds.size.height - 8) / static_cast<float>(titles.size());
    context.setFillColor(0.86f, 0.87f, 0.89f, 0.9f);
    context.fillRect(platform::Rect(x, bounds.origin.y, kSectionIndexWidth, bounds.size.height));
    auto font = platform::Font::boldSystemFont(std::min(11.f, step));
    if (!font)
        return;
    context.setFillColor(0.2f, 0.25f, 0.35f, 1);
    platform::TextLayoutOptions options;
    options.alignment = platform::TextAlignment::Center;
    for (size_t i = 0; i < titles.size(); ++i)
        platform::drawText(context, titles[i], *font,
                           platform::Rect(x, top + step * static_cast<float>(i), kSectionIndexWidth, step), options);
}

} // namespace quorvel
