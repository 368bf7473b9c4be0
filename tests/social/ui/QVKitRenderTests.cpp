// A screen of kit widgets rendered to PNG through the view renderer and
// checked by pixel probes: the patterned background's gradient, the bar art,
// a button panel's skinned buttons, a red badge, a framed picture and a
// translucent rounded panel.
#include "ScreenTestKit.h"

#include "social/ui/QVBadgeView.h"
#include "social/ui/QVButtonPanel.h"
#include "social/ui/QVDefaultButton.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVNavigationController.h"
#include "social/ui/QVPatternedGradientView.h"
#include "social/ui/QVViewController.h"
#include "platform/ui/Renderer.h"
#include "social/ui/QVKitImages.h"

#include <cmath>

using namespace quorvel;
using namespace platform::ui;
using platform::Rect;
using platform::Ref;
using screen_testing::near;
using screen_testing::pixelAt;

namespace kit_render_tests {

class KitRenderTest : public screen_testing::ScreenTest { };

Ref<platform::Image> solid(uint32_t w, uint32_t h, uint8_t r, uint8_t g, uint8_t b)
{
    platform::Bytes rgba;
    for (uint32_t i = 0; i < w * h; ++i)
        rgba.insert(rgba.end(), { r, g, b, 255 });
    return platform::Image::imageWithRGBA(w, h, std::move(rgba));
}

TEST_F(KitRenderTest, PanelBadgesAndPictureDrawWhereTheyAre)
{
    auto screen = dynamicRef<QVViewController>(QVViewController::qvCreateInstance());
    screen->init();
    screen->setTitle("Kit");
    auto nav = QVNavigationController::withRootViewController(screen);
    driver().showController(nav);
    View* content = screen->view();
    content->setBackgroundColor(std::nullopt);
    content->setOpaque(false);

    auto panel = QVButtonPanel::panelWithFrame(Rect(0, 10, 320, 100), 3, platform::Size(90, 37),
                                               platform::Size(10, 10), nullptr);
    for (int i = 0; i < 3; ++i) {
        auto button = QVDefaultButton::greenBoderedButton(Rect(0, 0, 90, 37));
        button->setTitleForAllStates(std::to_string(i + 1));
        panel->setButton(button, i);
    }
    content->addSubview(panel);

    auto badge = QVBadgeView::redBadge();
    badge->setFrame(Rect(180, 0, 29, 29));
    badge->setValue(7);
    content->addSubview(badge);

    auto picture = QVImageView::imageViewWithFrame(Rect(40, 160, 64, 64));
    picture->setImage(solid(64, 64, 20, 60, 230));
    content->addSubview(picture);

    auto rounded = QVRoundedRectView::viewWithFrame(Rect(160, 160, 120, 80));
    content->addSubview(rounded);

    auto image = render("kit-panel-badges-picture");
    ASSERT_TRUE(image);
    ASSERT_EQ(image->width(), 320u);
    ASSERT_EQ(image->height(), 480u);

    auto at = [&](View* v, float x, float y) {
        platform::Point p = v->convertPointTo(platform::Point(x, y), nullptr);
        return pixelAt(*image, static_cast<int>(p.x), static_cast<int>(p.y));
    };
    // The bar's art is dark grey.
    auto bar = at(nav->navigationBar(), 2, 22);
    EXPECT_LT(bar.r, 90);
    // Each panel slot shows a green face.
    for (auto& slot : panel->buttons()) {
        auto face = at(slot.get(), 10, 18);
        EXPECT_GT(face.g, face.r + 40) << "slot at x " << slot->frame().origin.x;
        EXPECT_GT(face.g, face.b + 40);
    }
    // Between the slots the background shows: no green.
    auto gap = at(panel.get(), panel->buttons()[0]->frame().maxX() + 5, 28);
    EXPECT_LT(std::abs(gap.g - gap.r), 20);
    // The badge is red around its white number.
    auto badgeRim = at(badge.get(), 6, 14);
    EXPECT_GT(badgeRim.r, badgeRim.g + 80);
    bool whiteDigit = false;
    for (int x = 8; x < 22 && !whiteDigit; ++x)
        for (int y = 6; y < 22 && !whiteDigit; ++y)
            whiteDigit = near(at(badge.get(), x, y), 255, 255, 255, 40);
    EXPECT_TRUE(whiteDigit);
    // The picture fills its view inside the dark photo frame; its corners are clipped.
    EXPECT_TRUE(near(at(picture.get(), 32, 32), 20, 60, 230, 8));
    auto rim = at(picture.get(), -4, 32);
    EXPECT_LT(rim.r + rim.g + rim.b, 150);
    auto corner = at(picture.get(), 0.5f, 0.5f);
    EXPECT_FALSE(near(corner, 20, 60, 230, 30));
    // The rounded panel darkens what is under it, and its corner stays clear.
    auto behind = at(content, 150, 200);
    auto inside = at(rounded.get(), 60, 40);
    EXPECT_LT(inside.r + inside.g + inside.b, behind.r + behind.g + behind.b - 60);
    auto outside = at(rounded.get(), 1, 1);
    EXPECT_NEAR(outside.r, at(content, 159, 161).r, 25);
    // The default background runs from lighter at the top to darker at the bottom (averaged
    // over a patch: its diagonal pattern alone changes single pixels by more than that).
    auto patch = [&](float x, float y) {
        int sum = 0;
        for (int dx = 0; dx < 16; ++dx)
            for (int dy = 0; dy < 16; ++dy)
                sum += at(content, x + dx, y + dy).r;
        return sum / 256;
    };
    EXPECT_GT(patch(290, 130), patch(290, 380) + 15);

    // Two renders of the same tree are identical.
    auto again = render("kit-panel-badges-picture-again");
    EXPECT_EQ(again->rgba(), image->rgba());
}

} // namespace kit_render_tests

