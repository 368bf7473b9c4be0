// Badges: the small coloured lozenge with a white number that marks unread or
// pending items. QVBadgeView is built from three images (left cap, stretched
// centre, right cap), grows and shrinks with its text around its centre, is
// never smaller than 29 x 29 points, and hides itself while its text is "0".
// QVBadgeButton is a button whose badge (from its interface file) sits at a
// fixed offset from it, drawn just above it in the same superview.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/ui/QVClassRegistry.h"

namespace quorvel {

class QVBadgeView : public platform::ui::View {
    QV_DECLARE_CLASS(QVBadgeView)
public:
    static platform::Size minimumSize() { return platform::Size(29, 29); }
    static platform::Ref<QVBadgeView> greenBadge();
    static platform::Ref<QVBadgeView> redBadge();

    bool initWithLeftImage(const std::string& left, const std::string& right, const std::string& center);

    void setFrame(const platform::Rect& frame) override;
    // "%d" of the value.
    void setValue(int value);
    // The label's text as an integer.
    int value() const;
    // Resizes to the text around the centre, sets it, hides the badge exactly when it is "0".
    void setValueText(const std::string& text);

    platform::ui::Label* label() const { return valueLabel_.get(); }
    platform::ui::ImageView* leftCap() const { return leftCap_.get(); }
    platform::ui::ImageView* rightCap() const { return rightCap_.get(); }
    platform::ui::ImageView* centerView() const { return center_.get(); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVBadgeView() = default;
    void _commonInitWithLeftImage(const std::string& left, const std::string& right, const std::string& center);

private:
    platform::Ref<platform::ui::ImageView> leftCap_;
    platform::Ref<platform::ui::ImageView> rightCap_;
    platform::Ref<platform::ui::ImageView> center_;
    platform::Ref<platform::ui::Label> valueLabel_;
};

// Badge views of interface files, built from their colour's images.
class QVGreenBadgeView : public QVBadgeView {
    QV_DECLARE_CLASS(QVGreenBadgeView)
public:
    bool initWithCoder(const platform::ui::InterfaceCoder& coder) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVGreenBadgeView() = default;
};

class QVRedBadgeView : public QVBadgeView {
    QV_DECLARE_CLASS(QVRedBadgeView)
public:
    bool initWithCoder(const platform::ui::InterfaceCoder& coder) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVRedBadgeView() = default;
};

class QVBadgeButton : public platform::ui::Button {
    QV_DECLARE_CLASS(QVBadgeButton)
public:
    QVBadgeView* badgeView() const { return badgeView_.get(); }
    // The interface file's outlet.
    void setBadgeView(QVBadgeView* badge) { badgeView_ = badge; }
    platform::Point badgeOffset() const { return badgeOffset_; }
    bool isAwaken() const { return awaken_; }

    void setBadgeNumber(int number);
    int badgeNumber() const;

    void awakeFromNib() override;
    void setFrame(const platform::Rect& frame) override;
    void setCenter(platform::Point center) override;
    void layoutSubviews() override;
    void didMoveToSuperview() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVBadgeButton() = default;

private:
    void _positionBadge();

    platform::Ref<QVBadgeView> badgeView_;
    platform::Point badgeOffset_;
    bool awaken_ { false };
};

} // namespace quorvel
