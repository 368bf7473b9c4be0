// Menu items: the nodes a KSMenu holds and hit-tests. Each carries a callback
// that runs when it is activated (a target and a method taking nothing or the
// sender, or a block) and shows its selected and disabled states its own way:
// text items zoom and grey out, sprite items swap images, a toggle cycles
// through sub-items.
//
// Caveat: the callback's target is not retained and must outlive the item; a
// block is kept by the item.
#pragma once

#include "engine/KSNode.h"
#include "engine/KSProtocols.h"
#include "engine/KSSprite.h"
#include "platform/foundation/Selector.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace kestrel {

class KSMenuItem;

// A menu item's callback method: one without arguments or one taking the sender.
class KSMenuSelector {
public:
    KSMenuSelector() = default;
    KSMenuSelector(std::nullptr_t) { }
    KSMenuSelector(platform::Selector<> plain) : plain_(plain) { }
    KSMenuSelector(platform::Selector<KSMenuItem*> withSender) : withSender_(withSender) { }

    explicit operator bool() const { return plain_ || withSender_; }
    void invoke(platform::Object* target, KSMenuItem* sender) const;
    bool takesSender() const { return static_cast<bool>(withSender_); }

private:
    platform::Selector<> plain_;
    platform::Selector<KSMenuItem*> withSender_;
};

using KSMenuItemBlock = std::function<void(KSMenuItem* sender)>;

// Stands in for a block as a callback target: answers ksCallbackBlockWithSender
// by calling the block with the sender.
class KSCallbackBlock : public platform::Object {
public:
    [[nodiscard]] static platform::Ref<KSCallbackBlock> blockWith(KSMenuItemBlock block);
    void ksCallbackBlockWithSender(KSMenuItem* sender);
    std::string className() const override { return "KSCallbackBlock"; }

private:
    KSCallbackBlock() = default;
    KSMenuItemBlock block_;
};

// Tags of the label item's zoom action and of a toggle's shown sub-item.
inline constexpr int kZoomActionTag = static_cast<int>(0xc0c05002u);
inline constexpr int kCurrentItemTag = static_cast<int>(0xc0c05001u);

class KSMenuItem : public KSNode {
public:
    [[nodiscard]] static platform::Ref<KSMenuItem> itemWithTarget(platform::Object* target, KSMenuSelector selector);
    [[nodiscard]] static platform::Ref<KSMenuItem> itemWithBlock(KSMenuItemBlock block);
    // Nothing runs on activation when the target or the selector is null.
    [[nodiscard]] bool initWithTarget(platform::Object* target, KSMenuSelector selector);
    [[nodiscard]] bool initWithBlock(KSMenuItemBlock block);
    // Always fails its assertion: an item needs its callback.
    bool init() override;

    // Runs the callback when enabled.
    virtual void activate();
    virtual void selected() { isSelected_ = true; }
    virtual void unselected() { isSelected_ = false; }
    virtual void setIsEnabled(bool enabled) { isEnabled_ = enabled; }
    bool isEnabled() const { return isEnabled_; }
    bool isSelected() const { return isSelected_; }
    // The item's area in its parent's space, in points.
    Rect rect() const;

    std::string className() const override { return "KSMenuItem"; }

protected:
    KSMenuItem() = default;
    // Makes the block the callback target (the block-based initialisers).
    KSCallbackBlock* adoptBlock(KSMenuItemBlock block);
    static KSMenuSelector blockSelector();

    // Not retained: the caller keeps the target alive.
    platform::Object* target_ { nullptr };
    KSMenuSelector selector_;
    platform::Ref<KSCallbackBlock> block_;
    bool isEnabled_ { false };
    bool isSelected_ { false };
};

// An item showing a label node (KSLabelTTF, KSLabelAtlas, KSLabelBMFont): it
// zooms while selected and shows the disabled colour while disabled.
class KSMenuItemLabel : public KSMenuItem, public KSRGBAProtocol {
public:
    // The label must adopt KSLabelProtocol and offer colour and opacity
    // (adopt KSRGBAProtocol, or be a sprite).
    [[nodiscard]] static platform::Ref<KSMenuItemLabel> itemWithLabel(KSNode* label, platform::Object* target,
                                                        KSMenuSelector selector);
    [[nodiscard]] static platform::Ref<KSMenuItemLabel> itemWithLabel(KSNode* label, KSMenuItemBlock block);
    [[nodiscard]] bool initWithLabel(KSNode* label, platform::Object* target, KSMenuSelector selector);
    [[nodiscard]] bool initWithLabel(KSNode* label, KSMenuItemBlock block);

    KSNode* label() const { return label_; }
    void setLabel(KSNode* label);
    void setString(const std::string& string);
    ksColor3B disabledColor() const { return disabledColor_; }
    void setDisabledColor(ksColor3B color) { disabledColor_ = color; }

    void activate() override;
    void selected() override;
    void unselected() override;
    void setIsEnabled(bool enabled) override;

