// QVTickerView: the thin bar above the dashboard's tabs that scrolls one short
// message at a time from right to left, at 75 points per second, inside a
// clipping view, and carries a close button at its right end. A text given
// while a message is scrolling is dropped; when a message has scrolled out,
// the delegate hears textFinishedScrolling and may give the next one.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/ui/QVClassRegistry.h"

#include <string>

namespace quorvel {

class QVTickerViewDelegate {
public:
    virtual ~QVTickerViewDelegate() = default;
    virtual void textFinishedScrolling() { }
    // Answers whether the delegate takes the close button.
    virtual bool respondsToOnXPressed() const { return false; }
    virtual void onXPressed() { }
};

class QVTickerView : public platform::ui::View {
    QV_DECLARE_CLASS(QVTickerView)
public:
    static constexpr double kPointsPerSecond = 75.0;
    static constexpr float kFontSize = 10.0f;
    // The room kept between the scrolling message and the close button.
    static constexpr float kCloseGap = 5.0f;

    bool initWithDelegate(QVTickerViewDelegate* delegate, const platform::Rect& frame);
    bool initWithCoder(const platform::ui::InterfaceCoder& coder) override;

    QVTickerViewDelegate* delegate() const { return delegate_; }
    void setDelegate(QVTickerViewDelegate* delegate);

    // The scrolling label's text, or "" with no label.
    std::string text() const { return label_ ? label_->text() : std::string(); }
    void setText(const std::string& text);
    bool scrollInProgress() const { return scrollInProgress_; }

    platform::ui::View* cropView() const { return cropView_.get(); }
    platform::ui::Label* label() const { return label_.get(); }
    platform::ui::Button* xButton() const { return xButton_.get(); }
    platform::ui::ImageView* barView() const { return barView_.get(); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVTickerView() = default;
    ~QVTickerView() override;

private:
    void _commonInit();
    void _xPressed();
    void animationDidStop(const std::string& animationId, bool finished, void* context);

    platform::Ref<platform::ui::View> cropView_;
    platform::Ref<platform::ui::Label> label_;
    platform::Ref<platform::ui::Button> xButton_;
    platform::Ref<platform::ui::ImageView> barView_;
    QVTickerViewDelegate* delegate_ { nullptr }; // not retained: the dashboard clears it before it goes
    bool scrollInProgress_ { false };
};

} // namespace quorvel
