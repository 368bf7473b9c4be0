// KSMenu: initialisation below the status bar, the one-touch state machine over
// the targeted touch dispatcher, hit testing, and the four layouts with their
// integer arithmetic (the grid layouts round row and column sizes to whole
// points as they go).
#include "engine/KSSprite.h"
#include "engine/KSMenu.h"

#include "engine/KSDirector.h"
#include "engine/platform/KSDirectorIOS.h"
#include "engine/platform/KSTouchDispatcher.h"
#include "platform/device/Application.h"
#include "platform/foundation/Exception.h"

#include <cmath>
#include <limits>

namespace kestrel {

using platform::adoptRef;
using platform::Ref;

namespace {

// fmaxf's result stored into an unsigned integer (fraction dropped); values
// beyond the unsigned range saturate instead of being undefined.
unsigned maxToUnsigned(unsigned current, float size)
{
    float m = std::fmax(static_cast<float>(current), size);
    if (!(m > 0))
        return 0;
    if (m >= 4294967296.0f)
        return std::numeric_limits<unsigned>::max();
    return static_cast<unsigned>(m);
}

// A float truncated into a signed integer, saturating outside its range.
int truncToInt(float v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483648.0f)
        return std::numeric_limits<int>::max();
    if (v <= -2147483648.0f)
        return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

constexpr const char* kTooManyItems = "Too many menu items for the amount of rows/columns.";
constexpr const char* kTooManyRows = "Too many rows/columns for available menu items.";

} // namespace

Ref<KSMenu> KSMenu::menuWithItems(std::initializer_list<KSMenuItem*> items)
{
    auto m = adoptRef(new KSMenu);
    return m->initWithItems(items) ? m : nullptr;
}

bool KSMenu::initWithItems(std::initializer_list<KSMenuItem*> items)
{
    if (!KSLayer::init())
        return false;
    setIsTouchEnabled(true);

    KSDirector* director = KSDirector::sharedDirector();
    Size s = director->winSize();
    setIsRelativeAnchorPoint(false);
    anchorPoint_ = { 0.5f, 0.5f };
    setContentSize(s);

    // Item positions are offsets from the centre of the screen below the status bar.
    Rect r = platform::ui::Application::sharedApplication().statusBarFrame();
    auto* ios = dynamic_cast<KSDirectorIOS*>(director);
    int orientation = ios ? ios->deviceOrientation() : kKSDeviceOrientationPortrait;
    if (orientation == kKSDeviceOrientationLandscapeLeft || orientation == kKSDeviceOrientationLandscapeRight)
        s.height -= r.size.width;
    else
        s.height -= r.size.height;
    setPosition({ s.width / 2, s.height / 2 });

    int z = 0;
    for (KSMenuItem* item : items) {
        if (!item)
            break;
        addChild(item, z);
        ++z;
    }
    selectedItem_ = nullptr;
    state_ = kKSMenuStateWaiting;
    return true;
}

bool KSMenu::init()
{
    BRISKO_ASSERT(false, "KSMenu: Init not supported.");
    return false;
}

void KSMenu::addChild(KSNode* child, int z, int tag)
{
    BRISKO_ASSERT(dynamic_cast<KSMenuItem*>(child) != nullptr, "Menu only supports MenuItem objects as children");
    KSLayer::addChild(child, z, tag);
}

void KSMenu::removeChild(KSNode* child, bool cleanup)
{
    // The tracked item is not retained: forget it before it can go.
    if (child && child == selectedItem_)
        selectedItem_ = nullptr;
    KSLayer::removeChild(child, cleanup);
}

void KSMenu::removeAllChildrenWithCleanup(bool cleanup)
{
    selectedItem_ = nullptr;
    KSLayer::removeAllChildrenWithCleanup(cleanup);
}

void KSMenu::onExit()
{
    if (state_ == kKSMenuStateTrackingTouch) {
        if (selectedItem_)
            selectedItem_->unselected();
        state_ = kKSMenuStateWaiting;
        selectedItem_ = nullptr;
    }
    KSLayer::onExit();
}

void KSMenu::registerWithTouchDispatcher()
{
    KSTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, kKSMenuTouchPriority, true);
}

