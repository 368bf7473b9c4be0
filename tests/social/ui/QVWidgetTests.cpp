// Badges, button skins and the button panel: their stated sizes, colours,
// grid arithmetic and the out-of-range slot that is ignored.
#include "ScreenTestKit.h"

#include "platform/graphics/TextEngine.h"
#include "platform/ui/InterfaceRegistry.h"
#include "social/ui/QVBadgeView.h"
#include "social/ui/QVButtonPanel.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVDefaultButton.h"

using namespace quorvel;
using namespace platform::ui;
using platform::Rect;
using platform::Ref;

namespace widget_tests {

class WidgetTest : public screen_testing::ScreenTest { };

TEST_F(WidgetTest, BadgeIsAtLeast29SquareAndHiddenAtZero)
{
    auto badge = QVBadgeView::redBadge();
    EXPECT_EQ(badge->frame().size, platform::Size(29, 29));
    EXPECT_TRUE(badge->isHidden());
    EXPECT_EQ(badge->leftCap()->image()->name(), "QVBadgeLeftRed.png");
    badge->setValue(3);
    EXPECT_FALSE(badge->isHidden());
    EXPECT_EQ(badge->label()->text(), "3");
    EXPECT_EQ(badge->value(), 3);
    badge->setFrame(Rect(10, 10, 5, 5));
    EXPECT_EQ(badge->frame().size, platform::Size(29, 29));
    badge->setValue(0);
    EXPECT_TRUE(badge->isHidden());
    badge->setValue(-4);
    EXPECT_EQ(badge->label()->text(), "-4");
    EXPECT_FALSE(badge->isHidden());
}

TEST_F(WidgetTest, BadgeGrowsAroundItsCentreWithItsText)
{
    auto badge = QVBadgeView::greenBadge();
    badge->setFrame(Rect(100, 0, 29, 29));
    badge->setValue(9);
    Rect nine = badge->frame();
    float labelNine = badge->label()->frame().size.width;
    badge->setValue(10);
    Rect ten = badge->frame();
    auto* font = badge->label()->font();
    float delta = platform::measureText("10", *font).width - labelNine;
    ASSERT_GT(delta, 0);
    EXPECT_FLOAT_EQ(ten.size.width, std::max(29.0f, nine.size.width + delta));
    EXPECT_FLOAT_EQ(ten.origin.x, nine.origin.x - std::ceil(delta / 2));
    badge->setValueText("1234567");
    badge->setValue(1);
    EXPECT_GE(badge->frame().size.width, 29);
}

TEST_F(WidgetTest, BadgeButtonCarriesItsBadgeAtTheLayoutsOffset)
{
    InterfaceRegistry::shared().registerLayout("BadgeButtonTestQv", [](InterfaceBuilder& b) {
        auto root = b.makeView<View>(Rect(0, 0, 320, 100));
        auto button = b.makeView<QVBadgeButton>(Rect(50, 40, 80, 40));
        auto badge = b.makeView<QVRedBadgeView>(Rect(115, 30, 29, 29));
        root->addSubview(button);
        root->addSubview(badge);
        button->setBadgeView(badge);
        return std::vector<Ref<platform::Object>> { root };
    });
    auto root = QVControllerLoader::loadNibObject<View>("BadgeButtonTestQv", nullptr);
    InterfaceRegistry::shared().unregisterLayout("BadgeButtonTestQv");
    ASSERT_TRUE(root);
    auto* button = dynamic_cast<QVBadgeButton*>(root->subviews()[0].get());
    ASSERT_TRUE(button && button->isAwaken());
    EXPECT_EQ(button->badgeOffset(), platform::Point(65, -10));
    button->setBadgeNumber(5);
    EXPECT_EQ(button->badgeNumber(), 5);
    button->setFrame(Rect(10, 60, 80, 40));
    EXPECT_EQ(button->badgeView()->frame().origin, platform::Point(75, 50));
    // Re-inserted just above the button when it moves to a superview.
    auto other = View::viewWithFrame(Rect(0, 0, 320, 200));
    other->addSubview(View::viewWithFrame(Rect()));
    other->addSubview(button);
    ASSERT_EQ(other->subviews().size(), 3u);
    EXPECT_EQ(other->subviews()[2].get(), button->badgeView());
}

TEST_F(WidgetTest, SkinsTakeTheirImagesHeightAndWhiteTitlesOnlyOverDefaults)
{
    InterfaceRegistry::shared().registerLayout("SkinTestQv", [](InterfaceBuilder& b) {
        auto root = b.makeView<View>(Rect(0, 0, 320, 200));
        auto plain = b.makeView<QVRedBorderedButton>(Rect(10, 10, 120, 50));
        auto custom = b.makeView<QVGreenButton>(Rect(10, 80, 120, 50));
        custom->setTitleColor(Color::rgb(1, 0.5f, 0), StateNormal);
        root->addSubview(plain);
        root->addSubview(custom);
        return std::vector<Ref<platform::Object>> { root };
    });
    auto root = QVControllerLoader::loadNibObject<View>("SkinTestQv", nullptr);
    InterfaceRegistry::shared().unregisterLayout("SkinTestQv");
    ASSERT_TRUE(root);
    auto* red = dynamic_cast<QVDefaultButton*>(root->subviews()[0].get());
    EXPECT_EQ(red->frame().size.height, 37);
    EXPECT_EQ(red->backgroundImageForState(StateNormal)->name(), "QVButtonRed.png");
    EXPECT_EQ(red->backgroundImageForState(StateNormal)->leftCapWidth(), 10);
    EXPECT_EQ(red->backgroundImageForState(StateHighlighted)->name(), "QVButtonRedHit.png");
    EXPECT_EQ(red->titleColorForState(StateNormal), Color::whiteColor());
    EXPECT_EQ(red->titleColorForState(StateHighlighted), Color::whiteColor());
    // The interface file gave this one its own colour: it stays; but the small skin's height applies.
    auto* green = dynamic_cast<QVDefaultButton*>(root->subviews()[1].get());
    EXPECT_EQ(green->titleColorForState(StateNormal), Color::rgb(1, 0.5f, 0));
    EXPECT_EQ(green->frame().size.height, 30);

    useDevice(Device::Tablet);
    EXPECT_EQ(QVDefaultButton::buttonImageName("Green"), "QVButtonGreenIPad.png");
    auto bordered = QVDefaultButton::greenBoderedButton(Rect(0, 0, 100, 10));
    EXPECT_EQ(bordered->frame().size.height, 44);
    EXPECT_EQ(bordered->backgroundImageForState(StateHighlighted)->name(), "QVButtonGreenHit.png");
    EXPECT_FALSE(QVDefaultButton::textButton(Rect(0, 0, 50, 20))->backgroundImageForState(StateNormal));
}

TEST_F(WidgetTest, OnATabletTheRedAndTheGreenButtonBesideItAreOneHeightWithTheirTitlesLevel)
{
    useDevice(Device::Tablet);
    auto green = QVDefaultButton::greenBoderedButton(Rect(0, 0, 140, 44));
    auto red = QVDefaultButton::redBorderedButton(Rect(150, 0, 140, 44));
    EXPECT_EQ(red->backgroundImageForState(StateNormal)->name(), "QVButtonRedIPad.png");
    EXPECT_EQ(red->frame().size.height, green->frame().size.height);
    green->setTitleForAllStates("Instant Message");
    red->setTitleForAllStates("Report Abuse");
    green->layoutIfNeeded();
    red->layoutIfNeeded();
    EXPECT_EQ(red->titleLabel()->frame().midY(), green->titleLabel()->frame().midY());
}

TEST_F(WidgetTest, APanelThatFillsItsBoundsSharesThemAmongItsSlots)
{
    auto panel = QVButtonPanel::panelWithFrame(Rect(0, 0, 628, 343), 6, platform::Size(210, 149),
                                               platform::Size(0, 0), nullptr);
    panel->setFixedNumColumns(3);
    panel->setCenteredVertically(true);
    panel->setFillsBounds(true);
    Ref<Button> first = Button::buttonWithType(Button::Type::Custom);
    first->setFrame(Rect(0, 0, 210, 149));
    panel->setButton(first.get(), 0);
    panel->layoutIfNeeded();
    EXPECT_EQ(panel->buttonSize(), platform::Size(209, 171));
    EXPECT_EQ(first->frame().size, platform::Size(209, 171)) << "the slot's button takes the slot's size";
    EXPECT_EQ(panel->buttons()[0]->frame().minY(), 1);
    EXPECT_EQ(panel->buttons()[5]->frame().maxY(), 343);
    EXPECT_LE(panel->buttons()[5]->frame().maxX(), 628);

    // Resized, the panel shares its new size.
    panel->setFrame(Rect(0, 0, 468, 195));
    panel->layoutIfNeeded();
    EXPECT_EQ(panel->buttonSize(), platform::Size(156, 97));
}

TEST_F(WidgetTest, IconSitsLeftOfTheTitle)
{
    auto button = QVDefaultButton::greenBoderedButton(Rect(20, 100, 200, 37));
    auto icon = ImageView::imageViewWithFrame(Rect(0, 0, 16, 16));
    button->setIconImageView(icon);
    EXPECT_EQ(button->contentEdgeInsets().left, 20);
    EXPECT_EQ(icon->center(), platform::Point(20 + 10 + 8, 100 + 18));
    button->setHidden(true);
    EXPECT_TRUE(icon->isHidden());
}

TEST_F(WidgetTest, PanelLaysSixSlotsInTwoCentredRows)
{
    auto panel = QVButtonPanel::panelWithFrame(Rect(0, 0, 320, 180), 6, platform::Size(80, 80),
                                               platform::Size(10, 10), nullptr);
    ASSERT_EQ(panel->buttons().size(), 6u);
    panel->layoutIfNeeded();
    EXPECT_EQ(panel->buttons()[0]->frame().origin, platform::Point(30, 0));
    EXPECT_EQ(panel->buttons()[2]->frame().origin, platform::Point(210, 0));
    EXPECT_EQ(panel->buttons()[3]->frame().origin, platform::Point(30, 90));

    panel->setMaxButtons(8);
    panel->layoutIfNeeded();
    ASSERT_EQ(panel->buttons().size(), 8u);
    EXPECT_TRUE(panel->buttons()[6]->isHidden());
    panel->setMaxButtons(2);
    EXPECT_EQ(panel->buttons().size(), 8u);
    panel->setMaxButtons(8);
    EXPECT_EQ(panel->buttons().size(), 8u);

    panel->setWithNavBar(true);
    panel->setCenteredVertically(true);
    panel->layoutIfNeeded();
    EXPECT_EQ(panel->buttons()[0]->frame().origin.y, round((180 - 170) / 2.0) - 15);
    EXPECT_EQ(panel->buttons()[3]->frame().origin.y, round((180 - 170) / 2.0) + 90);
}

TEST_F(WidgetTest, PanelSlotsTakeButtonsAndDecorationsAndIgnoreBadIndexes)
{
    auto empty = ImageAsset::create("slot", platform::Size(60, 60));
    auto panel = QVButtonPanel::panelWithFrame(Rect(0, 0, 320, 100), 3, platform::Size(80, 80),
                                               platform::Size(10, 10), empty);
    EXPECT_TRUE(dynamic_cast<ImageView*>(panel->buttons()[1].get()));
    auto button = QVDefaultButton::greenButton(Rect(0, 0, 80, 80));
    button->setEnabled(false);
    panel->setButton(button, 1);
    auto* entry = dynamic_cast<QVButtonPanelEntry*>(panel->buttons()[1].get());
    ASSERT_TRUE(entry);
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(button->superview(), entry);

    auto lock = ImageAsset::create("lock", platform::Size(20, 20));
    panel->disableButton(button, lock);
    EXPECT_FALSE(button->isEnabled());
    ASSERT_TRUE(entry->decoration());
    EXPECT_EQ(entry->subviews().back().get(), entry->decoration());

    panel->setButton(QVDefaultButton::greenButton(Rect(0, 0, 80, 80)), 3);
    panel->setButton(QVDefaultButton::greenButton(Rect(0, 0, 80, 80)), -1);
    EXPECT_TRUE(log.contains("QVButtonPanel: no slot 3"));
    EXPECT_EQ(panel->buttons().size(), 3u);
    panel->removeAllButtons();
    EXPECT_FALSE(dynamic_cast<QVButtonPanelEntry*>(panel->buttons()[1].get()));
    EXPECT_EQ(panel->subviews().size(), 3u);
}

} // namespace widget_tests

