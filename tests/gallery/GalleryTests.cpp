// The gallery run as a test: every dashboard screen, in every size, opens
// against the seeded stand-in without logging an error or showing an alert,
// with its texts whole and its views on the screen. The checks themselves are
// tried on small trees first, so a quiet gallery means something.
#include "tools/gallery/Gallery.h"

#include "platform/graphics/Image.h"
#include "platform/foundation/RunLoop.h"
#include "platform/net/FakeHttpTransport.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TestDriver.h"
#include "platform/ui/Window.h"
#include "social/dashboard/games/QVPlayedGameCell.h"
#include "social/services/QVUser.h"
#include "social/ui/QVBadgeView.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVFramedContentWrapperView.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVTabBar.h"
#include "social/ui/QVTableCellHelper.h"
#include "social/ui/QVToggleControl.h"
#include "support/TestSupport.h"
#include "tools/standin/StandInState.h"
#include "tools/standin/StandInWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

using namespace platform;
using namespace platform::ui;

namespace {

std::string sourceDir()
{
    const char* source = std::getenv("BRISKO_SOURCE_DIR");
    return source ? source : ".";
}

Ref<Label> label(const std::string& text, const Rect& frame)
{
    Ref<Label> l = Label::labelWithFrame(frame);
    l->setText(text);
    return l;
}

TEST(GalleryChecks, FindCutTextAndViewsLeavingTheScreenButNotWhatAClippingViewHolds)
{
    Ref<View> window = View::viewWithFrame(Rect(0, 0, 320, 480));
    window->addSubview(label("Instant Message", Rect(10, 10, 60, 21)).get()); // cut
    window->addSubview(label("Fits", Rect(10, 40, 200, 21)).get());
    window->addSubview(View::viewWithFrame(Rect(300, 100, 40, 40)).get()); // past the right edge
    Ref<ScrollView> list = ScrollView::scrollViewWithFrame(Rect(0, 200, 320, 280));
    list->addSubview(View::viewWithFrame(Rect(0, 250, 320, 200)).get()); // scrolled: clipped by the list
    window->addSubview(list.get());
    Ref<Label> hidden = label("A hidden text that is far too long", Rect(500, 10, 20, 21));
    hidden->setHidden(true);
    window->addSubview(hidden.get());
    // A name as long as the service allows, cut at its end where a row has no room for it: by design.
    window->addSubview(label(std::string("4. ") + standin::world::kPlayerName, Rect(10, 70, 120, 21)).get());

    auto findings = gallery::checkTree(window.get());
    ASSERT_EQ(findings.size(), 2u);
    EXPECT_EQ(findings[0].kind, "cut");
    EXPECT_NE(findings[0].detail.find("\"Instant Message\" at (10, 10) 60 x 21"), std::string::npos) << findings[0].detail;
    EXPECT_EQ(findings[1].kind, "overflow");
    EXPECT_NE(findings[1].detail.find("at (300, 100) 40 x 40"), std::string::npos) << findings[1].detail;
}

TEST(GalleryChecks, FindWhatARowLaidOutForAnotherWidthPutsPastItsRow)
{
    Ref<View> window = View::viewWithFrame(Rect(0, 0, 320, 480));
    Ref<TableViewCell> cell = TableViewCell::cellWithStyle(TableViewCellStyle::Default, "row");
    cell->setFrame(Rect(0, 0, 320, 44));
    Ref<Label> count = label("12", Rect(290, 10, 24, 21)); // placed for 320 points
    cell->contentView()->addSubview(count.get());
    Ref<Label> title = label("Fits", Rect(10, 10, 200, 21));
    title->setAutoresizingMask(FlexibleWidth);
    cell->contentView()->addSubview(title.get());
    window->addSubview(cell.get());
    EXPECT_TRUE(gallery::checkTree(window.get()).empty());

    cell->setFrame(Rect(6, 0, 290, 44)); // the list's inset: the count runs past the row
    auto findings = gallery::checkTree(window.get());
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].kind, "row");
    EXPECT_NE(findings[0].detail.find("\"12\""), std::string::npos) << findings[0].detail;
}

