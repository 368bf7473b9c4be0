// Wraps a screen's view in a framed navigation stack so that its content sits
// inside the frame's insets.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/ui/View.h"
#include "social/ui/QVClassRegistry.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVFramedContentWrapperView;

class QVFramedContentWrapperViewDelegate {
public:
    virtual ~QVFramedContentWrapperViewDelegate() = default;
    // Answers whether it placed the content itself.
    virtual bool frameWasSet(QVFramedContentWrapperView* wrapper) = 0;
};

// Wraps a screen's view so that its content sits inside the frame's insets.
class QVFramedContentWrapperView : public platform::ui::View {
    QV_DECLARE_CLASS(QVFramedContentWrapperView)
public:
    static platform::Ref<QVFramedContentWrapperView> withWrappedView(platform::ui::View* wrapped);
    bool initWithWrappedView(platform::ui::View* wrapped);
    platform::ui::View* wrappedView() const { return wrappedView_.get(); }
    // What a screen's view holds: inside a framed stack (the view is a wrapper
    // round one) the wrapped view, else the view itself.
    static platform::ui::View* contentOf(platform::ui::View* view)
    {
        auto* wrapper = dynamic_cast<QVFramedContentWrapperView*>(view);
        return wrapper && wrapper->wrappedView() ? wrapper->wrappedView() : view;
    }
    void setWrappedView(platform::ui::View* v) { wrappedView_ = v; }
    const platform::ui::EdgeInsets& contentInsets() const { return contentInsets_; }
    void setContentInsets(const platform::ui::EdgeInsets& insets);
    // The stack that places the content, while it exists.
    QVFramedContentWrapperViewDelegate* delegate() const { return delegate_.get(); }
    void setDelegate(QVFramedContentWrapperViewDelegate* d) { delegate_ = d; }
    void setFrame(const platform::Rect& frame) override;
    // The wrapper spans the frame's banner and bars too; only its content
    // takes touches, so a touch outside it reaches the banner underneath.
    platform::ui::View* hitTest(platform::Point point) override;
    void update();

protected:
    QVFramedContentWrapperView() = default;

private:
    platform::Ref<platform::ui::View> wrappedView_;
    platform::ui::EdgeInsets contentInsets_;
    platform::WeakLink<QVFramedContentWrapperViewDelegate> delegate_;
};

} // namespace quorvel
