// The menu item family: the callback (target and method, or a block through a
// KSCallbackBlock target), label items that zoom and grey out, the atlas-font
// and TrueType-font label items, sprite and image items that swap images, and
// the toggle that cycles through sub-items.
#include "engine/KSMenuItem.h"

#include "engine/KSActionInterval.h"
#include "engine/KSLabelAtlas.h"
#include "engine/KSLabelTTF.h"
#include "engine/KSSprite.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"

namespace kestrel {

using platform::adoptRef;
using platform::Object;
using platform::Ref;

namespace {

// The label items' zoom: to 1.2 times the scale before it, in 0.1 s.
constexpr float kZoomFactor = 1.2f;
constexpr ksTime kZoomDuration = 0.1f;

} // namespace

// KSMenuSelector, KSCallbackBlock ------------------------------------------------------

void KSMenuSelector::invoke(Object* target, KSMenuItem* sender) const
{
    if (withSender_)
        withSender_.invoke(target, sender);
    else if (plain_)
        plain_.invoke(target);
}

Ref<KSCallbackBlock> KSCallbackBlock::blockWith(KSMenuItemBlock block)
{
    auto b = adoptRef(new KSCallbackBlock);
    b->block_ = std::move(block);
    return b;
}

void KSCallbackBlock::ksCallbackBlockWithSender(KSMenuItem* sender)
{
    if (block_)
        block_(sender);
}

// KSMenuItem ---------------------------------------------------------------------------

Ref<KSMenuItem> KSMenuItem::itemWithTarget(Object* target, KSMenuSelector selector)
{
    auto i = adoptRef(new KSMenuItem);
    return i->initWithTarget(target, selector) ? i : nullptr;
}

Ref<KSMenuItem> KSMenuItem::itemWithBlock(KSMenuItemBlock block)
{
    auto i = adoptRef(new KSMenuItem);
    return i->initWithBlock(std::move(block)) ? i : nullptr;
}

bool KSMenuItem::initWithTarget(Object* target, KSMenuSelector selector)
{
    if (!KSNode::init())
        return false;
    anchorPoint_ = { 0.5f, 0.5f };
    if (target && selector) {
        target_ = target;
        selector_ = selector;
    } else {
        target_ = nullptr;
        selector_ = {};
    }
    isEnabled_ = true;
    isSelected_ = false;
    return true;
}

KSCallbackBlock* KSMenuItem::adoptBlock(KSMenuItemBlock block)
{
    block_ = KSCallbackBlock::blockWith(std::move(block));
    return block_.get();
}

KSMenuSelector KSMenuItem::blockSelector() { return BRISKO_SELECTOR(KSCallbackBlock, ksCallbackBlockWithSender); }

bool KSMenuItem::initWithBlock(KSMenuItemBlock block)
{
    KSCallbackBlock* target = adoptBlock(std::move(block));
    return initWithTarget(target, blockSelector());
}

bool KSMenuItem::init()
{
    BRISKO_ASSERT(false, "MenuItemInit: Init not supported.");
    return false;
}

void KSMenuItem::activate()
{
    if (isEnabled_ && target_ && selector_) {
        // The callback may drop the last other reference to the item.
        Ref<KSMenuItem> keep(this);
        selector_.invoke(target_, this);
    }
}

Rect KSMenuItem::rect() const
{
    return Rect(position_.x - contentSize_.width * anchorPoint_.x, position_.y - contentSize_.height * anchorPoint_.y,
                contentSize_.width, contentSize_.height);
}

// KSMenuItemLabel ----------------------------------------------------------------------

Ref<KSMenuItemLabel> KSMenuItemLabel::itemWithLabel(KSNode* label, Object* target, KSMenuSelector selector)
{
    auto i = adoptRef(new KSMenuItemLabel);
    return i->initWithLabel(label, target, selector) ? i : nullptr;
}

Ref<KSMenuItemLabel> KSMenuItemLabel::itemWithLabel(KSNode* label, KSMenuItemBlock block)
{
    auto i = adoptRef(new KSMenuItemLabel);
    return i->initWithLabel(label, std::move(block)) ? i : nullptr;
}

bool KSMenuItemLabel::initWithLabel(KSNode* label, Object* target, KSMenuSelector selector)
{
    if (!KSMenuItem::initWithTarget(target, selector))
        return false;
    originalScale_ = 1.0f;
    colorBackup_ = ksWHITE;
    disabledColor_ = { 126, 126, 126 };
    setLabel(label);
    return true;
}

bool KSMenuItemLabel::initWithLabel(KSNode* label, KSMenuItemBlock block)
{
    KSCallbackBlock* target = adoptBlock(std::move(block));
    return initWithLabel(label, target, blockSelector());
}

void KSMenuItemLabel::setLabel(KSNode* label)
{
    if (label == label_)
        return;
    Ref<KSNode> keep(label);
    if (label_)
        removeChild(label_, true);
    label_ = label;
    if (label) {
        addChild(label);
        label->setAnchorPoint({ 0, 0 });
        setContentSize(label->contentSize());
    }
}

void KSMenuItemLabel::removeChild(KSNode* child, bool cleanup)
{
    if (child && child == label_ && child->parent() == this)
        label_ = nullptr;
    KSMenuItem::removeChild(child, cleanup);
}

void KSMenuItemLabel::removeAllChildrenWithCleanup(bool cleanup)
{
    label_ = nullptr;
    KSMenuItem::removeAllChildrenWithCleanup(cleanup);
}

void KSMenuItemLabel::setString(const std::string& string)
{
    if (auto* text = dynamic_cast<KSLabelProtocol*>(label_))
        text->setString(string);
    if (label_)
        setContentSize(label_->contentSize());
}

void KSMenuItemLabel::activate()
{
    if (isEnabled_) {
        stopAllActions();
        setScale(originalScale_);
        KSMenuItem::activate();
    }
}

void KSMenuItemLabel::selected()
{
    if (!isEnabled_)
        return;
    KSMenuItem::selected();
    stopActionByTag(kZoomActionTag);
    originalScale_ = scale();
    auto zoom = KSScaleTo::actionWithDuration(kZoomDuration, originalScale_ * kZoomFactor);
    zoom->setTag(kZoomActionTag);
    runAction(zoom.get());
}

void KSMenuItemLabel::unselected()
{
    if (!isEnabled_)
        return;
    KSMenuItem::unselected();
    stopActionByTag(kZoomActionTag);
    auto zoom = KSScaleTo::actionWithDuration(kZoomDuration, originalScale_);
    zoom->setTag(kZoomActionTag);
    runAction(zoom.get());
}

void KSMenuItemLabel::setIsEnabled(bool enabled)
{
    if (enabled != isEnabled_) {
        if (KSRGBAOf rgba = labelRGBA()) {
            if (!enabled) {
                colorBackup_ = rgba->color();
                rgba->setColor(disabledColor_);
            } else {
                rgba->setColor(colorBackup_);
            }
        }
    }
    KSMenuItem::setIsEnabled(enabled);
}

void KSMenuItemLabel::setOpacity(GLubyte opacity)
{
    if (KSRGBAOf rgba = labelRGBA())
        rgba->setOpacity(opacity);
}

GLubyte KSMenuItemLabel::opacity() const
{
    KSRGBAOf rgba = labelRGBA();
    return rgba ? rgba->opacity() : 0;
}

void KSMenuItemLabel::setColor(ksColor3B color)
{
    if (KSRGBAOf rgba = labelRGBA())
        rgba->setColor(color);
}

ksColor3B KSMenuItemLabel::color() const
{
    KSRGBAOf rgba = labelRGBA();
    return rgba ? rgba->color() : ksColor3B {};
}

// KSMenuItemAtlasFont ------------------------------------------------------------------

Ref<KSMenuItemAtlasFont> KSMenuItemAtlasFont::itemFromString(const std::string& value, const std::string& charMapFile,
                                                             int itemWidth, int itemHeight, char startCharMap)
{
    return itemFromString(value, charMapFile, itemWidth, itemHeight, startCharMap, nullptr, nullptr);
}

Ref<KSMenuItemAtlasFont> KSMenuItemAtlasFont::itemFromString(const std::string& value, const std::string& charMapFile,
                                                             int itemWidth, int itemHeight, char startCharMap,
                                                             Object* target, KSMenuSelector selector)
{
    auto i = adoptRef(new KSMenuItemAtlasFont);
    return i->initFromString(value, charMapFile, itemWidth, itemHeight, startCharMap, target, selector) ? i : nullptr;
}

Ref<KSMenuItemAtlasFont> KSMenuItemAtlasFont::itemFromString(const std::string& value, const std::string& charMapFile,
                                                             int itemWidth, int itemHeight, char startCharMap,
                                                             KSMenuItemBlock block)
{
    auto i = adoptRef(new KSMenuItemAtlasFont);
    return i->initFromString(value, charMapFile, itemWidth, itemHeight, startCharMap, std::move(block)) ? i : nullptr;
}

bool KSMenuItemAtlasFont::initFromString(const std::string& value, const std::string& charMapFile, int itemWidth,
                                         int itemHeight, char startCharMap, Object* target, KSMenuSelector selector)
{
    BRISKO_ASSERT(!value.empty(), "value lenght must be greater than 0");
    auto label = KSLabelAtlas::labelWithString(value, charMapFile, itemWidth, itemHeight, startCharMap);
    if (!label)
        return false;
    return initWithLabel(label.get(), target, selector);
}

bool KSMenuItemAtlasFont::initFromString(const std::string& value, const std::string& charMapFile, int itemWidth,
                                         int itemHeight, char startCharMap, KSMenuItemBlock block)
{
    KSCallbackBlock* target = adoptBlock(std::move(block));
    return initFromString(value, charMapFile, itemWidth, itemHeight, startCharMap, target, blockSelector());
}

// KSMenuItemFont -----------------------------------------------------------------------

namespace {

int gFontSize = 32;

std::string& fontNameSetting()
{
    static std::string name = "Marker Felt";
    return name;
}

} // namespace

void KSMenuItemFont::setFontSize(int size) { gFontSize = size; }
int KSMenuItemFont::fontSize() { return gFontSize; }
void KSMenuItemFont::setFontName(const std::string& name) { fontNameSetting() = name; }
const std::string& KSMenuItemFont::fontName() { return fontNameSetting(); }

Ref<KSMenuItemFont> KSMenuItemFont::itemFromString(const std::string& value)
{
    return itemFromString(value, nullptr, nullptr);
}

Ref<KSMenuItemFont> KSMenuItemFont::itemFromString(const std::string& value, Object* target, KSMenuSelector selector)
{
    auto i = adoptRef(new KSMenuItemFont);
    return i->initFromString(value, target, selector) ? i : nullptr;
}

Ref<KSMenuItemFont> KSMenuItemFont::itemFromString(const std::string& value, KSMenuItemBlock block)
{
    auto i = adoptRef(new KSMenuItemFont);
    return i->initFromString(value, std::move(block)) ? i : nullptr;
}

bool KSMenuItemFont::initFromString(const std::string& value, Object* target, KSMenuSelector selector)
{
    BRISKO_ASSERT(!value.empty(), "Value lenght must be greater than 0");
    auto label = KSLabelTTF::labelWithString(value, fontName(), static_cast<float>(fontSize()));
    if (!label)
        return false;
    return initWithLabel(label.get(), target, selector);
}

bool KSMenuItemFont::initFromString(const std::string& value, KSMenuItemBlock block)
{
    KSCallbackBlock* target = adoptBlock(std::move(block));
    return initFromString(value, target, blockSelector());
}

// KSMenuItemSprite ---------------------------------------------------------------------

Ref<KSMenuItemSprite> KSMenuItemSprite::itemFromNormalSprite(KSNode* normal, KSNode* selected)
{
    return itemFromNormalSprite(normal, selected, nullptr, nullptr, KSMenuSelector());
}

Ref<KSMenuItemSprite> KSMenuItemSprite::itemFromNormalSprite(KSNode* normal, KSNode* selected, Object* target,
                                                             KSMenuSelector selector)
{
    return itemFromNormalSprite(normal, selected, nullptr, target, selector);
}

Ref<KSMenuItemSprite> KSMenuItemSprite::itemFromNormalSprite(KSNode* normal, KSNode* selected, KSNode* disabled,
                                                             Object* target, KSMenuSelector selector)
{
    auto i = adoptRef(new KSMenuItemSprite);
    return i->initFromNormalSprite(normal, selected, disabled, target, selector) ? i : nullptr;
}

Ref<KSMenuItemSprite> KSMenuItemSprite::itemFromNormalSprite(KSNode* normal, KSNode* selected, KSMenuItemBlock block)
{
    return itemFromNormalSprite(normal, selected, nullptr, std::move(block));
}

Ref<KSMenuItemSprite> KSMenuItemSprite::itemFromNormalSprite(KSNode* normal, KSNode* selected, KSNode* disabled,
                                                             KSMenuItemBlock block)
{
    auto i = adoptRef(new KSMenuItemSprite);
    return i->initFromNormalSprite(normal, selected, disabled, std::move(block)) ? i : nullptr;
}

bool KSMenuItemSprite::initFromNormalSprite(KSNode* normal, KSNode* selected, KSNode* disabled, Object* target,
                                            KSMenuSelector selector)
{
    if (!KSMenuItem::initWithTarget(target, selector))
        return false;
    setNormalImage(normal);
    setSelectedImage(selected);
    setDisabledImage(disabled);
    setContentSize(normalImage_ ? normalImage_->contentSize() : Size());
    return true;
}

bool KSMenuItemSprite::initFromNormalSprite(KSNode* normal, KSNode* selected, KSNode* disabled, KSMenuItemBlock block)
{
    KSCallbackBlock* target = adoptBlock(std::move(block));
    return initFromNormalSprite(normal, selected, disabled, target, blockSelector());
}

void KSMenuItemSprite::replaceImage(KSNode*& slot, KSNode* image, bool visible)
{
    if (image == slot)
        return;
    Ref<KSNode> keep(image);
    if (image) {
        image->setAnchorPoint({ 0, 0 });
        image->setVisible(visible);
    }
    if (slot)
        removeChild(slot, true);
    if (image)
        addChild(image);
    slot = image;
}

void KSMenuItemSprite::removeChild(KSNode* child, bool cleanup)
{
    if (child && child->parent() == this) {
        for (KSNode** slot : { &normalImage_, &selectedImage_, &disabledImage_ })
            if (*slot == child)
                *slot = nullptr;
    }
    KSMenuItem::removeChild(child, cleanup);
}

void KSMenuItemSprite::removeAllChildrenWithCleanup(bool cleanup)
{
    normalImage_ = selectedImage_ = disabledImage_ = nullptr;
    KSMenuItem::removeAllChildrenWithCleanup(cleanup);
}

void KSMenuItemSprite::setNormalImage(KSNode* image) { replaceImage(normalImage_, image, true); }
void KSMenuItemSprite::setSelectedImage(KSNode* image) { replaceImage(selectedImage_, image, false); }
void KSMenuItemSprite::setDisabledImage(KSNode* image) { replaceImage(disabledImage_, image, false); }

void KSMenuItemSprite::selected()
{
    KSMenuItem::selected();
    if (selectedImage_) {
        if (normalImage_)
            normalImage_->setVisible(false);
        selectedImage_->setVisible(true);
    } else if (normalImage_) {
        normalImage_->setVisible(true);
    }
    if (disabledImage_)
        disabledImage_->setVisible(false);
}

void KSMenuItemSprite::unselected()
{
    KSMenuItem::unselected();
    if (normalImage_)
        normalImage_->setVisible(true);
    if (selectedImage_)
        selectedImage_->setVisible(false);
    if (disabledImage_)
        disabledImage_->setVisible(false);
}

void KSMenuItemSprite::setIsEnabled(bool enabled)
{
    KSMenuItem::setIsEnabled(enabled);
    if (selectedImage_)
        selectedImage_->setVisible(false);
    if (enabled) {
        if (normalImage_)
            normalImage_->setVisible(true);
        if (disabledImage_)
            disabledImage_->setVisible(false);
    } else if (disabledImage_) {
        if (normalImage_)
            normalImage_->setVisible(false);
        disabledImage_->setVisible(true);
    } else if (normalImage_) {
        normalImage_->setVisible(true);
    }
}

void KSMenuItemSprite::setOpacity(GLubyte opacity)
{
    for (KSNode* image : { normalImage_, selectedImage_, disabledImage_ })
        if (KSRGBAOf rgba { image })
            rgba->setOpacity(opacity);
}

GLubyte KSMenuItemSprite::opacity() const
{
    KSRGBAOf rgba { normalImage_ };
    return rgba ? rgba->opacity() : 0;
}

void KSMenuItemSprite::setColor(ksColor3B color)
{
    for (KSNode* image : { normalImage_, selectedImage_, disabledImage_ })
        if (KSRGBAOf rgba { image })
            rgba->setColor(color);
}

ksColor3B KSMenuItemSprite::color() const
{
    KSRGBAOf rgba { normalImage_ };
    return rgba ? rgba->color() : ksColor3B {};
}

// KSMenuItemImage ----------------------------------------------------------------------

Ref<KSMenuItemImage> KSMenuItemImage::itemFromNormalImage(const std::string& normal, const std::string& selected)
{
    return itemFromNormalImage(normal, selected, std::string(), nullptr, nullptr);
}

Ref<KSMenuItemImage> KSMenuItemImage::itemFromNormalImage(const std::string& normal, const std::string& selected,
                                                          Object* target, KSMenuSelector selector)
{
    return itemFromNormalImage(normal, selected, std::string(), target, selector);
}

Ref<KSMenuItemImage> KSMenuItemImage::itemFromNormalImage(const std::string& normal, const std::string& selected,
                                                          const std::string& disabled)
{
    return itemFromNormalImage(normal, selected, disabled, nullptr, nullptr);
}

Ref<KSMenuItemImage> KSMenuItemImage::itemFromNormalImage(const std::string& normal, const std::string& selected,
                                                          const std::string& disabled, Object* target,
                                                          KSMenuSelector selector)
{
    auto i = adoptRef(new KSMenuItemImage);
    return i->initFromNormalImage(normal, selected, disabled, target, selector) ? i : nullptr;
}

Ref<KSMenuItemImage> KSMenuItemImage::itemFromNormalImage(const std::string& normal, const std::string& selected,
                                                          KSMenuItemBlock block)
{
    return itemFromNormalImage(normal, selected, std::string(), std::move(block));
}

Ref<KSMenuItemImage> KSMenuItemImage::itemFromNormalImage(const std::string& normal, const std::string& selected,
                                                          const std::string& disabled, KSMenuItemBlock block)
{
    auto i = adoptRef(new KSMenuItemImage);
    return i->initFromNormalImage(normal, selected, disabled, std::move(block)) ? i : nullptr;
}

bool KSMenuItemImage::initFromNormalImage(const std::string& normal, const std::string& selected,
                                          const std::string& disabled, Object* target, KSMenuSelector selector)
{
    Ref<KSSprite> normalSprite = KSSprite::spriteWithFile(normal);
    if (!normalSprite)
        return false;
    Ref<KSSprite> selectedSprite = selected.empty() ? nullptr : KSSprite::spriteWithFile(selected);
    Ref<KSSprite> disabledSprite = disabled.empty() ? nullptr : KSSprite::spriteWithFile(disabled);
    return initFromNormalSprite(normalSprite.get(), selectedSprite.get(), disabledSprite.get(), target, selector);
}

bool KSMenuItemImage::initFromNormalImage(const std::string& normal, const std::string& selected,
                                          const std::string& disabled, KSMenuItemBlock block)
{
    KSCallbackBlock* target = adoptBlock(std::move(block));
    return initFromNormalImage(normal, selected, disabled, target, blockSelector());
}

// KSMenuItemToggle ---------------------------------------------------------------------

Ref<KSMenuItemToggle> KSMenuItemToggle::itemWithTarget(Object* target, KSMenuSelector selector,
                                                       std::initializer_list<KSMenuItem*> items)
{
    auto i = adoptRef(new KSMenuItemToggle);
    return i->initWithTarget(target, selector, items) ? i : nullptr;
}

Ref<KSMenuItemToggle> KSMenuItemToggle::itemWithBlock(KSMenuItemBlock block, std::initializer_list<KSMenuItem*> items)
{
    auto i = adoptRef(new KSMenuItemToggle);
    return i->initWithBlock(std::move(block), items) ? i : nullptr;
}

bool KSMenuItemToggle::initWithTarget(Object* target, KSMenuSelector selector, std::initializer_list<KSMenuItem*> items)
{
    if (!KSMenuItem::initWithTarget(target, selector))
        return false;
    std::vector<Ref<KSMenuItem>> list;
    list.reserve(2);
    for (KSMenuItem* item : items) {
        if (!item)
            break;
        list.emplace_back(item);
    }
    // Activation cycles modulo the number of sub-items: a toggle needs at least one.
    if (list.empty())
        return false;
    setSubItems(std::move(list));
    selectedIndex_ = UINT32_MAX;
    setSelectedIndex(0);
    return true;
}

bool KSMenuItemToggle::initWithBlock(KSMenuItemBlock block, std::initializer_list<KSMenuItem*> items)
{
    KSCallbackBlock* target = adoptBlock(std::move(block));
    return initWithTarget(target, blockSelector(), items);
}

void KSMenuItemToggle::setSelectedIndex(uint32_t index)
{
    if (index == selectedIndex_)
        return;
    if (index >= subItems_.size())
        platform::raiseRange(platform::format("index %u beyond bounds [0 .. %zu]", index,
                                              subItems_.empty() ? size_t(0) : subItems_.size() - 1));
    selectedIndex_ = index;
    removeChildByTag(kCurrentItemTag, false);
    KSMenuItem* item = subItems_[index].get();
    addChild(item, 0, kCurrentItemTag);
    Size s = item->contentSize();
    setContentSize(s);
    item->setPosition({ s.width / 2, s.height / 2 });
}

KSMenuItem* KSMenuItemToggle::selectedItem() const
{
    return selectedIndex_ < subItems_.size() ? subItems_[selectedIndex_].get() : nullptr;
}

void KSMenuItemToggle::selected()
{
    KSMenuItem::selected();
    if (KSMenuItem* item = selectedItem())
        item->selected();
}

void KSMenuItemToggle::unselected()
{
    KSMenuItem::unselected();
    if (KSMenuItem* item = selectedItem())
        item->unselected();
}

void KSMenuItemToggle::activate()
{
    if (isEnabled_ && !subItems_.empty())
        setSelectedIndex(static_cast<uint32_t>((selectedIndex_ + 1ull) % subItems_.size()));
    KSMenuItem::activate();
}

void KSMenuItemToggle::cleanup()
{
    KSMenuItem::cleanup();
    for (const auto& item : subItems_)
        if (item->parent() != this)
            item->cleanup();
}

void KSMenuItemToggle::setIsEnabled(bool enabled)
{
    KSMenuItem::setIsEnabled(enabled);
    for (const auto& item : subItems_)
        item->setIsEnabled(enabled);
}

void KSMenuItemToggle::setOpacity(GLubyte opacity)
{
    opacity_ = opacity;
    for (const auto& item : subItems_)
        if (KSRGBAOf rgba { item.get() })
            rgba->setOpacity(opacity);
}

void KSMenuItemToggle::setColor(ksColor3B color)
{
    color_ = color;
    for (const auto& item : subItems_)
        if (KSRGBAOf rgba { item.get() })
            rgba->setColor(color);
}

const KSFloatProperties& KSMenuItemLabel::floatProperties() const
{
    static const KSFloatProperties properties(&KSMenuItem::floatProperties(), {
        { "opacity", [](KSNode* n, float v) { static_cast<KSMenuItemLabel*>(n)->setOpacity(ksFloatToByte(v)); } },
    });
    return properties;
}

const KSFloatProperties& KSMenuItemSprite::floatProperties() const
{
    static const KSFloatProperties properties(&KSMenuItem::floatProperties(), {
        { "opacity", [](KSNode* n, float v) { static_cast<KSMenuItemSprite*>(n)->setOpacity(ksFloatToByte(v)); } },
    });
    return properties;
}

} // namespace kestrel