KSMenuItem* KSMenu::itemForTouch(ActiveTouch* touch)
{
    Point p = touch->locationInView(touch->view());
    p = KSDirector::sharedDirector()->convertToGL(p);
    if (!children_)
        return nullptr;
    for (KSNode* child : children_->objectsAs<KSNode>()) {
        auto* item = static_cast<KSMenuItem*>(child);
        if (!item->visible() || !item->isEnabled())
            continue;
        Point q = item->convertToNodeSpace(p);
        Size size = item->contentSize();
        if (q.x >= 0 && q.x < size.width && q.y >= 0 && q.y < size.height)
            return item;
    }
    return nullptr;
}

bool KSMenu::ksTouchBegan(ActiveTouch* touch, Event*)
{
    if (state_ != kKSMenuStateWaiting || !visible_)
        return false;
    selectedItem_ = itemForTouch(touch);
    if (!selectedItem_)
        return false;
    Ref<KSMenu> keep(this);
    state_ = kKSMenuStateTrackingTouch;
    selectedItem_->selected();
    return true;
}

void KSMenu::ksTouchMoved(ActiveTouch* touch, Event*)
{
    BRISKO_ASSERT(state_ == kKSMenuStateTrackingTouch, "[Menu ksTouchMoved] -- invalid state");
    KSMenuItem* current = itemForTouch(touch);
    if (current == selectedItem_)
        return;
    if (selectedItem_)
        selectedItem_->unselected();
    selectedItem_ = current;
    if (selectedItem_)
        selectedItem_->selected();
}

void KSMenu::ksTouchEnded(ActiveTouch*, Event*)
{
    BRISKO_ASSERT(state_ == kKSMenuStateTrackingTouch, "[Menu ksTouchEnded] -- invalid state");
    // The callback may remove the item or the menu: keep both until it returns.
    Ref<KSMenu> keep(this);
    Ref<KSMenuItem> item(selectedItem_);
    state_ = kKSMenuStateWaiting;
    if (item) {
        item->unselected();
        item->activate();
    }
}

void KSMenu::ksTouchCancelled(ActiveTouch*, Event*)
{
    BRISKO_ASSERT(state_ == kKSMenuStateTrackingTouch, "[Menu ksTouchCancelled] -- invalid state");
    Ref<KSMenuItem> item(selectedItem_);
    state_ = kKSMenuStateWaiting;
    if (item)
        item->unselected();
}

// Layouts ------------------------------------------------------------------------------

void KSMenu::alignItemsVerticallyWithPadding(float padding)
{
    if (!children_)
        return;
    float height = -padding;
    for (KSNode* child : children_->objectsAs<KSNode>())
        height += child->contentSize().height * child->scaleY() + padding;
    float y = height / 2.0f;
    for (KSNode* child : children_->objectsAs<KSNode>()) {
        const float h = child->contentSize().height * child->scaleY();
        child->setPosition({ 0, y - h / 2.0f });
        y -= h + padding;
    }
}

void KSMenu::alignItemsHorizontallyWithPadding(float padding)
{
    if (!children_)
        return;
    float width = -padding;
    for (KSNode* child : children_->objectsAs<KSNode>())
        width += child->contentSize().width * child->scaleX() + padding;
    float x = -width / 2.0f;
    for (KSNode* child : children_->objectsAs<KSNode>()) {
        const float w = child->contentSize().width * child->scaleX();
        child->setPosition({ x + w / 2.0f, 0 });
        x += w + padding;
    }
}

