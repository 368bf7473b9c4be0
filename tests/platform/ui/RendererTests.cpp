// The renderer: a test screen (navigation bar, table, text field, button and
// an alert) drawn to PNG deterministically; images from the bundle with
// stretch caps; missing art as grey boxes; custom view kinds drawing their own
// chrome (gradients, patterned panels) and faded views.
#include "UiTestSupport.h"
#include "support/SavedBundleFolders.h"

#include "platform/foundation/Bundle.h"
#include "platform/ui/Button.h"
#include "platform/ui/Drawing.h"
#include "platform/ui/Label.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/WebView.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace platform;
using namespace platform::ui;

namespace {

struct Pixel {
    int r, g, b, a;
};

Pixel at(const Image& image, int x, int y)
{
    const uint8_t* p = image.rgba().data() + (size_t(y) * image.width() + size_t(x)) * 4;
    return { p[0], p[1], p[2], p[3] };
}

class Friends : public TableViewController {
public:
    int numberOfSectionsInTableView(TableView*) override { return 2; }
    int tableViewNumberOfRowsInSection(TableView*, int s) override { return s == 0 ? 2 : 6; }
    std::string tableViewTitleForHeaderInSection(TableView*, int s) override { return s == 0 ? "Online" : "Offline"; }
    Ref<TableViewCell> tableViewCellForRowAtIndexPath(TableView* t, IndexPath ip) override
    {
        auto cell = t->dequeueReusableCellWithIdentifier("Friend");
        if (!cell)
            cell = TableViewCell::cellWithStyle(TableViewCellStyle::Subtitle, "Friend");
        static const char* names[] = { "Ann Lee", "Bo Chen", "Cy Diaz", "Di Egan", "Ed Fox", "Flo Gray", "Gus Hart", "Hal Ito" };
        cell->textLabel()->setText(names[ip.section * 2 + ip.row]);
        cell->detailTextLabel()->setText(ip.section == 0 ? "Playing now" : "Last seen yesterday");
        cell->setAccessoryType(ip.row == 0 ? CellAccessoryType::DetailDisclosureButton : CellAccessoryType::DisclosureIndicator);
        return cell;
    }
};

class RendererTest : public ui_test::UiTest {
protected:
    testing_support::SavedBundleFolders bundle;
    testing_support::TempDir dir;
};

TEST_F(RendererTest, ATestScreenRendersToAReadableDeterministicPNG)
{
    TestDriver driver;
    auto friends = adoptRef(new Friends);
    ASSERT_TRUE(friends->init());
    friends->setTitle("Friends");
    auto nav = NavigationController::withRootViewController(friends.get());
    friends->navigationItem()->setRightBarButtonItem(
        BarButtonItem::withTitle("Edit", BarButtonItem::Style::Bordered, nullptr, BarButtonItem::SenderAction()).get());
    driver.showController(nav.get());

    TableView* table = friends->tableView();
    auto header = View::viewWithFrame(Rect(0, 0, 320, 96));
    header->setBackgroundColor(Color::white(0.94f));
    auto field = TextField::textFieldWithFrame(Rect(10, 10, 300, 31));
    field->setBorderStyle(TextField::BorderStyle::RoundedRect);
    field->setPlaceholder("Find a friend");
    field->setText("Ann");
    header->addSubview(field.get());
    auto button = Button::buttonWithType(Button::Type::RoundedRect);
    button->setFrame(Rect(10, 52, 300, 37));
    button->setTitle("Invite Friends", StateNormal);
    header->addSubview(button.get());
    table->setTableHeaderView(header.get());
    table->cellForRowAtIndexPath({ 0, 1 })->setSelected(true, false);
    AlertView::alert("Remove friend?", "Bo Chen will no longer see your scores.", nullptr, "Cancel", { "Remove" })->show();
    driver.settle();

    auto image = ViewRenderer::render(driver.window());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 320u);
    EXPECT_EQ(image->height(), 480u);
    auto again = ViewRenderer::render(driver.window());
    EXPECT_EQ(image->rgba(), again->rgba());
    ASSERT_TRUE(ViewRenderer::writePNG(driver.window(), dir.file("screen.png")));
    auto back = Image::imageWithContentsOfFile(dir.file("screen.png"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->rgba(), image->rgba());
    if (const char* keep = std::getenv("BRISKO_KEEP_RENDERS"))
        ViewRenderer::writePNG(driver.window(), std::string(keep) + "/screen.png");

    // Without the alert the bar and the field are not dimmed.
    ButtonPanel::forgetAllShown();
    auto plain = ViewRenderer::render(driver.window());
    if (const char* keep = std::getenv("BRISKO_KEEP_RENDERS"))
        plain->writePNG(std::string(keep) + "/screen-plain.png");
    Pixel bar = at(*plain, 160, 20 + 40);       // lower half of the navigation bar
    EXPECT_NEAR(bar.r, 110, 8);
    EXPECT_NEAR(bar.b, 163, 8);
    Pixel dimmed = at(*image, 160, 20 + 40);
    EXPECT_LT(dimmed.b, bar.b - 40);
    Pixel fieldInside = at(*plain, 300, 64 + 25); // right end of the text field: white
    EXPECT_EQ(fieldInside.r, 255);
    EXPECT_NE(plain->rgba(), image->rgba());

    // A label's text is drawn: the title area holds dark and light pixels.
    bool ink = false;
    for (int x = 100; x < 220 && !ink; ++x)
        for (int y = 25; y < 60 && !ink; ++y)
            ink = at(*plain, x, y).r > 240;
    EXPECT_TRUE(ink);
    nav->view()->removeFromSuperview();
}

TEST_F(RendererTest, BundleImagesDrawTheirPixelsWithStretchCapsAndMissingArtIsAGreyBox)
{
    // A 3x1 image: red, green, blue.
    Bytes rgba { 255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255 };
    ASSERT_TRUE(Image::imageWithRGBA(3, 1, rgba)->writePNG(dir.file("Strip.png")));
    bundle.useResources(dir.path());
    auto strip = ImageAsset::named("Strip.png");
    ASSERT_TRUE(strip);
    EXPECT_EQ(strip->size(), Size(3, 1));
    EXPECT_FALSE(ImageAsset::named("Nothing.png"));
    EXPECT_FALSE(ImageAsset::withData("junk", Bytes { 1, 2, 3 }));

    auto root = View::viewWithFrame(Rect(0, 0, 40, 30));
    auto stretched = ImageView::imageViewWithImage(strip->stretchableImage(1, 0).get());
    stretched->setFrame(Rect(0, 0, 30, 10));
    root->addSubview(stretched.get());
    auto missing = ImageView::imageViewWithImage(ImageAsset::create("QVNoSuchArt.png", Size(40, 20)).get());
    missing->setFrame(Rect(0, 10, 40, 20));
    root->addSubview(missing.get());
    auto image = ViewRenderer::render(root.get());
    ASSERT_TRUE(image);
    Pixel left = at(*image, 0, 5), middle = at(*image, 15, 5), right = at(*image, 29, 5);
    EXPECT_GT(left.r, 200);
    EXPECT_LT(left.g, 60);
    EXPECT_GT(middle.g, 200);
    EXPECT_LT(middle.r, 60);
    EXPECT_GT(right.b, 200);
    Pixel grey = at(*image, 2, 12);
    EXPECT_NEAR(grey.r, 199, 3);
    EXPECT_EQ(grey.r, grey.g);
    EXPECT_EQ(grey.g, grey.b);

    // A name-only asset whose file appears later gets its pixels on first use.
    auto late = ImageAsset::create("Strip.png", Size(3, 1));
    ASSERT_TRUE(late->image());
    EXPECT_EQ(late->image()->width(), 3u);
}

TEST_F(RendererTest, AStretchedImageOfAnOddWidthShowsNoSeamWhereItsPiecesMeet)
{
    // A button's art: one green, its caps and the column between them alike.
    Bytes rgba;
    for (int i = 0; i < 21 * 10; ++i)
        rgba.insert(rgba.end(), { 40, 160, 60, 255 });
    auto art = ImageAsset::withImage("Green.png", Image::imageWithRGBA(21, 10, rgba).get());
    auto root = View::viewWithFrame(Rect(0, 0, 200, 10));
    root->setBackgroundColor(Color::black());
    // Laid out for one width and resized to another, the buttons start and end on fractions of a point.
    for (float x : { 6.0f, 6.37f }) {
        auto button = ImageView::imageViewWithImage(art->stretchableImage(10, 0).get());
        button->setFrame(Rect(x, 0, 139.56f, 10));
        root->addSubview(button.get());
        auto image = ViewRenderer::render(root.get());
        ASSERT_TRUE(image);
        for (int px = 8; px < 144; ++px)
            EXPECT_GT(at(*image, px, 5).g, 150) << "a seam at x " << px << " of a button at " << x;
        button->removeFromSuperview();
    }
}

TEST_F(RendererTest, HiddenAndTransparentViewsAreSkippedAndAWebViewShowsItsURL)
{
    auto root = View::viewWithFrame(Rect(0, 0, 100, 60));
    auto hidden = View::viewWithFrame(Rect(0, 0, 50, 60));
    hidden->setBackgroundColor(Color::rgb(1, 0, 0));
    hidden->setHidden(true);
    root->addSubview(hidden.get());
    auto faint = View::viewWithFrame(Rect(50, 0, 50, 30));
    faint->setBackgroundColor(Color::black());
    faint->setAlpha(0.5f);
    faint->layer()->setBorderWidth(2);
    faint->layer()->setBorderColor(Color::rgb(0, 0, 1));
    root->addSubview(faint.get());
    auto web = WebView::webViewWithFrame(Rect(50, 30, 50, 30));
    web->loadRequest({ "http://example.test/help" });
    root->addSubview(web.get());
    auto image = ViewRenderer::render(root.get());
    Pixel white = at(*image, 10, 10);
    EXPECT_EQ(white.r, 255);
    EXPECT_EQ(white.g, 255);
    Pixel half = at(*image, 75, 15);
    EXPECT_NEAR(half.r, 128, 2);
    Pixel border = at(*image, 51, 15);
    EXPECT_GT(border.b, half.b + 60);
    EXPECT_FALSE(ViewRenderer::render(nullptr));
    EXPECT_FALSE(ViewRenderer::render(View::view().get()));
    loop().drain();
}

// Custom kinds as the dashboard draws them: each brings its own chrome.
class GradientBackdrop : public View {
public:
    void drawChrome(GraphicsContext& g, const Rect& b) override
    {
        // Dark navy at the top to light blue at the bottom.
        draw::linearGradient(g, Point(0, b.minY()), Point(0, b.maxY()), { Color::rgb(0, 0, 0.2f), Color::rgb(0.6f, 0.8f, 1) });
    }
};

class PatternPanel : public View {
public:
    Ref<Image> tile;
    void drawChrome(GraphicsContext& g, const Rect& b) override
    {
        draw::roundedRectPath(g, b, 12);
        g.clip();
        g.drawTiledImage(*tile, b);
    }
};

// A badge whose chrome builds on a button's and tracks the calls it gets.
class BadgeButton : public Button {
public:
    std::vector<std::string>* calls { nullptr };
    void drawChrome(GraphicsContext& g, const Rect& b) override
    {
        Button::drawChrome(g, b);
        calls->push_back("chrome");
        g.beginPath();
        g.addArc(b.maxX() - 8, b.minY() + 8, 8, 0, 2 * float(M_PI), false);
        draw::setFill(g, Color::rgb(1, 0, 0));
        g.fillPath();
        draw::setFill(g, Color::rgb(0, 1, 0)); // must not leak into drawRect
    }
    void drawRect(GraphicsContext& g, const Rect& b) override
    {
        calls->push_back("rect");
        g.fillRect(Rect(b.minX(), b.maxY() - 2, 2, 2)); // in whatever colour the walker left
    }
};

// 4x4 tiles: a yellow 2x2 square on a dark green field.
Ref<Image> tileImage()
{
    Bytes px(4 * 4 * 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            uint8_t* p = &px[size_t(y * 4 + x) * 4];
            bool dot = x < 2 && y < 2;
            p[0] = dot ? 255 : 0;
            p[1] = dot ? 255 : 100;
            p[2] = 0;
            p[3] = 255;
        }
    return Image::imageWithRGBA(4, 4, std::move(px));
}

TEST_F(RendererTest, CustomKindsDrawGradientsPatternsAndFadedViewsThroughTheWalker)
{
    TestDriver driver;
    auto screen = adoptRef(new GradientBackdrop);
    ASSERT_TRUE(screen->initWithFrame(Rect(0, 0, 320, 480)));
    driver.window()->addSubview(screen.get());

    auto panel = adoptRef(new PatternPanel);
    ASSERT_TRUE(panel->initWithFrame(Rect(20, 100, 280, 120)));
    panel->tile = tileImage();
    screen->addSubview(panel.get());
    auto title = Label::labelWithFrame(Rect(16, 8, 248, 24));
    title->setBackgroundColor(std::nullopt);
    title->setText("Leaderboards");
    title->setTextColor(Color::whiteColor());
    panel->addSubview(title.get());

    // Faded to half: an opaque red card with an opaque blue strip over it.
    auto card = View::viewWithFrame(Rect(20, 260, 280, 80));
    card->setBackgroundColor(Color::rgb(1, 0, 0));
    card->setAlpha(0.5f);
    auto strip = View::viewWithFrame(Rect(0, 40, 280, 40));
    strip->setBackgroundColor(Color::rgb(0, 0, 1));
    card->addSubview(strip.get());
    screen->addSubview(card.get());

    std::vector<std::string> calls;
    auto badge = adoptRef(new BadgeButton);
    ASSERT_TRUE(badge->initWithFrame(Rect(20, 380, 100, 40)));
    badge->calls = &calls;
    screen->addSubview(badge.get());

    ASSERT_TRUE(ViewRenderer::writePNG(driver.window(), dir.file("kit.png")));
    EXPECT_EQ(calls, (std::vector<std::string> { "chrome", "rect" }));
    if (const char* keep = std::getenv("BRISKO_KEEP_RENDERS"))
        ViewRenderer::writePNG(driver.window(), std::string(keep) + "/kit.png");
    auto png = Image::imageWithContentsOfFile(dir.file("kit.png"));
    ASSERT_TRUE(png);

    // The backdrop's gradient: dark at the top, light at the bottom, rising
    // steadily down the left margin.
    Pixel top = at(*png, 5, 1), bottom = at(*png, 5, 478);
    EXPECT_LT(top.b, 60);
    EXPECT_GT(bottom.b, 245);
    EXPECT_GT(bottom.r, 145);
    for (int y = 20; y < 470; y += 30)
        EXPECT_GT(at(*png, 5, y + 30).b, at(*png, 5, y).b) << y;

    // The panel repeats its tile from its own corner and keeps its rounded
    // corners clear of it (the gradient shows there).
    for (int y = 140; y < 200; y += 4)
        for (int x = 40; x < 280; x += 4) {
            EXPECT_EQ(at(*png, x, y).r, 255) << x << "," << y;
            EXPECT_EQ(at(*png, x + 2, y).r, 0) << x << "," << y;
            EXPECT_EQ(at(*png, x + 3, y + 3).g, 100) << x << "," << y;
        }
    Pixel corner = at(*png, 20, 100);
    EXPECT_EQ(corner.g, at(*png, 5, 100).g);
    EXPECT_EQ(corner.b, at(*png, 5, 100).b);
    // The label on the panel drew white text.
    bool ink = false;
    for (int y = 108; y < 132 && !ink; ++y)
        for (int x = 36; x < 160 && !ink; ++x)
            ink = at(*png, x, y).b > 200;
    EXPECT_TRUE(ink);

    // The faded card: red at half over the gradient; where the blue strip
    // covers it, blue at half with no red showing through.
    Pixel backdrop = at(*png, 5, 290), red = at(*png, 160, 290);
    EXPECT_NEAR(red.r, (255 + backdrop.r) / 2, 2);
    EXPECT_NEAR(red.b, backdrop.b / 2, 2);
    Pixel backdrop2 = at(*png, 5, 320), blue = at(*png, 160, 320);
    EXPECT_NEAR(blue.r, backdrop2.r / 2, 2);
    EXPECT_NEAR(blue.b, (255 + backdrop2.b) / 2, 2);

    // The badge's own chrome over the button's, and the green its chrome left
    // set did not reach its drawRect.
    Pixel dot = at(*png, 112, 388);
    EXPECT_EQ(dot.r, 255);
    EXPECT_EQ(dot.g, 0);
    Pixel mark = at(*png, 20, 419);
    EXPECT_FALSE(mark.r == 0 && mark.g == 255);

    // Two renders are byte-identical.
    auto again = ViewRenderer::render(driver.window());
    EXPECT_EQ(again->rgba(), png->rgba());
    screen->removeFromSuperview();
}

} // namespace