    void setOpacity(GLubyte opacity) override;
    GLubyte opacity() const override;
    void setColor(ksColor3B color) override;
    ksColor3B color() const override;

    // A label that leaves the item is forgotten (label() is null until a new one is set).
    void removeChild(KSNode* child, bool cleanup) override;
    void removeAllChildrenWithCleanup(bool cleanup) override;

    std::string className() const override { return "KSMenuItemLabel"; }
    const KSFloatProperties& floatProperties() const override;

protected:
    KSMenuItemLabel() = default;
    KSRGBAOf labelRGBA() const { return KSRGBAOf(label_); }

    // A child of the item (kept alive by the child list); cleared when it leaves.
    KSNode* label_ { nullptr };
    ksColor3B colorBackup_ { ksWHITE };
    ksColor3B disabledColor_ { 126, 126, 126 };
    float originalScale_ { 1 };
};

// A label item over a KSLabelAtlas made from a character map image.
class KSMenuItemAtlasFont : public KSMenuItemLabel {
public:
    [[nodiscard]] static platform::Ref<KSMenuItemAtlasFont> itemFromString(const std::string& value, const std::string& charMapFile,
                                                             int itemWidth, int itemHeight, char startCharMap);
    [[nodiscard]] static platform::Ref<KSMenuItemAtlasFont> itemFromString(const std::string& value, const std::string& charMapFile,
                                                             int itemWidth, int itemHeight, char startCharMap,
                                                             platform::Object* target, KSMenuSelector selector);
    [[nodiscard]] static platform::Ref<KSMenuItemAtlasFont> itemFromString(const std::string& value, const std::string& charMapFile,
                                                             int itemWidth, int itemHeight, char startCharMap,
                                                             KSMenuItemBlock block);
    // The value must not be empty. False when the character map cannot be loaded.
    bool initFromString(const std::string& value, const std::string& charMapFile, int itemWidth, int itemHeight,
                        char startCharMap, platform::Object* target, KSMenuSelector selector);
    bool initFromString(const std::string& value, const std::string& charMapFile, int itemWidth, int itemHeight,
                        char startCharMap, KSMenuItemBlock block);

    std::string className() const override { return "KSMenuItemAtlasFont"; }

protected:
    KSMenuItemAtlasFont() = default;
};

// A label item over a KSLabelTTF in the class-wide font name and size, which
// apply to items made afterwards. The default name, "Marker Felt", is not an
// installed font here: such items get a label without text texture.
class KSMenuItemFont : public KSMenuItemLabel {
public:
    static void setFontSize(int size);
    static int fontSize();
    static void setFontName(const std::string& name);
    static const std::string& fontName();

    [[nodiscard]] static platform::Ref<KSMenuItemFont> itemFromString(const std::string& value);
    [[nodiscard]] static platform::Ref<KSMenuItemFont> itemFromString(const std::string& value, platform::Object* target,
                                                        KSMenuSelector selector);
    [[nodiscard]] static platform::Ref<KSMenuItemFont> itemFromString(const std::string& value, KSMenuItemBlock block);
    // The value must not be empty.
    bool initFromString(const std::string& value, platform::Object* target, KSMenuSelector selector);
    bool initFromString(const std::string& value, KSMenuItemBlock block);

    std::string className() const override { return "KSMenuItemFont"; }

protected:
    KSMenuItemFont() = default;
};

// An item showing one of three image nodes: normal, selected (optional) and
// disabled (optional). The images must be sprites or adopt KSRGBAProtocol.
class KSMenuItemSprite : public KSMenuItem, public KSRGBAProtocol {
public:
    [[nodiscard]] static platform::Ref<KSMenuItemSprite> itemFromNormalSprite(KSNode* normal, KSNode* selected);
    [[nodiscard]] static platform::Ref<KSMenuItemSprite> itemFromNormalSprite(KSNode* normal, KSNode* selected,
                                                                platform::Object* target, KSMenuSelector selector);
    [[nodiscard]] static platform::Ref<KSMenuItemSprite> itemFromNormalSprite(KSNode* normal, KSNode* selected, KSNode* disabled,
                                                                platform::Object* target, KSMenuSelector selector);
    [[nodiscard]] static platform::Ref<KSMenuItemSprite> itemFromNormalSprite(KSNode* normal, KSNode* selected,
                                                                KSMenuItemBlock block);
    [[nodiscard]] static platform::Ref<KSMenuItemSprite> itemFromNormalSprite(KSNode* normal, KSNode* selected, KSNode* disabled,
                                                                KSMenuItemBlock block);
    bool initFromNormalSprite(KSNode* normal, KSNode* selected, KSNode* disabled, platform::Object* target,
                              KSMenuSelector selector);
    bool initFromNormalSprite(KSNode* normal, KSNode* selected, KSNode* disabled, KSMenuItemBlock block);

    KSNode* normalImage() const { return normalImage_; }
    void setNormalImage(KSNode* image);
    KSNode* selectedImage() const { return selectedImage_; }
    void setSelectedImage(KSNode* image);
    KSNode* disabledImage() const { return disabledImage_; }
    void setDisabledImage(KSNode* image);