void KSMenu::alignItemsInColumns(const std::vector<unsigned>& counts)
{
    if (!children_)
        return;
    int height = -5;
    size_t row = 0;
    unsigned rowHeight = 0, columnsOccupied = 0, rowColumns = 0;
    for (KSNode* child : children_->objectsAs<KSNode>()) {
        BRISKO_ASSERT(row < counts.size(), kTooManyItems);
        rowColumns = counts[row];
        BRISKO_ASSERT(rowColumns != 0, "Can't have zero columns on a row");
        rowHeight = maxToUnsigned(rowHeight, child->contentSize().height);
        ++columnsOccupied;
        if (columnsOccupied >= rowColumns) {
            height += static_cast<int>(rowHeight + 5);
            columnsOccupied = 0;
            rowHeight = 0;
            ++row;
        }
    }
    BRISKO_ASSERT(columnsOccupied == 0, kTooManyRows);

    const Size winSize = KSDirector::sharedDirector()->winSize();
    row = 0;
    rowHeight = 0;
    rowColumns = 0;
    float w = 0, x = 0;
    float y = static_cast<float>(height / 2);
    for (KSNode* child : children_->objectsAs<KSNode>()) {
        if (rowColumns == 0) {
            rowColumns = counts[row];
            w = winSize.width / static_cast<float>(1 + rowColumns);
            x = w;
        }
        const float h = child->contentSize().height;
        rowHeight = maxToUnsigned(rowHeight, h);
        child->setPosition({ x - winSize.width / 2, y - h / 2 });
        x += w + 10;
        ++columnsOccupied;
        if (columnsOccupied >= rowColumns) {
            y -= static_cast<float>(rowHeight + 5);
            columnsOccupied = 0;
            rowColumns = 0;
            rowHeight = 0;
            ++row;
        }
    }
}

void KSMenu::alignItemsInRows(const std::vector<unsigned>& counts)
{
    if (!children_)
        return;
    std::vector<unsigned> columnWidths;
    std::vector<int> columnHeights;
    int width = -10, columnHeight = -5;
    size_t column = 0;
    unsigned columnWidth = 0, rowsOccupied = 0, columnRows = 0;
    for (KSNode* child : children_->objectsAs<KSNode>()) {
        BRISKO_ASSERT(column < counts.size(), kTooManyItems);
        columnRows = counts[column];
        BRISKO_ASSERT(columnRows != 0, "Can't have zero rows on a column");
        const Size size = child->contentSize();
        columnWidth = maxToUnsigned(columnWidth, size.width);
        columnHeight = truncToInt(static_cast<float>(columnHeight) + (size.height + 5.0f));
        ++rowsOccupied;
        if (rowsOccupied >= columnRows) {
            columnWidths.push_back(columnWidth);
            columnHeights.push_back(columnHeight);
            width += static_cast<int>(columnWidth + 10);
            rowsOccupied = 0;
            columnWidth = 0;
            columnHeight = -5;
            ++column;
        }
    }
    BRISKO_ASSERT(rowsOccupied == 0, kTooManyRows);

    const Size winSize = KSDirector::sharedDirector()->winSize();
    column = 0;
    columnWidth = 0;
    columnRows = 0;
    float x = static_cast<float>(-(width / 2));
    float y = 0;
    for (KSNode* child : children_->objectsAs<KSNode>()) {
        if (columnRows == 0) {
            columnRows = counts[column];
            y = (static_cast<float>(columnHeights[column]) + winSize.height) / 2;
        }
        const Size size = child->contentSize();
        columnWidth = maxToUnsigned(columnWidth, size.width);
        child->setPosition({ x + static_cast<float>(columnWidths[column] / 2), y - winSize.height / 2 });
        y -= size.height + 10;
        ++rowsOccupied;
        if (rowsOccupied >= columnRows) {
            x += static_cast<float>(columnWidth + 5);
            rowsOccupied = 0;
            columnRows = 0;
            columnWidth = 0;
            ++column;
        }
    }
}

// Colour -------------------------------------------------------------------------------

void KSMenu::setOpacity(GLubyte opacity)
{
    opacity_ = opacity;
    if (children_)
        for (KSNode* child : children_->objectsAs<KSNode>())
            if (KSRGBAOf rgba { child })
                rgba->setOpacity(opacity);
}

void KSMenu::setColor(ksColor3B color)
{
    color_ = color;
    if (children_)
        for (KSNode* child : children_->objectsAs<KSNode>())
            if (KSRGBAOf rgba { child })
                rgba->setColor(color);
}

const KSFloatProperties& KSMenu::floatProperties() const
{
    static const KSFloatProperties properties(&KSLayer::floatProperties(), {
        { "opacity", [](KSNode* n, float v) { static_cast<KSMenu*>(n)->setOpacity(ksFloatToByte(v)); } },
    });
    return properties;
}

} // namespace kestrel
