// The fan club's rows by what the game offers, its visit report, and the
// newsletter switch with its credential detour and refused changes.
#include "../CommunityTestSupport.h"

#include "social/core/QuorvelInternal.h"
#include "social/dashboard/games/QVFanClubController.h"
#include "social/dashboard/games/QVFavoriteThisGameController.h"
#include "social/dashboard/games/QVNewsLetterController.h"
#include "social/dashboard/games/QVPlayedGameController.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVFramedContentWrapperView.h"
#include "social/ui/QVFramedNavigationController.h"

using namespace quorvel;
using namespace community_testing;
using dashboard_testing::fixture;
using platform::dynamicRef;
using platform::Ref;

namespace {

std::string gameXml(const std::string& extra)
{
    return "<?xml version=\"1.0\"?><resources><game_profile_page_info><id>55</id><name>Brisko Deluxe</name>"
           "<short_name>Brisko</short_name>" + extra + "</game_profile_page_info></resources>";
}

class FanClubTest : public CommunityTest {
protected:
    void TearDown() override
    {
        screen = nullptr;
        QuorvelInternal::options().setLoggedInUserHasHttpBasicCredential(false);
        CommunityTest::TearDown();
    }
    // The screen pushed over a page in a framed stack whose game is the given one.
    template <typename T>
    T* open(const std::string& name, QVGameProfilePageInfo* game)
    {
        auto framed = QVFramedNavigationController::withRootViewController(QVControllerLoader::load("Help").get());
        navigation = framed;
        driver().showController(framed.get());
        settle();
        if (game)
            framed->changeGameContext(game);
        screen = QVControllerLoader::load(name);
        framed->pushViewController(screen.get(), false);
        settle(1);
        return dynamic_cast<T*>(screen.get());
    }
    std::vector<std::string> titles(QVFanClubController* club)
    {
        std::vector<std::string> out;
        for (auto& row : club->rows())
            out.push_back(row->titleLabel()->text());
        return out;
    }

    Ref<platform::ui::ViewController> screen;
};

TEST_F(FanClubTest, RowsFollowWhatTheGameOffers)
{
    auto plain = profileFrom(gameXml("<suggestions_topic_id></suggestions_topic_id>"));
    provider->localInfo = plain;
    auto* club = open<QVFanClubController>("FanClub", plain.get());
    ASSERT_TRUE(club);
    EXPECT_EQ(titles(club), (std::vector<std::string> { "Add Game as Favorite", "Developer Announcements",
                                                         "Subscribe to Newsletter" }))
        << "no store page, no suggestions forum, no featured games";
    EXPECT_EQ(requestsTo("client_application_users/fan_club").size(), 1u);

    // Back on the fan club: the visit is not reported again.
    navigation->pushViewController(QVControllerLoader::load("Help").get(), false);
    settle(1);
    navigation->popViewControllerAnimated(false);
    settle(1);
    EXPECT_EQ(requestsTo("client_application_users/fan_club").size(), 1u);
}

TEST_F(FanClubTest, TheRowsShareOneTitleSizeAtWhichEveryTitleFits)
{
    auto plain = profileFrom(gameXml("<suggestions_topic_id></suggestions_topic_id>"));
    provider->localInfo = plain;
    auto* club = open<QVFanClubController>("FanClub", plain.get());
    ASSERT_TRUE(club);
    // The announcements' badge takes room from the longest title.
    club->rowTitled("Developer Announcements")->badgeView()->setValue(2);
    club->tableView()->setNeedsLayout();
    for (auto& row : club->rows())
        row->setNeedsLayout();
    settle();
    const float size = club->rows().front()->titleLabel()->font()->pointSize();
    EXPECT_LT(size, QVFanClubCell::kTitleFontSize) << "the longest title needs a smaller size on a phone";
    for (auto& row : club->rows()) {
        platform::ui::Label* title = row->titleLabel();
        EXPECT_EQ(title->font()->pointSize(), size) << title->text();
        EXPECT_EQ(title->fontForWidth(title->bounds().size.width)->pointSize(), size) << title->text() << " fits whole";
    }
}

TEST_F(FanClubTest, AFullyOfferedGameHasEveryRowAndMoreGamesOpensThePicks)
{
    auto full = profileFrom(gameXml("<has_ipurchase>true</has_ipurchase><suggestions_topic_id>77</suggestions_topic_id>"
                                    "<has_featured_application>true</has_featured_application>"));
    provider->localInfo = full;
    auto* club = open<QVFanClubController>("FanClub", full.get());
    ASSERT_TRUE(club);
    EXPECT_EQ(titles(club), (std::vector<std::string> { "Add Game as Favorite", "Invite a Friend to Play",
                                                         "Developer Announcements", "Subscribe to Newsletter",
                                                         "Suggest a Feature", "More Games" }));
    ASSERT_TRUE(tapRow(club, 5));
    auto* picks = dynamic_cast<QVPlayedGameController*>(navigation->topViewController());
    ASSERT_TRUE(picks);
    EXPECT_EQ(picks->targetDiscoveryPageName(), "developers_picks");
    EXPECT_EQ(picks->title(), "More Games");
}

TEST_F(FanClubTest, NewsletterSubscribesWithCredentialsAndRevertsARefusal)
{
    QuorvelInternal::options().setLoggedInUserHasHttpBasicCredential(true);
    auto* letter = open<QVNewsLetterController>("NewsLetter", nullptr);
    ASSERT_TRUE(letter);
    EXPECT_EQ(letter->summaryLabel()->text(), "Subscribe to new updates!");
    const std::string path = "client_applications/55/news_letter_subscription.xml";
    ASSERT_EQ(requestsTo(path).size(), 1u);
    ASSERT_TRUE(provider->answerWithXml("<?xml version=\"1.0\"?><resources></resources>"));
    settle();
    EXPECT_FALSE(letter->subscriptionSwitch()->isOn());

    letter->subscriptionSwitch()->setOn(true);
    letter->subscriptionChanged();
    settle();
    auto sent = requestsTo(path);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].method, "POST");
    EXPECT_TRUE(platform::ui::ActionSheet::visibleSheets().empty());
    ASSERT_TRUE(provider->answerWithFailure());
    settle();
    EXPECT_FALSE(letter->subscriptionSwitch()->isOn()) << "a refused change shows the old state";
}