std::vector<gallery::Finding> ofKind(const std::vector<gallery::Finding>& findings, const std::string& kind)
{
    std::vector<gallery::Finding> out;
    for (auto& f : findings)
        if (f.kind == kind)
            out.push_back(f);
    return out;
}

class Titled : public ViewController { };

TEST(GalleryChecks, FindABarTitleThatIsCut)
{
    TestDriver driver;
    auto below = adoptRef(new Titled);
    ASSERT_TRUE(below->init());
    below->setTitle("Leaderboards");
    auto nav = NavigationController::withRootViewController(below.get());
    driver.showController(nav.get());
    auto top = adoptRef(new Titled);
    ASSERT_TRUE(top->init());
    top->setTitle("Near Me");
    nav->pushViewController(top.get(), false);
    driver.settle();
    EXPECT_TRUE(ofKind(gallery::checkTree(driver.window()), "title").empty());

    // Even the smallest size and the short back button leave it no room.
    top->setTitle("The scores of everyone who played near this place this week");
    auto findings = ofKind(gallery::checkTree(driver.window()), "title");
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_NE(findings[0].detail.find("\"The scores of everyone"), std::string::npos) << findings[0].detail;

    nav->view()->removeFromSuperview();
}

TEST(GalleryChecks, FindAViewRunningPastTheFramedContentButNotWhatAListScrolls)
{
    Ref<View> window = View::viewWithFrame(Rect(0, 0, 320, 480));
    Ref<View> screen = View::viewWithFrame(Rect(0, 0, 320, 400));
    auto wrapper = quorvel::QVFramedContentWrapperView::withWrappedView(screen.get());
    wrapper->setFrame(Rect(0, 44, 320, 400));
    wrapper->setContentInsets({ 8, 6, 8, 6 }); // the content: (6, 52) 308 x 384
    window->addSubview(wrapper.get());
    screen->addSubview(label("Subscribe", Rect(10, 10, 290, 21)).get());
    Ref<View> toggle = View::viewWithFrame(Rect(222, 40, 94, 27)); // laid out for 320 points
    screen->addSubview(toggle.get());
    Ref<ScrollView> list = ScrollView::scrollViewWithFrame(Rect(0, 100, 308, 200));
    list->addSubview(View::viewWithFrame(Rect(0, 180, 320, 60)).get());
    screen->addSubview(list.get());

    auto findings = ofKind(gallery::checkTree(window.get()), "outside");
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_NE(findings[0].detail.find("at (228, 92) 94 x 27 leaves the framed content at (6, 52) 308 x 384"),
              std::string::npos)
        << findings[0].detail;

    toggle->setFrame(Rect(208, 40, 94, 27));
    EXPECT_TRUE(ofKind(gallery::checkTree(window.get()), "outside").empty());
}

TEST(GalleryChecks, FindAPictureFrameThatShowsNothing)
{
    Ref<View> window = View::viewWithFrame(Rect(0, 0, 320, 480));
    auto blank = quorvel::QVImageView::imageViewWithFrame(Rect(10, 10, 44, 44));
    window->addSubview(blank.get());
    auto withDefault = quorvel::QVImageView::imageViewWithFrame(Rect(10, 60, 44, 44));
    Bytes grey(44 * 44 * 4, 128);
    withDefault->setDefaultImage(Image::imageWithRGBA(44, 44, grey).get());
    window->addSubview(withDefault.get());

    auto findings = ofKind(gallery::checkTree(window.get()), "empty");
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_NE(findings[0].detail.find("at (10, 10) 44 x 44 shows no picture"), std::string::npos) << findings[0].detail;
    blank->setHidden(true);
    EXPECT_TRUE(ofKind(gallery::checkTree(window.get()), "empty").empty());
}

