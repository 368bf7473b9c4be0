// A full-screen layer of menu items: it tracks one touch at a time against its
// items (claiming touches before ordinary layers, at priority -128, and
// swallowing those it accepts) and lays them out in a column, a row, or a grid
// of rows or columns. Its origin is the centre of the screen below the status
// bar, so item positions are offsets from there.
//
// Caveat: only KSMenuItems may be children; the grid layouts fail their
// assertions when the counts do not match the items exactly.
#pragma once

#include "engine/KSLayer.h"
#include "engine/KSMenuItem.h"

#include <initializer_list>
#include <vector>

namespace kestrel {

enum ksMenuState : int32_t { kKSMenuStateWaiting = 0, kKSMenuStateTrackingTouch = 1 };

// The menu's touch priority: before layers and other delegates of priority 0.
inline constexpr int kKSMenuTouchPriority = -128;

class KSMenu : public KSLayer, public KSRGBAProtocol {
public:
    // A null entry ends the list.
    [[nodiscard]] static platform::Ref<KSMenu> menuWithItems(std::initializer_list<KSMenuItem*> items);
    [[nodiscard]] bool initWithItems(std::initializer_list<KSMenuItem*> items);
    // Always fails its assertion: use initWithItems.
    bool init() override;

    using KSNode::addChild;
    void addChild(KSNode* child, int z, int tag) override;
    void removeChild(KSNode* child, bool cleanup) override;
    void removeAllChildrenWithCleanup(bool cleanup) override;
    void onExit() override;

    void registerWithTouchDispatcher() override;
    // The enabled, visible item under the touch (the first added wins), or null.
    KSMenuItem* itemForTouch(ActiveTouch* touch);
    bool ksTouchBegan(ActiveTouch* touch, Event* event) override;
    void ksTouchMoved(ActiveTouch* touch, Event* event) override;
    void ksTouchEnded(ActiveTouch* touch, Event* event) override;
    void ksTouchCancelled(ActiveTouch* touch, Event* event) override;

    // Padding in points (5 by default).
    void alignItemsVertically() { alignItemsVerticallyWithPadding(5); }
    void alignItemsVerticallyWithPadding(float padding);
    void alignItemsHorizontally() { alignItemsHorizontallyWithPadding(5); }
    void alignItemsHorizontallyWithPadding(float padding);
    // Items per row, rows top to bottom.
    void alignItemsInColumns(std::initializer_list<unsigned> columns) { alignItemsInColumns(std::vector<unsigned>(columns)); }
    void alignItemsInColumns(const std::vector<unsigned>& columns);
    // Items per column, columns left to right.
    void alignItemsInRows(std::initializer_list<unsigned> rows) { alignItemsInRows(std::vector<unsigned>(rows)); }
    void alignItemsInRows(const std::vector<unsigned>& rows);

    // Recorded and sent to every item; the menu draws nothing itself.
    void setOpacity(GLubyte opacity) override;
    GLubyte opacity() const override { return opacity_; }
    void setColor(ksColor3B color) override;
    ksColor3B color() const override { return color_; }

    int32_t state() const { return state_; }
    KSMenuItem* selectedItem() const { return selectedItem_; }

    std::string className() const override { return "KSMenu"; }
    const KSFloatProperties& floatProperties() const override;

protected:
    KSMenu() = default;

private:
    int32_t state_ { kKSMenuStateWaiting };
    // One of the children (cleared when it leaves the menu).
    KSMenuItem* selectedItem_ { nullptr };
    GLubyte opacity_ { 0 };
    ksColor3B color_ { 0, 0, 0 };
};

} // namespace kestrel