// Made at the dashboard's width, a page follows the narrower frame it is shown in.
TEST_F(FanClubTest, TheNewsletterAndFavouritePagesKeepTheirPartsInsideTheirFrame)
{
    for (Device device : { Device::Phone, Device::Tablet }) {
        SCOPED_TRACE(device == Device::Phone ? "phone" : "tablet");
        useDevice(device);
        for (const char* name : { "NewsLetter", "FavoriteThisGame" }) {
            open<platform::ui::ViewController>(name, nullptr);
            auto* wrapper = dynamic_cast<QVFramedContentWrapperView*>(screen->view());
            ASSERT_TRUE(wrapper);
            platform::ui::View* page = wrapper->wrappedView();
            ASSERT_NE(page->bounds().size.width, QVDashboardRole::current().getDashboardBounds().size.width);
            for (auto& part : page->subviews()) {
                if (part->isHidden() || part->alpha() <= 0)
                    continue;
                EXPECT_LE(part->frame().maxX(), page->bounds().size.width - 9.5f) << name << " " << part->dumpText();
            }
        }
    }
}

TEST_F(FanClubTest, NewsletterWithoutCredentialsDetoursOrStaysOff)
{
    auto* letter = open<QVNewsLetterController>("NewsLetter", nullptr);
    ASSERT_TRUE(letter);
    ASSERT_TRUE(provider->answerWithXml("<?xml version=\"1.0\"?><resources></resources>"));
    settle();
    letter->subscriptionSwitch()->setOn(true);
    letter->subscriptionChanged();
    EXPECT_FALSE(letter->subscriptionSwitch()->isOn());
    ASSERT_NE(driver().currentActionSheet(), nullptr);
    EXPECT_EQ(driver().currentActionSheet()->title(), QVNewsLetterController::kSecureTitle);
    ASSERT_TRUE(driver().answerActionSheet("Cancel"));
    settle();
    EXPECT_FALSE(letter->securingAccount());
    EXPECT_EQ(requestsTo("client_applications/55/news_letter_subscription.xml").size(), 1u) << "nothing sent";

    letter->subscriptionSwitch()->setOn(true);
    letter->subscriptionChanged();
    ASSERT_TRUE(driver().answerActionSheet("Enable Account Retrieval"));
    settle(1);
    EXPECT_TRUE(letter->securingAccount());
    // Back with e-mail credentials the subscription is made at once.
    QuorvelInternal::options().setLoggedInUserHasHttpBasicCredential(true);
    navigation->popToViewController(letter, false);
    settle(1);
    auto sent = requestsTo("client_applications/55/news_letter_subscription.xml");
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].method, "POST");
    EXPECT_FALSE(letter->securingAccount());
}