TEST(GalleryChecks, FindTextTooFaintAgainstThePixelsBehindIt)
{
    Ref<View> window = View::viewWithFrame(Rect(0, 0, 320, 200));
    window->setBackgroundColor(Color::rgb(0.12f, 0.16f, 0.3f)); // navy
    Ref<Label> dark = label("Add To My Conversations", Rect(10, 10, 250, 21));
    dark->setBackgroundColor(std::nullopt);
    dark->setTextColor(Color::white(0.2f)); // about 1.5:1 on navy
    window->addSubview(dark.get());
    Ref<Label> white = label("Select Friends To Invite", Rect(10, 50, 250, 21));
    white->setBackgroundColor(std::nullopt);
    white->setTextColor(Color::whiteColor());
    window->addSubview(white.get());
    Ref<Label> onItsOwnPaper = label("Showing 2 of 2", Rect(10, 90, 250, 21)); // black on its own white
    window->addSubview(onItsOwnPaper.get());

    auto findings = gallery::checkContrast(window.get());
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].kind, "contrast");
    EXPECT_NE(findings[0].detail.find("\"Add To My Conversations\""), std::string::npos) << findings[0].detail;
    EXPECT_EQ(dark->textColor(), Color::white(0.2f)) << "the check puts the texts' colours back";

    dark->setTextColor(Color::white(0.2f, 0.0f)); // a text nobody sees is not read
    window->setBackgroundColor(Color::rgb(0.55f, 0.62f, 0.75f)); // white on light grey-blue: 2.6:1
    findings = gallery::checkContrast(window.get());
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_NE(findings[0].detail.find("\"Select Friends To Invite\""), std::string::npos) << findings[0].detail;
}

// The rows, from `from` down, in which two renders of one size differ.
int differingRowsFrom(const Image& a, const Image& b, uint32_t from)
{
    if (a.width() != b.width() || a.height() != b.height())
        return -1;
    int rows = 0;
    const size_t stride = size_t(a.width()) * 4;
    for (uint32_t y = from; y < a.height(); ++y)
        if (!std::equal(a.rgba().begin() + y * stride, a.rgba().begin() + (y + 1) * stride, b.rgba().begin() + y * stride))
            ++rows;
    return rows;
}

TEST(Gallery, ANewCountOnThePlayersPageChangesItsTabsBadgeOnScreen)
{
    testing_support::TempDir out;
    gallery::Options options;
    options.outputDir = out.path();
    options.sourceDir = sourceDir();
    options.only = { "player-page" };
    gallery::Result result = gallery::run(options);
    ASSERT_TRUE(result.failure.empty()) << result.failure;
    for (auto& f : result.findings)
        ADD_FAILURE() << f.line();
    for (const char* size : { "phone", "phone-landscape" }) {
        SCOPED_TRACE(size);
        Ref<Image> before = Image::imageWithContentsOfFile(out.path() + "/player-page-" + size + ".png");
        Ref<Image> after = Image::imageWithContentsOfFile(out.path() + "/player-page-new-count-" + size + ".png");
        ASSERT_TRUE(before && after);
        // The tab strip runs along the bottom of the dashboard; its badges stand a little above it.
        EXPECT_GT(differingRowsFrom(*before, *after, before->height() - 60), 0) << "the tab's badge did not change";
    }
}

// A screen that forgets what it shows when memory runs short.
class Forgetful : public ViewController {
public:
    Ref<Label> note;
    void didReceiveMemoryWarning() override
    {
        ViewController::didReceiveMemoryWarning();
        note->setText("");
    }
};

class GalleryCoveredCheck : public testing_support::ManualClockTest { };

