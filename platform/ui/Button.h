// A button: a control with a title, title colours, an image and a background
// image per control state. A state without its own value shows the normal
// state's value.
//
// Default title colours: a rounded-rectangle button's is RGB (50, 79, 133) /
// 255; a custom button made in code has white titles, one from an interface
// file black (grey scale).
#pragma once

#include "platform/ui/Control.h"
#include "platform/ui/ImageAsset.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"

#include <map>

namespace platform::ui {

class Button : public Control {
public:
    enum class Type { Custom = 0, RoundedRect, DetailDisclosure, InfoLight, InfoDark, ContactAdd };
    static Ref<Button> buttonWithType(Type type);
    bool initWithFrame(const Rect& frame) override;
    bool initWithCoder(const InterfaceCoder& coder) override;
    // Built from an interface file as a button of the given type.
    bool initWithCoderAndType(const InterfaceCoder& coder, Type type);

    Type buttonType() const { return type_; }

    void setTitle(const std::string& title, unsigned state);
    // One title for the normal, highlighted, disabled and selected states.
    void setTitleForAllStates(const std::string& title);
    std::string titleForState(unsigned state) const;
    void setTitleColor(std::optional<Color> color, unsigned state);
    std::optional<Color> titleColorForState(unsigned state) const;
    void setTitleShadowColor(std::optional<Color> color, unsigned state);
    std::optional<Color> titleShadowColorForState(unsigned state) const;
    void setImage(ImageAsset* image, unsigned state);
    ImageAsset* imageForState(unsigned state) const;
    void setBackgroundImage(ImageAsset* image, unsigned state);
    ImageAsset* backgroundImageForState(unsigned state) const;

    std::string currentTitle() const { return titleForState(state()); }
    std::optional<Color> currentTitleColor() const { return titleColorForState(state()); }
    ImageAsset* currentImage() const { return imageForState(state()); }
    ImageAsset* currentBackgroundImage() const { return backgroundImageForState(state()); }

    Label* titleLabel();
    ImageView* imageView();

    EdgeInsets contentEdgeInsets() const { return contentInsets_; }
    void setContentEdgeInsets(EdgeInsets i) { contentInsets_ = i; setNeedsLayout(); }
    EdgeInsets titleEdgeInsets() const { return titleInsets_; }
    void setTitleEdgeInsets(EdgeInsets i) { titleInsets_ = i; setNeedsLayout(); }
    EdgeInsets imageEdgeInsets() const { return imageInsets_; }
    void setImageEdgeInsets(EdgeInsets i) { imageInsets_ = i; setNeedsLayout(); }
    bool adjustsImageWhenHighlighted() const { return adjustsImageWhenHighlighted_; }
    void setAdjustsImageWhenHighlighted(bool a) { adjustsImageWhenHighlighted_ = a; }
    bool adjustsImageWhenDisabled() const { return adjustsImageWhenDisabled_; }
    void setAdjustsImageWhenDisabled(bool a) { adjustsImageWhenDisabled_ = a; }
    bool showsTouchWhenHighlighted() const { return showsTouch_; }
    void setShowsTouchWhenHighlighted(bool s) { showsTouch_ = s; }

    void setEnabled(bool enabled) override;
    void setSelected(bool selected) override;
    void setHighlighted(bool highlighted) override;
    void layoutSubviews() override;
    Size sizeThatFits(Size size) const override;
    std::string dumpText() const override;

    void drawChrome(GraphicsContext& context, const Rect& bounds) override;

protected:
    friend class InterfaceBuilder;
    Button() = default;

private:
    template <typename T>
    static const T* lookup(const std::map<unsigned, T>& m, unsigned state)
    {
        auto it = m.find(state);
        if (it == m.end())
            it = m.find(StateNormal);
        return it == m.end() ? nullptr : &it->second;
    }
    void setUpDefaults(Type type, bool fromInterface);
    void refreshContent();

    Type type_ { Type::Custom };
    std::map<unsigned, std::string> titles_;
    std::map<unsigned, Color> titleColors_;
    std::map<unsigned, Color> shadowColors_;
    std::map<unsigned, Ref<ImageAsset>> images_;
    std::map<unsigned, Ref<ImageAsset>> backgrounds_;
    Ref<Label> titleLabel_;
    Ref<ImageView> imageView_;
    EdgeInsets contentInsets_;
    EdgeInsets titleInsets_;
    EdgeInsets imageInsets_;
    bool adjustsImageWhenHighlighted_ { true };
    bool adjustsImageWhenDisabled_ { true };
    bool showsTouch_ { false };
};

} // namespace platform::ui