#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/QVLoadingController.h"

namespace kit_render_tests {

TEST_F(KitRenderTest, ErrorScreenUnderTheLoadingOverlay)
{
    auto screen = QVDeadEndErrorController::deadEndErrorWithMessage("The server could not be reached.");
    auto nav = QVNavigationController::withRootViewController(screen);
    driver().showController(nav);
    auto before = render("dead-end-error");
    ASSERT_TRUE(before);
    // The message is drawn in white somewhere in its label.
    Rect label = screen->messageView()->convertRectTo(screen->messageView()->bounds(), nullptr);
    bool white = false;
    for (int y = static_cast<int>(label.minY()); y < label.maxY() && !white; ++y)
        for (int x = static_cast<int>(label.minX()); x < label.maxX() && !white; ++x)
            white = near(pixelAt(*before, x, y), 255, 255, 255, 30);
    EXPECT_TRUE(white);
    // The bar's title "Error" stands above the kit's bar image.
    Rect bar = nav->navigationBar()->convertRectTo(nav->navigationBar()->bounds(), nullptr);
    bool title = false;
    for (int y = static_cast<int>(bar.minY()); y < bar.maxY() && !title; ++y)
        for (int x = 120; x < 200 && !title; ++x)
            title = near(pixelAt(*before, x, y), 255, 255, 255, 30);
    EXPECT_EQ(screen->title(), "Error");
    EXPECT_TRUE(title);

    nav->showLoadingIndicator();
    settle(QVLoadingView::kAppearDuration);
    auto after = render("dead-end-error-loading");
    QVLoadingView* overlay = nav->loadingController()->loadingView();
    // The dimmed screen: three quarters black over what was there.
    auto was = pixelAt(*before, 300, 300);
    auto now = pixelAt(*after, 300, 300);
    EXPECT_NEAR(now.r, was.r / 4, 6);
    // The strip rests on the bottom edge of the stack's view; its centre art is dark.
    Rect strip = overlay->contentContainer()->convertRectTo(overlay->contentContainer()->bounds(), nullptr);
    EXPECT_EQ(strip.maxY(), 480);
    auto centre = pixelAt(*after, 160, static_cast<int>(strip.maxY()) - 5);
    EXPECT_LT(centre.r + centre.g + centre.b, 120);
}

} // namespace kit_render_tests

