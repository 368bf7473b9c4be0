// Pixel probes of the platform kinds' looks: small view trees rendered to an
// image, one probe per kind of fault (cell parts under a background view, the
// editing controls, text view insets and scrolling, wrapped sheet titles,
// indicator sizes, rounded backgrounds, disabled switches, shrinking labels,
// the navigation bar's items and views drawn mid-animation).
#include "UiTestSupport.h"

#include "platform/graphics/TextEngine.h"
#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Drawing.h"
#include "platform/ui/Label.h"
#include "platform/ui/Layer.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace platform::ui;

namespace {

struct Pixel {
    int r, g, b;
};

Pixel at(const Image& image, int x, int y)
{
    const uint8_t* p = image.rgba().data() + (size_t(y) * image.width() + size_t(x)) * 4;
    return { p[0], p[1], p[2] };
}

// Whether any pixel of the rectangle differs from the colour by more than 60 in a channel.
bool inked(const Image& image, const Rect& r, Pixel plain)
{
    for (int y = int(r.minY()); y < int(r.maxY()); ++y)
        for (int x = int(r.minX()); x < int(r.maxX()); ++x) {
            Pixel p = at(image, x, y);
            if (std::abs(p.r - plain.r) > 60 || std::abs(p.g - plain.g) > 60 || std::abs(p.b - plain.b) > 60)
                return true;
        }
    return false;
}

constexpr Pixel kWhite { 255, 255, 255 };
constexpr Pixel kBlack { 0, 0, 0 };

// Rows on a dark background view; the first cannot be edited.
class Rows : public TableViewController {
public:
    int tableViewNumberOfRowsInSection(TableView*, int) override { return 2; }
    bool tableViewCanEditRowAtIndexPath(TableView*, IndexPath ip) override { return ip.row == 1; }
    Ref<TableViewCell> tableViewCellForRowAtIndexPath(TableView*, IndexPath ip) override
    {
        auto cell = TableViewCell::cellWithStyle(TableViewCellStyle::Default, "Row");
        auto background = View::viewWithFrame(cell->bounds());
        background->setBackgroundColor(Color::white(0.2f));
        cell->setBackgroundView(background.get());
        cell->setAccessoryType(ip.row == 0 ? CellAccessoryType::DisclosureIndicator : CellAccessoryType::Checkmark);
        return cell;
    }
};

class RenderProbeTest : public ui_test::UiTest { };

TEST_F(RenderProbeTest, CellPartsStandAboveTheBackgroundViewAndEditableRowsShowTheDeleteControl)
{
    TestDriver driver;
    auto rows = adoptRef(new Rows);
    ASSERT_TRUE(rows->init());
    driver.showController(rows.get());
    TableView* table = rows->tableView();
    auto image = ViewRenderer::render(table);
    Pixel dark { 51, 51, 51 };
    EXPECT_TRUE(inked(*image, Rect(295, 12, 10, 20), dark)) << "chevron";
    EXPECT_TRUE(inked(*image, Rect(290, 44 + 12, 20, 20), dark)) << "check mark";
    EXPECT_GT(at(*image, 160, 43).r, 200) << "separator";

    // A selected row shows its selection colour over the background view, its text over that.
    table->selectRowAtIndexPath(IndexPath::forRow(0, 0), false, TableViewScrollPosition::None);
    table->cellForRowAtIndexPath({ 0, 0 })->textLabel()->setText("Row");
    driver.settle();
    image = ViewRenderer::render(table);
    Pixel selected = at(*image, 200, 22);
    EXPECT_GT(selected.b, 180) << selected.r << "," << selected.g << "," << selected.b;
    EXPECT_LT(selected.r, 60);
    EXPECT_EQ(at(*image, 200, 44 + 22).r, 51) << "the other row keeps its background";
    EXPECT_TRUE(inked(*image, Rect(10, 10, 40, 24), selected)) << "the text stands above the selection";
    table->deselectRowAtIndexPath(IndexPath::forRow(0, 0), false);

    rows->setEditing(true, false);
    driver.settle();
    TableViewCell* fixed = table->cellForRowAtIndexPath({ 0, 0 });
    TableViewCell* deletable = table->cellForRowAtIndexPath({ 0, 1 });
    EXPECT_EQ(fixed->contentView()->frame().origin.x, 0);
    EXPECT_EQ(deletable->contentView()->frame().origin.x, TableViewCell::kEditingIndent);
    image = ViewRenderer::render(table);
    Pixel disc = at(*image, 16, 44 + 22 - 6);
    EXPECT_GT(disc.r, 180);
    EXPECT_LT(disc.g, 80);
    EXPECT_EQ(at(*image, 10, 22).r, 51) << "no control on a row that cannot be edited";

    rows->setEditing(false, false);
    driver.settle();
    EXPECT_EQ(deletable->contentView()->frame().origin.x, 0);
}

TEST_F(RenderProbeTest, TextViewsShowTheirTextFromTheInsetTopAndScrollTheCaretLineIntoView)
{
    TestDriver driver;
    auto root = View::viewWithFrame(Rect(0, 0, 200, 200));
    root->setBackgroundColor(Color::whiteColor());
    // A tall box with one line: the line is at the top, below the 8-point inset.
    auto tall = TextView::textViewWithFrame(Rect(0, 0, 200, 100));
    tall->setText("Hello there");
    root->addSubview(tall.get());
    // A box three lines high with a 3-point inset shows all three lines.
    auto box = TextView::textViewWithFrame(Rect(0, 120, 200, 50));
    box->setContentInset(EdgeInsets { 3, 0, 3, 0 });
    box->setText("one\ntwo\nthree");
    root->addSubview(box.get());
    driver.window()->addSubview(root.get());

    EXPECT_EQ(tall->contentOffset().y, -8);
    auto image = ViewRenderer::render(root.get());
    EXPECT_TRUE(inked(*image, Rect(8, 8, 60, 14), kWhite));
    EXPECT_FALSE(inked(*image, Rect(0, 30, 200, 70), kWhite));
    float line = box->contentSize().height / 3;
    EXPECT_TRUE(inked(*image, Rect(8, 120 + 3 + 2 * line, 40, line), kWhite)) << "third line";

    // A fourth line past the box's height scrolls in while typing.
    ASSERT_TRUE(box->becomeFirstResponder());
    ASSERT_TRUE(box->insertText("\nfour"));
    EXPECT_GT(box->contentOffset().y, 0);
    EXPECT_FLOAT_EQ(box->contentOffset().y, box->maximumOffset().y);
    image = ViewRenderer::render(root.get());
    EXPECT_TRUE(inked(*image, Rect(8, 170 - 3 - line, 40, line), kWhite)) << "fourth line";
    box->resignFirstResponder();
}

TEST_F(RenderProbeTest, AnActionSheetGrowsToHoldItsWholeTitle)
{
    TestDriver driver;
    driver.window()->setBackgroundColor(Color::whiteColor());
    std::string title = "Removing this account from the device also forgets its saved scores, its friends list, "
                        "its pending challenges and every setting you made for it. You can sign in again later.";
    auto sheet = ActionSheet::sheet(title, nullptr, "Cancel", "Remove");
    sheet->showInView(driver.window());
    auto image = ViewRenderer::render(driver.window());
    // Two buttons and a 40-point title would start the sheet at y 322; this title takes it far higher.
    Pixel sheetColour = at(*image, 5, 250);
    EXPECT_LT(sheetColour.r, 60);
    // The title's last line sits just above the buttons.
    EXPECT_TRUE(inked(*image, Rect(20, 480 - 4 - 102 - 4 - 24, 280, 24), sheetColour));
    ActionSheet::dismissAll();
}

TEST_F(RenderProbeTest, KindsKeepTheirPlatformFacesIndicatorSizesRoundedBackgroundsAndDimmedSwitches)
{
    auto root = View::viewWithFrame(Rect(0, 0, 320, 200));
    root->setBackgroundColor(Color::black());
    auto spinner = ActivityIndicator::withStyle(ActivityIndicator::Style::White);
    spinner->setFrame(Rect(0, 0, 100, 100));
    spinner->startAnimating();
    root->addSubview(spinner.get());
    auto field = TextField::textFieldWithFrame(Rect(110, 10, 100, 31));
    field->setBorderStyle(TextField::BorderStyle::RoundedRect);
    field->setBackgroundColor(Color::whiteColor());
    root->addSubview(field.get());
    auto enabled = Switch::switchWithFrame(Rect(110, 60, 0, 0));
    root->addSubview(enabled.get());
    auto disabled = Switch::switchWithFrame(Rect(110, 100, 0, 0));
    disabled->setEnabled(false);
    root->addSubview(disabled.get());

    auto image = ViewRenderer::render(root.get());
    // The 20-point spokes sit in the middle of the 100-point view.
    EXPECT_TRUE(inked(*image, Rect(40, 40, 20, 20), kBlack));
    EXPECT_FALSE(inked(*image, Rect(0, 0, 100, 35), kBlack));
    // The white background stays inside the field's rounded corners.
    EXPECT_LT(at(*image, 110, 10).r, 60);
    EXPECT_EQ(at(*image, 160, 25).r, 255);
    // The disabled switch is the enabled face at half strength.
    Pixel knob = at(*image, 110 + 20, 60 + 13), dimmedKnob = at(*image, 110 + 20, 100 + 13);
    EXPECT_GT(knob.r, 230);
    EXPECT_NEAR(dimmedKnob.r, knob.r / 2, 8);
}

TEST_F(RenderProbeTest, ALabelShrinksItsFontToFitItsWidthDownToTheMinimumSize)
{
    auto label = Label::labelWithFrame(Rect(0, 0, 150, 30));
    label->setText("Find new games your friends are playing");
    EXPECT_TRUE(label->currentLayout().truncated);
    label->setAdjustsFontSizeToFitWidth(true);
    EXPECT_FALSE(label->currentLayout().truncated);
    EXPECT_LT(label->fontForWidth(150)->pointSize(), 17);
    auto image = ViewRenderer::render(label.get());
    EXPECT_TRUE(inked(*image, Rect(120, 0, 30, 30), kWhite)) << "the text runs to the end";

    label->setMinimumFontSize(14);
    EXPECT_EQ(label->fontForWidth(150)->pointSize(), 14);
    EXPECT_TRUE(label->currentLayout().truncated);
}

class Screen : public ViewController { };

TEST_F(RenderProbeTest, TheNavigationBarPlacesCustomViewsAndDrawsImagesGlyphsAndABackTitle)
{
    TestDriver driver;
    Bytes red;
    for (int i = 0; i < 16 * 16; ++i)
        red.insert(red.end(), { 255, 0, 0, 255 });
    auto icon = ImageAsset::withImage("Icon.png", Image::imageWithRGBA(16, 16, red).get());
    auto root = adoptRef(new Screen);
    ASSERT_TRUE(root->init());
    root->navigationItem()->setLeftBarButtonItem(
        BarButtonItem::withImage(icon.get(), BarButtonItem::Style::Bordered, nullptr, BarButtonItem::SenderAction()).get());
    root->navigationItem()->setRightBarButtonItem(
        BarButtonItem::withSystemItem(BarButtonItem::SystemItem::Add, nullptr, BarButtonItem::SenderAction()).get());
    auto nav = NavigationController::withRootViewController(root.get());
    driver.showController(nav.get());
    NavigationBar* bar = nav->navigationBar();

    auto image = ViewRenderer::render(bar);
    Pixel iconPixel = at(*image, 5 + 18, 22);
    EXPECT_GT(iconPixel.r, 230);
    EXPECT_LT(iconPixel.g, 30);
    Pixel plus = at(*image, 320 - 5 - 18, 22), beside = at(*image, 320 - 5 - 18 + 5, 22 - 5);
    EXPECT_GT(plus.r, 240);
    EXPECT_LT(beside.r, 200);

    // A pushed screen under an untitled one: "Back"; its custom item sits at the bar's right end.
    auto pushed = adoptRef(new Screen);
    ASSERT_TRUE(pushed->init());
    pushed->setTitle("Map");
    auto findMe = View::viewWithFrame(Rect(0, 0, 60, 30));
    findMe->setBackgroundColor(Color::rgb(0, 0, 1));
    pushed->navigationItem()->setRightBarButtonItem(BarButtonItem::withCustomView(findMe.get()).get());
    nav->pushViewController(pushed.get(), false);
    driver.settle();
    EXPECT_EQ(bar->backButtonTitle(), "Back");
    EXPECT_EQ(findMe->superview(), bar);
    EXPECT_EQ(findMe->frame(), Rect(320 - 5 - 60, 7, 60, 30));
    image = ViewRenderer::render(bar);
    EXPECT_GT(at(*image, 320 - 30, 22).b, 240);

    nav->popViewControllerAnimated(false);
    driver.settle();
    EXPECT_EQ(findMe->superview(), nullptr);

    // Beside a long back button a title that does not fit the centred room takes the room between the buttons.
    root->setTitle("Leaderboards");
    root->navigationItem()->setLeftBarButtonItem(nullptr);
    root->navigationItem()->setRightBarButtonItem(nullptr);
    auto scores = adoptRef(new Screen);
    ASSERT_TRUE(scores->init());
    scores->setTitle("Normal");
    nav->pushViewController(scores.get(), false);
    driver.settle();
    NavigationBar::Placement placed = bar->placement();
    ASSERT_TRUE(placed.left);
    EXPECT_FLOAT_EQ(placed.title.minX(), placed.left->maxX() + 5);
    EXPECT_GE(placed.title.size.width, measureText("Normal", *draw::systemFont(20, true)).width);
    scores->setTitle("OK"); // a short one stays centred on the bar
    EXPECT_FLOAT_EQ(bar->placement().title.midX(), 160);
    nav->view()->removeFromSuperview();
}

TEST_F(RenderProbeTest, ABarTitleThatDoesNotFitShrinksThenTheBackButtonSaysBackButTheTitleIsNeverCut)
{
    TestDriver driver;
    auto below = adoptRef(new Screen);
    ASSERT_TRUE(below->init());
    auto nav = NavigationController::withRootViewController(below.get());
    driver.showController(nav.get());
    NavigationBar* bar = nav->navigationBar();
    auto screen = adoptRef(new Screen);
    ASSERT_TRUE(screen->init());
    nav->pushViewController(screen.get(), false);
    driver.settle();

    // The title fits its room whole at the size the bar draws it, clear of both buttons.
    auto fitsWhole = [&](const NavigationBar::Placement& p) {
        float width = measureText(screen->title(), *draw::systemFont(p.titleFontSize, true)).width;
        return width <= p.title.size.width && (!p.left || p.left->maxX() <= p.title.minX())
            && (!p.right || p.title.maxX() <= p.right->minX());
    };
    struct Case {
        const char* below;
        const char* title;
        Ref<BarButtonItem> right;
    };
    const Case cases[] = {
        { "My Quorvel", "Quorvel Friends", BarButtonItem::withSystemItem(BarButtonItem::SystemItem::Add, nullptr, BarButtonItem::SenderAction()) },
        { "Inbox", "IM Conversations", BarButtonItem::withSystemItem(BarButtonItem::SystemItem::Compose, nullptr, BarButtonItem::SenderAction()) },
        { "Leaderboards", "Near Me", BarButtonItem::withCustomView(View::viewWithFrame(Rect(0, 0, 100, 30)).get()) },
        { "Settings", "Change Profile Picture", BarButtonItem::withSystemItem(BarButtonItem::SystemItem::Refresh, nullptr, BarButtonItem::SenderAction()) },
    };
    for (const Case& c : cases) {
        below->setTitle(c.below);
        screen->setTitle(c.title);
        screen->navigationItem()->setRightBarButtonItem(c.right.get());
        NavigationBar::Placement p = bar->placement();
        EXPECT_TRUE(fitsWhole(p)) << c.title << " at " << p.titleFontSize << " in " << p.title.size.width;
        EXPECT_GE(p.titleFontSize, NavigationBar::kMinimumTitleFontSize) << c.title;
    }
    // A little shrinking keeps the back button's words; more would take it to "Back".
    below->setTitle("My Quorvel");
    screen->setTitle("Quorvel Friends");
    screen->navigationItem()->setRightBarButtonItem(cases[0].right.get());
    EXPECT_EQ(bar->placement().backTitle, "My Quorvel");
    EXPECT_LT(bar->placement().titleFontSize, NavigationBar::kTitleFontSize);
    below->setTitle("Settings");
    screen->setTitle("Change Profile Picture");
    screen->navigationItem()->setRightBarButtonItem(cases[3].right.get());
    EXPECT_EQ(bar->placement().backTitle, "Back");
    EXPECT_EQ(bar->placement().right->size.width, 36) << "the refresh item is a glyph";

    // What fits at full size stays at full size with its back button's own title.
    screen->setTitle("Friends");
    EXPECT_EQ(bar->placement().titleFontSize, NavigationBar::kTitleFontSize);
    EXPECT_EQ(bar->placement().backTitle, "Settings");

    // A back title too long for its button is never cut ("Challenge Fri…"): it says "Back", and a
    // short title keeps the bar's middle with room on both sides.
    below->setTitle("Challenge Friends");
    screen->setTitle("Error");
    screen->navigationItem()->setRightBarButtonItem(nullptr);
    NavigationBar::Placement p = bar->placement();
    EXPECT_EQ(p.backTitle, "Back");
    EXPECT_FLOAT_EQ(p.title.midX(), 160);
    EXPECT_EQ(p.titleFontSize, NavigationBar::kTitleFontSize);
    ASSERT_TRUE(p.left);
    EXPECT_GE(p.title.minX() + (p.title.size.width - measureText("Error", *draw::systemFont(p.titleFontSize, true)).width) / 2,
              p.left->maxX() + 20)
        << "the title crowds the back button";
    nav->view()->removeFromSuperview();
}

TEST_F(RenderProbeTest, ARenderMidAnimationShowsWhereTheRunningAnimationHasTheView)
{
    auto strip = View::viewWithFrame(Rect(0, 0, 200, 20));
    strip->setBackgroundColor(Color::black());
    strip->setClipsToBounds(true);
    auto text = View::viewWithFrame(Rect(0, 0, 40, 20));
    text->setBackgroundColor(Color::whiteColor());
    text->setTransform(AffineTransform::makeTranslation(200, 0)); // off to the right
    strip->addSubview(text.get());

    View::beginAnimations("scroll");
    View::setAnimationCurve(View::AnimationCurve::Linear);
    View::setAnimationDuration(2);
    text->setTransform(AffineTransform::makeTranslation(-40, 0)); // off to the left
    View::commitAnimations();
    EXPECT_EQ(text->transform().tx, -40) << "the model value applies at once";

    auto image = ViewRenderer::render(strip.get());
    EXPECT_FALSE(inked(*image, Rect(0, 0, 200, 20), kBlack)) << "not yet in";
    advance(1);
    EXPECT_FLOAT_EQ(text->presentationTransform().tx, 80);
    image = ViewRenderer::render(strip.get());
    EXPECT_EQ(at(*image, 100, 10).r, 255);
    EXPECT_EQ(at(*image, 70, 10).r, 0);

    // A change outside a block to another place stops the animation there.
    text->setTransform(AffineTransform::makeTranslation(10, 0));
    EXPECT_FALSE(text->hasRunningValueAnimations());
    advance(2);
}

TEST_F(RenderProbeTest, ARenderMidTransitionShowsTheLayerWhereTheTransitionHasIt)
{
    auto stage = View::viewWithFrame(Rect(0, 0, 200, 20));
    stage->setBackgroundColor(Color::black());
    auto panel = View::viewWithFrame(Rect(0, 0, 200, 20));
    panel->setBackgroundColor(Color::whiteColor());
    stage->addSubview(panel.get());
    auto transition = [&](TransitionType type, TransitionSubtype from) {
        Ref<Transition> t = Transition::transition();
        t->setType(type);
        t->setSubtype(from);
        t->setDuration(2);
        t->setTimingFunction(TimingFunction::Linear);
        panel->layer()->addAnimation(t.get(), "transition");
    };

    // Moving in from the right: halfway, its left half is still bare.
    transition(TransitionType::MoveIn, TransitionSubtype::FromRight);
    advance(1);
    auto image = ViewRenderer::render(stage.get());
    EXPECT_EQ(at(*image, 50, 10).r, 0);
    EXPECT_EQ(at(*image, 150, 10).r, 255);
    advance(1.5);
    image = ViewRenderer::render(stage.get());
    EXPECT_EQ(at(*image, 50, 10).r, 255) << "ended: in place";

    // Fading in: halfway grey.
    transition(TransitionType::Fade, TransitionSubtype::None);
    advance(1);
    image = ViewRenderer::render(stage.get());
    EXPECT_NEAR(at(*image, 100, 10).r, 128, 10);
    advance(1.5);

    // Hidden under a reveal, the old state leaves downwards and is gone at the end.
    panel->setHidden(true);
    transition(TransitionType::Reveal, TransitionSubtype::FromTop);
    advance(0.5);
    image = ViewRenderer::render(stage.get());
    EXPECT_EQ(at(*image, 100, 2).r, 0);
    EXPECT_EQ(at(*image, 100, 17).r, 255);
    advance(2);
    image = ViewRenderer::render(stage.get());
    EXPECT_EQ(at(*image, 100, 17).r, 0);
}

} // namespace
