// A scroll view: a window onto a larger content area. The content offset is
// the bounds' origin; content size and insets limit how far it scrolls.
// Scrolling in code tells the delegate did-scroll (and, animated, the end of
// the scrolling animation after 0.3 s); dragForTest plays a user's drag with
// its delegate calls, paging included.
#pragma once

#include "platform/ui/View.h"

namespace platform::ui {

class ScrollView;

class ScrollViewDelegate {
public:
    virtual ~ScrollViewDelegate() = default;
    virtual void scrollViewDidScroll(ScrollView* /*scrollView*/) { }
    virtual void scrollViewWillBeginDragging(ScrollView* /*scrollView*/) { }
    virtual void scrollViewDidEndDragging(ScrollView* /*scrollView*/, bool /*willDecelerate*/) { }
    virtual void scrollViewWillBeginDecelerating(ScrollView* /*scrollView*/) { }
    virtual void scrollViewDidEndDecelerating(ScrollView* /*scrollView*/) { }
    virtual void scrollViewDidEndScrollingAnimation(ScrollView* /*scrollView*/) { }
};

class ScrollView : public View {
public:
    static constexpr double kScrollAnimationDuration = 0.3;

    static Ref<ScrollView> scrollViewWithFrame(const Rect& frame);
    bool initWithFrame(const Rect& frame) override;
    bool initWithCoder(const InterfaceCoder& coder) override;

    Size contentSize() const { return contentSize_; }
    virtual void setContentSize(Size size) { contentSize_ = size; }
    Point contentOffset() const { return bounds().origin; }
    virtual void setContentOffset(Point offset, bool animated = false);
    EdgeInsets contentInset() const { return contentInset_; }
    virtual void setContentInset(EdgeInsets insets) { contentInset_ = insets; }
    EdgeInsets scrollIndicatorInsets() const { return indicatorInsets_; }
    void setScrollIndicatorInsets(EdgeInsets i) { indicatorInsets_ = i; }
    bool isPagingEnabled() const { return paging_; }
    void setPagingEnabled(bool p) { paging_ = p; }
    bool isScrollEnabled() const { return scrollEnabled_; }
    void setScrollEnabled(bool e) { scrollEnabled_ = e; }
    bool bounces() const { return bounces_; }
    void setBounces(bool b) { bounces_ = b; }
    bool showsHorizontalScrollIndicator() const { return showsH_; }
    void setShowsHorizontalScrollIndicator(bool s) { showsH_ = s; }
    bool showsVerticalScrollIndicator() const { return showsV_; }
    void setShowsVerticalScrollIndicator(bool s) { showsV_ = s; }
    bool scrollsToTop() const { return scrollsToTop_; }
    void setScrollsToTop(bool s) { scrollsToTop_ = s; }
    bool isDragging() const { return dragging_; }
    bool isDecelerating() const { return decelerating_; }

    ScrollViewDelegate* scrollDelegate() const { return delegate_; }
    void setScrollDelegate(ScrollViewDelegate* d) { delegate_ = d; }

    // Scrolls the least needed to show the rectangle (content coordinates).
    void scrollRectToVisible(const Rect& rect, bool animated);
    // The offsets the content can take.
    Point minimumOffset() const;
    Point maximumOffset() const;

    // A user's drag by (dx, dy) of content: will-begin-dragging, did-scroll,
    // did-end-dragging; with paging the offset then settles on a page
    // (did-scroll, did-end-decelerating). Ignored while scrolling is disabled.
    void dragForTest(float dx, float dy);

protected:
    friend class InterfaceBuilder;
    ScrollView() = default;

private:
    Point clamp(Point p) const;

    Size contentSize_;
    EdgeInsets contentInset_;
    EdgeInsets indicatorInsets_;
    ScrollViewDelegate* delegate_ { nullptr };
    Ref<Timer> animationTimer_;
    bool paging_ { false };
    bool scrollEnabled_ { true };
    bool bounces_ { true };
    bool showsH_ { true };
    bool showsV_ { true };
    bool scrollsToTop_ { true };
    bool dragging_ { false };
    bool decelerating_ { false };
};

} // namespace platform::ui