TEST_F(GalleryCoveredCheck, FindsAScreenNotAsItWasAfterAMemoryWarningWhileCovered)
{
    TestDriver driver;
    auto root = ViewController::controller();
    auto nav = NavigationController::withRootViewController(root.get());
    driver.showController(nav.get());
    // Built in code and handed to its controller, as a screen made from its layout is.
    auto built = adoptRef(new Forgetful);
    ASSERT_TRUE(built->init());
    Ref<View> content = View::viewWithFrame(Rect(0, 0, 320, 416));
    built->note = label("Mira has 3 friends", Rect(10, 10, 200, 21));
    content->addSubview(built->note.get());
    built->setView(content.get());
    nav->pushViewController(built.get(), false);
    driver.settle();
    auto settle = [&] { driver.settle(); };
    built->note = label("", Rect(0, 0, 1, 1)); // forgets a label of its own, not one shown
    EXPECT_TRUE(gallery::checkCoveredComesBack(nav.get(), settle).empty());
    EXPECT_EQ(nav->topViewController(), built.get()) << "the player came back to it";
    EXPECT_EQ(built->view(), content.get());

    content->addSubview(built->note.get());
    built->note->setFrame(Rect(10, 40, 200, 21));
    built->note->setText("Games");
    driver.settle();
    auto findings = gallery::checkCoveredComesBack(nav.get(), settle);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].kind, "covered");
    EXPECT_NE(findings[0].detail.find("pixels differ within"), std::string::npos) << findings[0].detail;

    nav->view()->removeFromSuperview();
}

// A list row of the kit, laid out in code for a 44-point row.
class SettingRow : public quorvel::QVTableCellHelper {
public:
    static Ref<SettingRow> make(const std::string& title)
    {
        auto row = adoptRef(new SettingRow);
        row->initQVTableCellHelper("SettingRow");
        row->setFrame(Rect(0, 0, 320, 44));
        row->contentView()->addSubview(label(title, Rect(12, 11, 200, 22)).get());
        row->contentView()->addSubview(Switch::switchWithFrame(Rect(214, 8, 94, 27)).get());
        return row;
    }
};

// Today's tablet settings: a 44-point row made 60 high with its title and switch left at its top.
TEST(GalleryChecks, FindARowWhoseContentSitsAboveItsMiddleAndNotOneTheKitStretched)
{
    Ref<View> window = View::viewWithFrame(Rect(0, 0, 320, 480));
    Ref<SettingRow> grown = SettingRow::make("Show me online");
    grown->setFrame(Rect(0, 0, 320, 60));
    window->addSubview(grown.get());
    Ref<SettingRow> stretched = SettingRow::make("Share my scores");
    stretched->stretchTo(60);
    stretched->setFrame(Rect(0, 60, 320, 60));
    window->addSubview(stretched.get());
    window->layoutIfNeeded();

    auto findings = ofKind(gallery::checkLayout(window.get()), "offcentre");
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_NE(findings[0].detail.find("at (0, 0) 320 x 60: its content's middle is 8.5 points above the row's"),
              std::string::npos)
        << findings[0].detail;
    EXPECT_EQ(stretched->stretchOffset(), 8);
    EXPECT_EQ(stretched->contentLayoutHeight(), 44);
}

// Today's game page (the Fan Club badge over the Challenges tile) and tablet challenge (the tab's badge over the list's count).
TEST(GalleryChecks, FindABadgeOverAnotherTileOrOverText)
{
    Ref<View> window = View::viewWithFrame(Rect(0, 0, 320, 480));
    Ref<Button> challenges = Button::buttonWithType(Button::Type::Custom);
    challenges->setFrame(Rect(6, 200, 154, 118));
    challenges->setTitleForAllStates("Challenges");
    window->addSubview(challenges.get());
    Ref<Button> fanClub = Button::buttonWithType(Button::Type::Custom);
    fanClub->setFrame(Rect(6, 318, 154, 118));
    fanClub->setTitleForAllStates("Fan Club");
    window->addSubview(fanClub.get());
    Ref<quorvel::QVBadgeView> badge = quorvel::QVBadgeView::redBadge();
    badge->setFrame(Rect(126, 312, 29, 29)); // 6 points up, on the border
    badge->setValue(2);
    window->addSubview(badge.get());
    auto findings = ofKind(gallery::checkLayout(window.get()), "badge");
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_NE(findings[0].detail.find("lies over another button, Button \"Challenges\""), std::string::npos)
        << findings[0].detail;

    badge->setFrame(Rect(126, 322, 29, 29)); // inside its own tile
    EXPECT_TRUE(ofKind(gallery::checkLayout(window.get()), "badge").empty());

    window->addSubview(label("Showing 1 of 1", Rect(100, 310, 120, 21)).get());
    findings = ofKind(gallery::checkLayout(window.get()), "badge");
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_NE(findings[0].detail.find("lies over Label \"Showing 1 of 1\""), std::string::npos) << findings[0].detail;
    badge->setValue(0); // a badge of 0 is not shown
    EXPECT_TRUE(ofKind(gallery::checkLayout(window.get()), "badge").empty());
}