namespace kit_render_tests {

// The contrast ratio of two colours (relative luminance, (lighter + 0.05) / (darker + 0.05)).
float contrast(screen_testing::Pixel a, screen_testing::Pixel b)
{
    auto luminance = [](screen_testing::Pixel p) {
        auto linear = [](int c) {
            float v = c / 255.f;
            return v <= 0.03928f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
        };
        return 0.2126f * linear(p.r) + 0.7152f * linear(p.g) + 0.0722f * linear(p.b);
    };
    float la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05f) / (std::min(la, lb) + 0.05f);
}

const screen_testing::Pixel kWhite { 255, 255, 255, 255 };

// The network rows' art says which network it is, in white that reads on its colour.
TEST_F(KitRenderTest, TheNetworkButtonsArtNamesItsNetworkReadably)
{
    for (const char* name : { "QuorvelAccountSetupFBConnectButton.png", "QuorvelAccountSetupTwitterConnectButton.png" }) {
        Ref<ImageAsset> art = QVLoadKitImage(name);
        ASSERT_TRUE(art && art->image()) << name;
        const platform::Image& image = *art->image();
        int white = 0;
        for (int y = 8; y < 24; ++y)
            for (int x = 40; x < 190; ++x)
                white += near(pixelAt(image, x, y), 255, 255, 255, 30);
        EXPECT_GT(white, 60) << name << ": the network's name";
        // The face behind the name: white on it has a contrast of at least 4.5:1.
        EXPECT_GE(contrast(pixelAt(image, 35, 28), kWhite), 4.5f) << name;
    }
}

// Faces that carry white words (button skins, green badges) and the lists' background under
// white words let them read: at least 4.5:1 where the words stand, mid-height of the art.
TEST_F(KitRenderTest, FacesUnderWhiteWordsAndGreyWordsOnSegmentsReadAtFourAndAHalfToOne)
{
    for (const char* name : { "QVButtonGreen.png", "QVButtonGreenIPad.png", "QVButtonSmallGreen.png", "QVButtonRed.png",
                              "QVButtonRedIPad.png", "QVBadgeCenterGreen.png", "QVBadgeCenterRed.png" }) {
        Ref<ImageAsset> art = QVLoadKitImage(name);
        ASSERT_TRUE(art && art->image()) << name;
        const platform::Image& image = *art->image();
        for (int y : { int(image.height()) * 2 / 5, int(image.height()) / 2, int(image.height()) * 3 / 5 })
            EXPECT_GE(contrast(pixelAt(image, int(image.width()) / 2, y), kWhite), 4.5f) << name << " at " << y;
    }
    // The segments' words are grey (98/255) on the unchosen segment.
    Ref<ImageAsset> segment = QVLoadKitImage("QVTabBarOverlappingSegment.png");
    ASSERT_TRUE(segment && segment->image());
    const screen_testing::Pixel grey { 98, 98, 98, 255 };
    EXPECT_GE(contrast(pixelAt(*segment->image(), 27, 17), grey), 4.5f);

    // A list's background at its lightest, the top of its gradient.
    auto background = QVPatternedGradientView::defaultView(Rect(0, 0, 100, 200));
    auto image = ViewRenderer::render(background.get());
    ASSERT_TRUE(image);
    int readable = 0, all = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x, ++all)
            readable += contrast(pixelAt(*image, x, y), kWhite) >= 4.5f;
    EXPECT_GT(readable, all / 2) << "white words read on most of the background";
}

} // namespace kit_render_tests
