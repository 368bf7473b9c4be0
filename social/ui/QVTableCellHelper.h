// The cells of the client's lists. QVTableCellHelper is a table cell bound to
// one resource: changeResource keeps the resource, lets the cell fill its
// views (onResourceChanged) and tells the owning list screen. Cells are made
// by name through the controller loader; a cell class made without a layout
// receives its name as reuse identifier and the list screen as owner.
//
// QVTableCellHelperActionCell reports its buttons to the list by tag and
// row; QVResourceViewHelper is the same binding for a plain view;
// QVTableCellBackgroundView draws a cell's image with rounded edges;
// QVTableView delivers touches on a row straight to the row's content view
// while the table is neither decelerating nor editing; and
// QVTableSectionCellDescription names the cell and resource of one row of a
// list that is described cell by cell.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/ui/ImageAsset.h"
#include "platform/ui/TableView.h"
#include "social/runtime/QVDelegate.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVControllerLoader.h"

#include <string>

namespace quorvel {

class QVTableControllerHelper;

class QVTableCellHelper : public platform::ui::TableViewCell,
                          public QVLoadableCell,
                          public QVOwnedCell,
                          public QVCallbackable {
    QV_DECLARE_CLASS(QVTableCellHelper)
public:
    // Edge styles of the background: top corners, bottom corners, all four, none.
    enum EdgeStyle { kEdgeTop = 0, kEdgeBottom = 1, kEdgeAll = 2, kEdgeNone = 3 };

    bool initQVTableCellHelper(const std::string& reuseIdentifier) override;

    // --- Hooks ---
    // Fill the cell's views from the resource.
    virtual void onResourceChanged(platform::Object* /*resource*/) { }
    virtual void onResourceChanged(platform::Object* resource, int /*cellIndex*/) { onResourceChanged(resource); }
    // YES: the cell sets its own backgrounds (configureSelf...); NO: the list does.
    virtual bool wantsToConfigureSelf() { return false; }
    virtual void configureSelfAsLeading(bool /*leading*/, bool /*trailing*/, bool /*odd*/) { }
    virtual void viewDidAppear() { }
    virtual void viewDidDisappear() { }
    // YES lets the list measure with a sizing cell without filling it again.
    virtual bool hasConstantHeight() { return false; }

    // Keeps the resource, fills the cell, then tells the owning list.
    void changeResource(platform::Object* resource);
    // Keeps the resource and fills the cell for a row of a streamed list; the list is not told.
    void changeResource(platform::Object* resource, int cellIndex);
    platform::Object* resource() const { return resource_.get(); }

    // To the background and the selected background (when they are QVTableCellBackgroundViews).
    void setEdgeStyle(int edgeStyle);

    // The loader made the cell taller than it was laid out for (a tablet's rows are at least
    // 60 points): what it shows keeps the places it was laid out in, moved down together to
    // the middle of the taller row, while the row keeps that height. A cell that sizes itself
    // to another height lays itself out for it.
    void stretchTo(float height);
    // A cell that sizes itself to what it shows: that height, and on a large screen no lower
    // than its rows' least, its content in the middle as stretchTo keeps it.
    void setHeightForContent(float height);
    // How far the content is moved down (0 when it is not), and the height it is laid out in
    // (the row's, less what the move leaves above and below it).
    float stretchOffset() const;
    float contentLayoutHeight() const;
    void layoutSubviews() override;
    // Made another height than the stretched one, the cell is its laid-out height again
    // (its content unmoved) and goes on from there as any view does.
    void setFrame(const platform::Rect& frame) override;

    // Null once the list screen is gone (a table can outlive its screen).
    QVTableControllerHelper* owningTable() const;
    void setOwningTable(QVTableControllerHelper* table);
    void setOwner(platform::Object* owner) override;
    // The screen the cell works for: its list (a banner: the screen it is the
    // banner of); null when it has none or that screen is gone.
    virtual platform::Object* owningScreen() const;
    // A cell takes callbacks while its screen does, and none once its screen
    // is gone; a cell that was never given a screen takes them.
    bool canReceiveCallbacksNow() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVTableCellHelper() = default;
    // A screen was given to the cell: from now on, without one it takes no callbacks.
    void noteScreenGiven() { hadScreen_ = true; }

private:
    platform::Weak<platform::Object> owningTable_;
    bool hadScreen_ { false };
    float laidOutHeight_ { 0 }; // before the loader stretched the cell
    float stretchedHeight_ { 0 };
    platform::Ref<platform::Object> resource_;
};

// A cell whose buttons report to the list: the button's tag and the cell's row.
class QVTableCellHelperActionCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVTableCellHelperActionCell)
public:
    void buttonPressed(platform::Object* sender);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVTableCellHelperActionCell() = default;
};

// A plain view bound to one resource.
class QVResourceViewHelper : public platform::ui::View {
public:
    void changeResource(platform::Object* resource);
    virtual void onResourceChanged(platform::Object* /*resource*/) { }
    platform::Object* resource() const { return resource_.get(); }

protected:
    QVResourceViewHelper() = default;

private:
    platform::Ref<platform::Object> resource_;
};

// A cell background: its image stretched (or tiled) over the bounds, clipped
// to rounded corners (radius 10) by edge style.
class QVTableCellBackgroundView : public platform::ui::View {
    QV_DECLARE_CLASS(QVTableCellBackgroundView)
public:
    static constexpr float kCornerRadius = 10;

    static platform::Ref<QVTableCellBackgroundView> viewWithFrame(const platform::Rect& frame,
                                                                  const std::string& imageName, int edgeStyle);
    // Zero frame, no image, no rounding.
    static platform::Ref<QVTableCellBackgroundView> defaultBackgroundView();
    bool initWithFrameAndImageName(const platform::Rect& frame, const std::string& imageName, int edgeStyle);

    platform::ui::ImageAsset* image() const { return mImage.get(); }
    void setImage(platform::ui::ImageAsset* image);
    int edgeStyle() const { return edgeStyle_; }
    void setEdgeStyle(int edgeStyle);
    bool tileImage() const { return tileImage_; }
    void setTileImage(bool tile);

    void drawRect(platform::GraphicsContext& context, const platform::Rect& rect) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVTableCellBackgroundView() = default;

private:
    platform::Ref<platform::ui::ImageAsset> mImage;
    int edgeStyle_ { QVTableCellHelper::kEdgeNone };
    bool tileImage_ { false };
};

// It also draws its section index (when the list has one) down its right edge.
class QVTableView : public platform::ui::TableView {
    QV_DECLARE_CLASS(QVTableView)
public:
    static constexpr float kSectionIndexWidth = 16;

    static platform::Ref<QVTableView> tableViewWithFrame(const platform::Rect& frame,
                                                         platform::ui::TableViewStyle style);
    platform::ui::View* hitTest(platform::Point point) override;
    void drawAboveSubviews(platform::GraphicsContext& context, const platform::Rect& bounds) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVTableView() = default;
};

// One row of a list described cell by cell: the cell's name and its resource.
class QVTableSectionCellDescription : public platform::Object {
public:
    static platform::Ref<QVTableSectionCellDescription> cellController(const std::string& controllerName,
                                                                       platform::Object* resource)
    {
        auto d = platform::adoptRef(new QVTableSectionCellDescription);
        d->controllerName_ = controllerName;
        d->resource_ = resource;
        return d;
    }
    const std::string& controllerName() const { return controllerName_; }
    platform::Object* resource() const { return resource_.get(); }

private:
    QVTableSectionCellDescription() = default;
    std::string controllerName_;
    platform::Ref<platform::Object> resource_;
};

} // namespace quorvel