// Today's switch-user on a phone on its side (the footer's button cut by the list) and challenge
// detail (its button under the tab bar); a row cut at the list's edge is what a list does.
TEST(GalleryChecks, FindAButtonCutByItsFrameOrUnderTheTabBarButNotARowAtTheListsEdge)
{
    Ref<View> window = View::viewWithFrame(Rect(0, 0, 480, 320));
    // A page that scrolls, its button past its bottom edge at rest.
    Ref<ScrollView> page = ScrollView::scrollViewWithFrame(Rect(0, 70, 480, 200));
    Ref<Button> another = Button::buttonWithType(Button::Type::Custom);
    another->setFrame(Rect(120, 182, 240, 37));
    another->setTitleForAllStates("Log in to another account");
    page->addSubview(another.get());
    window->addSubview(page.get());
    // A list whose last row shows in part.
    Ref<TableView> list = TableView::tableViewWithFrame(Rect(0, 270, 480, 50), TableViewStyle::Plain);
    Ref<TableViewCell> row = TableViewCell::cellWithStyle(TableViewCellStyle::Default, "row");
    row->setFrame(Rect(0, 20, 480, 60));
    row->contentView()->addSubview(label("Player 100", Rect(60, 20, 200, 21)).get());
    list->addSubview(row.get());
    window->addSubview(list.get());

    auto findings = ofKind(gallery::checkLayout(window.get()), "hidden");
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_NE(findings[0].detail.find("\"Log in to another account\" at (120, 252) 240 x 37 shows only (120, 252) 240 x 18"),
              std::string::npos)
        << findings[0].detail;

    page->removeFromSuperview();
    list->removeFromSuperview();
    Ref<Button> start = Button::buttonWithType(Button::Type::Custom);
    start->setFrame(Rect(16, 262, 448, 30));
    start->setTitleForAllStates("Start Challenge");
    window->addSubview(start.get());
    Ref<quorvel::QVTabBar> tabs = quorvel::QVTabBar::withFrame(Rect(0, 284, 480, 36));
    window->addSubview(tabs.get());
    findings = ofKind(gallery::checkLayout(window.get()), "hidden");
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_NE(findings[0].detail.find("\"Start Challenge\" at (16, 262) 448 x 30 lies under the tab bar"), std::string::npos)
        << findings[0].detail;
    start->setFrame(Rect(16, 248, 448, 30));
    EXPECT_TRUE(ofKind(gallery::checkLayout(window.get()), "hidden").empty());

    // Today's account on the device, on a phone on its side: "This isn't me" over "Continue" (the
    // tab bar's items, which overlap by design, are none; nor is a button with nothing to do).
    struct Tapped : Object {
        void tap() { }
    };
    Ref<Tapped> target = adoptRef(new Tapped);
    Ref<Button> ok = Button::buttonWithType(Button::Type::Custom);
    ok->addTarget(target.get(), BRISKO_SELECTOR(Tapped, tap), TouchUpInside);
    ok->setFrame(Rect(140, 100, 200, 37));
    ok->setTitleForAllStates("Continue");
    window->addSubview(ok.get());
    Ref<Button> notMe = Button::buttonWithType(Button::Type::Custom);
    notMe->setFrame(Rect(140, 118, 200, 37));
    notMe->setTitleForAllStates("This isn't me");
    window->addSubview(notMe.get());
    EXPECT_TRUE(ofKind(gallery::checkLayout(window.get()), "overlap").empty());
    notMe->addTarget(target.get(), BRISKO_SELECTOR(Tapped, tap), TouchUpInside);
    findings = ofKind(gallery::checkLayout(window.get()), "overlap");
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_NE(findings[0].detail.find("\"This isn't me\" at (140, 118) 200 x 37 lies over Button \"Continue\""), std::string::npos)
        << findings[0].detail;
    notMe->setFrame(Rect(140, 141, 200, 37));
    EXPECT_TRUE(ofKind(gallery::checkLayout(window.get()), "overlap").empty());
}