    void selected() override;
    void unselected() override;
    void setIsEnabled(bool enabled) override;

    void setOpacity(GLubyte opacity) override;
    GLubyte opacity() const override;
    void setColor(ksColor3B color) override;
    ksColor3B color() const override;

    // An image that leaves the item is forgotten (its getter answers null).
    void removeChild(KSNode* child, bool cleanup) override;
    void removeAllChildrenWithCleanup(bool cleanup) override;

    std::string className() const override { return "KSMenuItemSprite"; }
    const KSFloatProperties& floatProperties() const override;

protected:
    KSMenuItemSprite() = default;

private:
    void replaceImage(KSNode*& slot, KSNode* image, bool visible);

    // Children of the item (kept alive by the child list); each cleared when it leaves.
    KSNode* normalImage_ { nullptr };
    KSNode* selectedImage_ { nullptr };
    KSNode* disabledImage_ { nullptr };
};

// A sprite item whose images are sprites loaded from files (an empty name
// means no image of that kind).
class KSMenuItemImage : public KSMenuItemSprite {
public:
    [[nodiscard]] static platform::Ref<KSMenuItemImage> itemFromNormalImage(const std::string& normal, const std::string& selected);
    [[nodiscard]] static platform::Ref<KSMenuItemImage> itemFromNormalImage(const std::string& normal, const std::string& selected,
                                                              platform::Object* target, KSMenuSelector selector);
    [[nodiscard]] static platform::Ref<KSMenuItemImage> itemFromNormalImage(const std::string& normal, const std::string& selected,
                                                              const std::string& disabled);
    [[nodiscard]] static platform::Ref<KSMenuItemImage> itemFromNormalImage(const std::string& normal, const std::string& selected,
                                                              const std::string& disabled, platform::Object* target,
                                                              KSMenuSelector selector);
    [[nodiscard]] static platform::Ref<KSMenuItemImage> itemFromNormalImage(const std::string& normal, const std::string& selected,
                                                              KSMenuItemBlock block);
    [[nodiscard]] static platform::Ref<KSMenuItemImage> itemFromNormalImage(const std::string& normal, const std::string& selected,
                                                              const std::string& disabled, KSMenuItemBlock block);
    // False when the normal image cannot be loaded.
    bool initFromNormalImage(const std::string& normal, const std::string& selected, const std::string& disabled,
                             platform::Object* target, KSMenuSelector selector);
    bool initFromNormalImage(const std::string& normal, const std::string& selected, const std::string& disabled,
                             KSMenuItemBlock block);

    std::string className() const override { return "KSMenuItemImage"; }

protected:
    KSMenuItemImage() = default;
};

// An item that shows one of its sub-items at a time and moves to the next on
// each activation (cyclically), before its callback runs.
class KSMenuItemToggle : public KSMenuItem, public KSRGBAProtocol {
public:
    // A null entry ends the list. Without any sub-item there is no toggle (empty Ref).
    [[nodiscard]] static platform::Ref<KSMenuItemToggle> itemWithTarget(platform::Object* target, KSMenuSelector selector,
                                                          std::initializer_list<KSMenuItem*> items);
    [[nodiscard]] static platform::Ref<KSMenuItemToggle> itemWithBlock(KSMenuItemBlock block,
                                                         std::initializer_list<KSMenuItem*> items);
    [[nodiscard]] bool initWithTarget(platform::Object* target, KSMenuSelector selector, std::initializer_list<KSMenuItem*> items);
    [[nodiscard]] bool initWithBlock(KSMenuItemBlock block, std::initializer_list<KSMenuItem*> items);

    uint32_t selectedIndex() const { return selectedIndex_; }
    // Raises the range exception for an index past the sub-items.
    void setSelectedIndex(uint32_t index);
    KSMenuItem* selectedItem() const;
    const std::vector<platform::Ref<KSMenuItem>>& subItems() const { return subItems_; }
    void setSubItems(std::vector<platform::Ref<KSMenuItem>> items) { subItems_ = std::move(items); }

    void activate() override;
    void selected() override;
    void unselected() override;
    void setIsEnabled(bool enabled) override;
    // Cleans up every sub-item, the ones not shown too: a sub-item taken off
    // while its zoom ran would otherwise stay in the action manager for good.
    void cleanup() override;

    void setOpacity(GLubyte opacity) override;
    GLubyte opacity() const override { return opacity_; }
    void setColor(ksColor3B color) override;
    ksColor3B color() const override { return color_; }

    std::string className() const override { return "KSMenuItemToggle"; }

protected:
    KSMenuItemToggle() = default;

private:
    uint32_t selectedIndex_ { 0 };
    std::vector<platform::Ref<KSMenuItem>> subItems_;
    GLubyte opacity_ { 0 };
    ksColor3B color_ { 0, 0, 0 };
};

} // namespace kestrel
