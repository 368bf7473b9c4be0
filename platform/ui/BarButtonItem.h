// Bar buttons and navigation items: what a navigation bar shows for a screen
// (title or title view, left and right buttons, the back button's title).
//
// A bar button's target is not retained; trigger() is what a tap does.
#pragma once

#include "platform/foundation/Selector.h"
#include "platform/foundation/Weak.h"
#include "platform/ui/ImageAsset.h"
#include "platform/ui/View.h"

#include <optional>

namespace platform::ui {

class BarButtonItem : public Object {
public:
    enum class SystemItem {
        Done = 0, Cancel, Edit, Save, Add, FlexibleSpace, FixedSpace, Compose, Reply, Action, Organize,
        Bookmarks, Search, Refresh, Stop, Camera, Trash, Play, Pause, Rewind, FastForward, Undo, Redo, PageCurl,
    };
    enum class Style { Plain = 0, Bordered, Done };
    using SenderAction = Selector<Object*>;
    using PlainAction = Selector<>;

    static Ref<BarButtonItem> withSystemItem(SystemItem item, Object* target, SenderAction action);
    static Ref<BarButtonItem> withSystemItem(SystemItem item, Object* target, PlainAction action);
    static Ref<BarButtonItem> withTitle(const std::string& title, Style style, Object* target, SenderAction action);
    static Ref<BarButtonItem> withTitle(const std::string& title, Style style, Object* target, PlainAction action);
    static Ref<BarButtonItem> withImage(ImageAsset* image, Style style, Object* target, SenderAction action);
    static Ref<BarButtonItem> withCustomView(View* view);

    const std::optional<SystemItem>& systemItem() const { return systemItem_; }
    const std::string& title() const { return title_; }
    void setTitle(const std::string& t) { title_ = t; }
    ImageAsset* image() const { return image_.get(); }
    void setImage(ImageAsset* i) { image_ = i; }
    Style style() const { return style_; }
    void setStyle(Style s) { style_ = s; }
    View* customView() const { return customView_.get(); }
    void setCustomView(View* v) { customView_ = v; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool e) { enabled_ = e; }
    int tag() const { return tag_; }
    void setTag(int t) { tag_ = t; }
    float width() const { return width_; }
    void setWidth(float w) { width_ = w; }
    Object* target() const { return targetId_; }
    void setTarget(Object* target) { target_ = target; targetId_ = target; }
    void setAction(SenderAction a) { senderAction_ = a; plainAction_ = {}; }
    void setAction(PlainAction a) { plainAction_ = a; senderAction_ = {}; }
    std::string actionName() const { return senderAction_ ? senderAction_.name() : plainAction_.name(); }

    // Sends the action to the target (with the item as sender); nothing while
    // disabled or when the target is gone. Answers whether it was sent.
    bool trigger();

    // The title, or the system item's name, for dumps.
    std::string displayName() const;

private:
    BarButtonItem() = default;
    std::optional<SystemItem> systemItem_;
    std::string title_;
    Ref<ImageAsset> image_;
    Ref<View> customView_;
    Style style_ { Style::Plain };
    Weak<Object> target_;
    Object* targetId_ { nullptr };
    SenderAction senderAction_;
    PlainAction plainAction_;
    int tag_ { 0 };
    float width_ { 0 };
    bool enabled_ { true };
};

class NavigationItem : public Object {
public:
    static Ref<NavigationItem> withTitle(const std::string& title);

    const std::string& title() const { return title_; }
    void setTitle(const std::string& t) { title_ = t; changed(); }
    View* titleView() const { return titleView_.get(); }
    void setTitleView(View* v) { titleView_ = v; changed(); }
    const std::string& prompt() const { return prompt_; }
    void setPrompt(const std::string& p) { prompt_ = p; }
    BarButtonItem* leftBarButtonItem() const { return left_.get(); }
    void setLeftBarButtonItem(BarButtonItem* item, bool /*animated*/ = false) { left_ = item; changed(); }
    BarButtonItem* rightBarButtonItem() const { return right_.get(); }
    void setRightBarButtonItem(BarButtonItem* item, bool /*animated*/ = false) { right_ = item; changed(); }
    // The item shown as the back button of the screen above this one.
    BarButtonItem* backBarButtonItem() const { return back_.get(); }
    void setBackBarButtonItem(BarButtonItem* item) { back_ = item; changed(); }
    bool hidesBackButton() const { return hidesBack_; }
    void setHidesBackButton(bool h, bool /*animated*/ = false) { hidesBack_ = h; changed(); }

    // The bar that shows the item (not owned): it lays out the item's views again
    // when they change.
    void setBar(View* bar) { bar_ = bar; }

private:
    NavigationItem() = default;
    void changed();
    Weak<View> bar_;
    std::string title_;
    std::string prompt_;
    Ref<View> titleView_;
    Ref<BarButtonItem> left_;
    Ref<BarButtonItem> right_;
    Ref<BarButtonItem> back_;
    bool hidesBack_ { false };
};

} // namespace platform::ui