// Today's invite header: its icon's address answered nothing, so it shows the default art.
TEST(GalleryChecks, FindDefaultArtWhereAPictureWasGiven)
{
    auto transport = platform::FakeHttpTransport::create();
    platform::HttpTransport::setShared(Ref<platform::HttpTransport>(transport.get()));
    Ref<View> window = View::viewWithFrame(Rect(0, 0, 320, 480));
    Bytes grey(44 * 44 * 4, 128);
    auto fallback = Image::imageWithRGBA(44, 44, grey);
    auto icon = quorvel::QVImageView::imageViewWithFrame(Rect(10, 10, 44, 44));
    icon->setDefaultImage(fallback.get());
    window->addSubview(icon.get());
    auto waiting = quorvel::QVImageView::imageViewWithFrame(Rect(10, 60, 44, 44));
    waiting->setDefaultImage(fallback.get());
    window->addSubview(waiting.get());
    auto unnamed = quorvel::QVImageView::imageViewWithFrame(Rect(10, 110, 44, 44));
    unnamed->setDefaultImage(fallback.get()); // no picture of its own: the default is right
    window->addSubview(unnamed.get());

    transport->script(platform::HttpResult::answer(404));
    icon->setImageUrl(std::string("http://127.0.0.1:9/icons/invite.png"));
    waiting->setImageUrl(std::string("http://127.0.0.1:9/icons/321.png")); // still on its way
    platform::RunLoop::main().drain();

    auto findings = ofKind(gallery::checkLayout(window.get()), "placeholder");
    platform::HttpTransport::setShared(nullptr);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_NE(findings[0].detail.find("at (10, 10) 44 x 44 shows its default art instead of http://127.0.0.1:9/icons/invite.png"),
              std::string::npos)
        << findings[0].detail;
}

// A friends row that marks Rival as a friend, a list that names a game's score.
Ref<View> friendsList(bool rivalFollowed, const std::string& caveDiverScore)
{
    Ref<View> window = View::viewWithFrame(Rect(0, 0, 320, 480));
    auto rival = quorvel::QVUser::create();
    rival->setName("Rival");
    rival->setFollowedByLocalUser(rivalFollowed);
    Ref<SettingRow> row = SettingRow::make("Rival");
    row->changeResource(rival.get());
    InterfaceBuilder builder(row.get());
    auto mark = builder.makeView<quorvel::QVUserRelationshipIndicator>(Rect(40, 36, 14, 14));
    mark->setUser(rival.get());
    row->contentView()->addSubview(mark.get());
    window->addSubview(row.get());
    const std::string prefix = quorvel::QVControllerLoader::defaultClassNamePrefix();
    quorvel::QVControllerLoader::setDefaultClassNamePrefix(std::string("QV"));
    Ref<TableViewCell> loaded = quorvel::QVControllerLoader::loadCell("PlayedGame", nullptr);
    quorvel::QVControllerLoader::setDefaultClassNamePrefix(prefix);
    auto* game = dynamic_cast<quorvel::QVPlayedGameCell*>(loaded.get());
    EXPECT_TRUE(game);
    if (game) {
        game->nameLabel()->setText("Cave Diver");
        game->firstStatView()->setHidden(false); // the player's score alone
        game->secondStatView()->setHidden(true);
        game->comparisonDividerIcon()->setHidden(true);
        game->firstGamerScoreLabel()->setText(caveDiverScore);
        game->setFrame(Rect(0, 60, 320, 56));
        window->addSubview(game);
    }
    return window;
}

