// BarButtonItem and NavigationItem: bar content and tap handling.
#include "platform/ui/BarButtonItem.h"

namespace platform::ui {

namespace {

const char* systemItemName(BarButtonItem::SystemItem item)
{
    static const char* names[] = { "Done", "Cancel", "Edit", "Save", "Add", "FlexibleSpace", "FixedSpace", "Compose",
        "Reply", "Action", "Organize", "Bookmarks", "Search", "Refresh", "Stop", "Camera", "Trash", "Play", "Pause",
        "Rewind", "FastForward", "Undo", "Redo", "PageCurl" };
    auto i = static_cast<size_t>(item);
    return i < sizeof(names) / sizeof(names[0]) ? names[i] : "?";
}

} // namespace

Ref<BarButtonItem> BarButtonItem::withSystemItem(SystemItem item, Object* target, SenderAction action)
{
    auto b = adoptRef(new BarButtonItem);
    b->systemItem_ = item;
    b->setTarget(target);
    b->setAction(action);
    return b;
}

Ref<BarButtonItem> BarButtonItem::withSystemItem(SystemItem item, Object* target, PlainAction action)
{
    auto b = adoptRef(new BarButtonItem);
    b->systemItem_ = item;
    b->setTarget(target);
    b->setAction(action);
    return b;
}

Ref<BarButtonItem> BarButtonItem::withTitle(const std::string& title, Style style, Object* target, SenderAction action)
{
    auto b = adoptRef(new BarButtonItem);
    b->title_ = title;
    b->style_ = style;
    b->setTarget(target);
    b->setAction(action);
    return b;
}

Ref<BarButtonItem> BarButtonItem::withTitle(const std::string& title, Style style, Object* target, PlainAction action)
{
    auto b = adoptRef(new BarButtonItem);
    b->title_ = title;
    b->style_ = style;
    b->setTarget(target);
    b->setAction(action);
    return b;
}

Ref<BarButtonItem> BarButtonItem::withImage(ImageAsset* image, Style style, Object* target, SenderAction action)
{
    auto b = adoptRef(new BarButtonItem);
    b->image_ = image;
    b->style_ = style;
    b->setTarget(target);
    b->setAction(action);
    return b;
}

Ref<BarButtonItem> BarButtonItem::withCustomView(View* view)
{
    auto b = adoptRef(new BarButtonItem);
    b->customView_ = view;
    return b;
}

bool BarButtonItem::trigger()
{
    if (!enabled_)
        return false;
    Ref<BarButtonItem> keep = this;
    Ref<Object> target = target_.lock();
    if (!target)
        return false;
    if (senderAction_)
        senderAction_.invoke(target.get(), this);
    else if (plainAction_)
        plainAction_.invoke(target.get());
    else
        return false;
    return true;
}

std::string BarButtonItem::displayName() const
{
    if (!title_.empty())
        return title_;
    if (systemItem_)
        return systemItemName(*systemItem_);
    if (image_)
        return "image=" + image_->name();
    return customView_ ? customView_->className() : std::string();
}

void NavigationItem::changed()
{
    if (Ref<View> bar = bar_.lock())
        bar->setNeedsLayout();
}

Ref<NavigationItem> NavigationItem::withTitle(const std::string& title)
{
    auto n = adoptRef(new NavigationItem);
    n->title_ = title;
    return n;
}

} // namespace platform::ui
