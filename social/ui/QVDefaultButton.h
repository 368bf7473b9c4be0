// The client's button and its skins. Every skin is a subclass that only
// chooses background images (stretched around their middle column, the button
// taking the image's height); interface files pick a skin by class name.
// Titles left at a platform default colour become white with a dark shadow.
// An optional icon (a sibling image view) sits left of the title.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "social/ui/QVClassRegistry.h"

#include <optional>

namespace quorvel {

class QVDefaultButton : public platform::ui::Button {
    QV_DECLARE_CLASS(QVDefaultButton)
public:
    // "QVButton<word>.png", with "IPad" before ".png" on large screens.
    static std::string buttonImageName(const std::string& colourWord);

    static platform::Ref<QVDefaultButton> textButton(const platform::Rect& frame);
    static platform::Ref<QVDefaultButton> greenButton(const platform::Rect& frame);
    static platform::Ref<QVDefaultButton> greenBoderedButton(const platform::Rect& frame);
    static platform::Ref<QVDefaultButton> redBorderedButton(const platform::Rect& frame);
    static platform::Ref<QVDefaultButton> buttonWithImages(const platform::Rect& frame,
                                                           const std::optional<std::string>& normalImage,
                                                           const std::optional<std::string>& hitImage);

    using platform::ui::Button::initWithFrame;
    bool initWithFrame(const platform::Rect& frame, const std::optional<std::string>& normalImage,
                       const std::optional<std::string>& hitImage);
    bool initWithCoder(const platform::ui::InterfaceCoder& coder) override;

    platform::ui::ImageView* iconImageView() const { return iconImageView_.get(); }
    // The interface file's outlet.
    void setIconImageView(platform::ui::ImageView* icon) { iconImageView_ = icon; adjustIcon(); }

    void setTitleForAllStates(const std::string& title);
    void setHidden(bool hidden) override;
    void setFrame(const platform::Rect& frame) override;
    void awakeFromNib() override;
    void layoutSubviews() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVDefaultButton() = default;
    // The skin's look, applied to buttons of interface files.
    virtual void setupButton();
    void _setupBackgroundImage(const std::optional<std::string>& normalImage,
                               const std::optional<std::string>& hitImage);
    void _setupStandardButtonAttributes();
    void _setupBevelButtonAttributes();

private:
    void adjustTitleColours(platform::ui::Color shadow);
    void adjustIcon();

    platform::Ref<platform::ui::ImageView> iconImageView_;
};

#define QV_BUTTON_SKIN(Skin)                                                                                       \
    class Skin : public QVDefaultButton {                                                                          \
        QV_DECLARE_CLASS(Skin)                                                                                     \
    protected:                                                                                                     \
        friend class platform::ui::InterfaceBuilder;                                                               \
        Skin() = default;                                                                                          \
        void setupButton() override;                                                                               \
    };

QV_BUTTON_SKIN(QVGreenBorderedButton)
QV_BUTTON_SKIN(QVRedBorderedButton)
QV_BUTTON_SKIN(QVGreyBorderedButton)
QV_BUTTON_SKIN(QVGreenButton)
QV_BUTTON_SKIN(QVGreyButton)
QV_BUTTON_SKIN(QVTextButton)
QV_BUTTON_SKIN(QVShadowedGreenButton)
QV_BUTTON_SKIN(QVShadowedGreyButton)
QV_BUTTON_SKIN(QVBevelButton)

#undef QV_BUTTON_SKIN

} // namespace quorvel