// Today's gallery: Rival checked in the friends list and offered as a friend to add on the
// profile; Cave Diver's score 0 in one list and 40 in another.
TEST(GalleryChecks, FindTwoScreensOfARunTellingOtherwiseOfAFriendshipOrAGamesScore)
{
    gallery::WorldRecord record;
    EXPECT_TRUE(record.note("friends", "phone", friendsList(true, "0").get()).empty());
    EXPECT_TRUE(record.note("friends", "tablet", friendsList(true, "0").get()).empty()) << "the same again";

    auto findings = record.note("played-games", "phone", friendsList(true, "40").get());
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].kind, "disagree");
    EXPECT_EQ(findings[0].detail, "the player's score in Cave Diver: 40 here, 0 on friends (phone)");

    TestDriver driver;
    auto profile = adoptRef(new Titled);
    ASSERT_TRUE(profile->init());
    profile->setTitle("Rival's Profile");
    auto nav = NavigationController::withRootViewController(profile.get());
    driver.showController(nav.get());
    Ref<Button> toggle = Button::buttonWithType(Button::Type::Custom);
    toggle->setFrame(Rect(16, 270, 288, 40));
    toggle->setTitleForAllStates("Add Friend");
    profile->view()->addSubview(toggle.get());
    driver.settle();
    findings = record.note("profile", "phone", driver.window());
    nav->view()->removeFromSuperview();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].detail, "whether Rival is a friend: not a friend here, a friend on friends (phone)");
}

// The world the gallery and the showcase show: what the screens read back is what was seeded,
// and seeding refuses what the service would not hold (an unknown game, room or achievement, a
// conversation post by a stranger).
TEST(GalleryWorld, SeedsTheCommunityAroundThePlayerAndRefusesWhatTheServiceWouldNotHold)
{
    testing_support::TempDir dir;
    standin::StandInState state(dir.path() + "/service");
    ASSERT_TRUE(state.isOpen()) << state.error();
    const int64_t player = state.addUser("Player");
    standin::world::Community world = standin::world::seed(state, player, false);
    ASSERT_EQ(world.others.size(), std::size(standin::world::kPlayerNames));
    EXPECT_EQ(state.followedBy(player), (std::vector<int64_t> { world.others[0], world.others[1], world.others[2] }))
        << "Rival is the program's to befriend";
    EXPECT_EQ(state.challengesTo(player).size(), 2u);
    EXPECT_EQ(state.postsIn(world.conversation),
              (std::vector<std::string> { "Good race yesterday!", "Thanks! Rematch tonight?", "You're on. Bring your best lap." }));
    bool rivalBest = false;
    for (auto& s : state.scores())
        rivalBest |= s.userId == world.rival && s.leaderboardId == standin::StandInState::kNormalLeaderboard
            && s.score == 16400 && s.displayText.empty();
    EXPECT_TRUE(rivalBest) << "Rival's best reads as the others' do";

    EXPECT_FALSE(state.addGamePlayer(player, "999", true));
    EXPECT_FALSE(state.addUnlock(player, 999));
    EXPECT_FALSE(state.addChatMessage(999, player, "hello"));
    EXPECT_FALSE(state.addSubscription(player, 999));
    EXPECT_EQ(state.addConversation(player, world.rival, { { world.others[0], "not theirs" } }), 0);
    EXPECT_EQ(state.addInvite(player, player, "to myself"), 0);
}

TEST(Gallery, EveryScreenOpensWithoutErrorsCutTextOrOverflowInEverySize)
{
    testing_support::TempDir out;
    gallery::Options options;
    options.outputDir = out.path();
    options.sourceDir = sourceDir();
    gallery::Result result = gallery::run(options);
    ASSERT_TRUE(result.failure.empty()) << result.failure;

    EXPECT_GE(result.shots.size(), 120u) << "every screen in four sizes";
    for (auto& shot : result.shots)
        EXPECT_TRUE(std::filesystem::exists(out.path() + "/" + shot.file)) << shot.file;
    EXPECT_TRUE(std::filesystem::exists(out.path() + "/index.html"));
    for (auto& f : result.findings)
        ADD_FAILURE() << f.line();
}

} // namespace