#include "social/runtime/QVImageCache.h"

namespace widget_tests {

TEST_F(WidgetTest, EveryKitImageNameResolvesToAnImage)
{
    const char* names[] = {
        "QVButtonGreen.png", "QVButtonGreenHit.png", "QVButtonRed.png", "QVButtonRedHit.png",
        "QVButtonGreenIPad.png", "QVButtonGreenHitIPad.png", "QVButtonRedIPad.png", "QVButtonRedHitIPad.png",
        "QVButtonGrey.png", "QVButtonSmallGreen.png", "QVButtonSmallGreenHit.png", "QVButtonSmallGrey.png",
        "QVButtonSmallGreyHit.png", "QVButtonShadowGreen.png", "QVButtonShadowGrey.png", "QVButtonBevel.png",
        "QVButtonBevelHit.png", "QVBadgeLeftGreen.png", "QVBadgeRightGreen.png", "QVBadgeCenterGreen.png",
        "QVBadgeLeftRed.png", "QVBadgeRightRed.png", "QVBadgeCenterRed.png", "QVProfilePhotoFrame.png",
        "QVGameCenterProfileFrame.png", "QVProfileIconDefault.png", "QVProfileIconDefaultSelf.png",
        "QVProfilePictureFacebookIcon.png", "QVFriendshipIndicatorFollowedByLocalUser.png", "QVIntroPattern.png",
        "QVButtonPanelBackgroundPattern.png", "QVProfileBackgroundPattern.png", "QVRoundedRectBorder.png",
        "QVTextViewFrame.png", "QVNavBar.png", "QVLoadingScreenEdge.png", "QVLoadingScreenCenter.png",
        "QVFacebookIcon.png", "QVTwitterIcon.png", "QVChallengeIconWon.png", "QVChallengeIconLost.png",
        "QVChallengeIconTied.png",
    };
    for (const char* name : names) {
        auto image = QVImageLoader::loadImage(name);
        ASSERT_TRUE(image) << name;
        EXPECT_GT(image->width(), 0u) << name;
    }
    // Stretch caps fit their images: the shadowed skins' 20-point caps, the panel border's 10.
    EXPECT_GT(QVImageLoader::loadImage("QVButtonShadowGreen.png")->width(), 40u);
    EXPECT_GT(QVImageLoader::loadImage("QVRoundedRectBorder.png")->width(), 20u);
    EXPECT_GT(QVImageLoader::loadImage("QVTextViewFrame.png")->width(), 14u);
}

} // namespace widget_tests