// The game may close the dashboard while the sheet is up: answering it then does nothing.
TEST_F(FanClubTest, TheNewsletterSheetAnsweredAfterThePageClosedDoesNothing)
{
    auto* letter = open<QVNewsLetterController>("NewsLetter", nullptr);
    ASSERT_TRUE(letter);
    ASSERT_TRUE(provider->answerWithXml("<?xml version=\"1.0\"?><resources></resources>"));
    settle();
    letter->subscriptionSwitch()->setOn(true);
    letter->subscriptionChanged();
    Ref<platform::ui::ActionSheet> sheet(driver().currentActionSheet());
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(closeNavigation(std::move(screen)));
    EXPECT_TRUE(sheet->clickButton("Enable Account Retrieval"));
    settle(1);
    EXPECT_EQ(driver().currentActionSheet(), nullptr);
}

} // namespace

namespace {

class FavoriteTest : public FanClubTest { };

std::string reviewXml(bool favorite, const std::string& review)
{
    return "<?xml version=\"1.0\"?><resources><client_application_user><id>9</id><favorite>"
        + std::string(favorite ? "true" : "false") + "</favorite><review>" + review + "</review></client_application_user></resources>";
}

TEST_F(FavoriteTest, TheStarTakesTheMarkBackWithoutTheComment)
{
    auto* page = open<QVFavoriteThisGameController>("FavoriteThisGame", nullptr);
    ASSERT_TRUE(page);
    ASSERT_EQ(requestsTo("client_applications/55/users/17.xml").size(), 1u);
    ASSERT_TRUE(provider->answerWithXml(reviewXml(true, "Deep")));
    settle();
    EXPECT_TRUE(page->isFavorite());
    EXPECT_EQ(page->reviewTextField()->text(), "Deep");
    EXPECT_EQ(page->starImageName(), "QVButtonStarFilled.png");
    EXPECT_EQ(page->reviewArea()->alpha(), 1.0f);
    ASSERT_TRUE(page->navigationItem()->rightBarButtonItem());

    ASSERT_TRUE(driver().tap(page->favoriteButton()));
    settle();
    auto sent = requestsTo("client_applications/55/users/review.xml");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(parameter(sent[0], "client_application_user[favorite]"), "0");
    EXPECT_EQ(parameter(sent[0], "client_application_user[review]"), "<none>");
    ASSERT_TRUE(provider->answerWithXml(fixture("ok.xml")));
    settle();
    EXPECT_FALSE(page->isFavorite());
    EXPECT_EQ(page->descriptionLabel()->text(), QVFavoriteThisGameController::kNotFavoriteText);
    EXPECT_EQ(page->reviewArea()->alpha(), 0.0f);
    EXPECT_FALSE(page->navigationItem()->rightBarButtonItem());
}

TEST_F(FavoriteTest, TheCommentAreaSlidesTheStarAsideAndFadesInWhenAnimated)
{
    auto* page = open<QVFavoriteThisGameController>("FavoriteThisGame", nullptr);
    ASSERT_TRUE(page);
    // Appearing hid the area at once: nothing runs.
    auto named = [](const std::string& name) {
        for (auto& a : platform::ui::View::runningAnimations())
            if (a.name == name)
                return a.duration;
        return -1.0;
    };
    EXPECT_LT(named("slidingIn"), 0);
    EXPECT_LT(named("fadingIn"), 0);
    const float hiddenStarY = page->favoriteButton()->frame().minY();
    ASSERT_TRUE(provider->answerWithXml(reviewXml(true, "Deep")));
    settle();
    EXPECT_DOUBLE_EQ(named("slidingIn"), 0.325);
    EXPECT_DOUBLE_EQ(named("fadingIn"), 0.325);
    settle(0.4);
    EXPECT_LT(page->favoriteButton()->frame().minY(), hiddenStarY);
    EXPECT_EQ(page->reviewArea()->alpha(), 1.0f);
    // The comment is the kit's multi-line field, its rounded field behind the text.
    ASSERT_TRUE(page->reviewTextField()->backgroundTextField());
    EXPECT_EQ(page->reviewTextField()->backgroundTextField()->superview(), page->reviewTextField());
}

TEST_F(FavoriteTest, AnEmptyCommentIsNotSentAndANonFavouriteIgnoresItsComment)
{
    auto* page = open<QVFavoriteThisGameController>("FavoriteThisGame", nullptr);
    ASSERT_TRUE(page);
    ASSERT_TRUE(provider->answerWithXml(reviewXml(false, "Old words")));
    settle();
    EXPECT_FALSE(page->isFavorite());
    EXPECT_EQ(page->descriptionLabel()->text(), QVFavoriteThisGameController::kNotFavoriteText);

    page->onSubmitReviewPressed();
    ASSERT_TRUE(lastAlert());
    EXPECT_EQ(lastAlert()->message(), "You must enter a comment before submitting.");
    EXPECT_TRUE(requestsTo("client_applications/55/users/review.xml").empty());
}

} // namespace
