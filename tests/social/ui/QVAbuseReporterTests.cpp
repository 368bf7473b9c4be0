// The abuse reporter: it asks first, sends only after the player confirms,
// shows the asking screen's loading screen while the report is out, and lets
// itself go on every path — cancelled, answered, failed, or lacking what it needs.
#include "../services/ServiceTestSupport.h"

#include "platform/foundation/Weak.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Window.h"
#include "social/ui/QVAbuseReporter.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVNavigationController.h"
#include "social/ui/QVTableStaticControllerHelper.h"
#include "social/ui/QVViewController.h"

#include "support/SavedControllerLoaderNames.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace service_testing;
using platform::Ref;
using platform::ui::ActionSheet;
using standin::Params;

namespace {

// A list screen a report can come from (a forum thread's posts).
class ReportingList : public QVTableStaticControllerHelper {
    QV_DECLARE_CLASS(ReportingList)
};

class AbuseReporterTest : public ServiceNetTest {
protected:
    void SetUp() override
    {
        ServiceNetTest::SetUp();
        QVControllerLoader::setDefaultClassNamePrefix("QV"); // the kit's loading screen is found by name
        window = platform::ui::Window::windowWithFrame(platform::Rect(0, 0, 320, 480));
        window->makeKeyAndVisible();
        screen = platform::dynamicRef<QVViewController>(QVViewController::qvCreateInstance());
        screen->init();
        nav = QVNavigationController::withRootViewController(screen.get());
        server.route("POST", "users/17/abuse_flags.xml", standin::Answer::xml(fixture("ok.xml")));
    }
    void TearDown() override
    {
        ActionSheet::forgetAllShown();
        advance(1.0); // the loading overlay's fade-out ends
        nav = nullptr;
        screen = nullptr;
        window = nullptr;
        ServiceNetTest::TearDown();
    }
    // The sheet on screen and a weak link to the reporter behind it.
    ActionSheet* sheet()
    {
        auto sheets = ActionSheet::visibleSheets();
        if (sheets.size() != 1)
            return nullptr;
        reporter.reset(dynamic_cast<QVAbuseReporter*>(sheets[0]->delegate()));
        return sheets[0].get();
    }
    bool loading() const { return nav->loadingController() != nullptr; }

    Ref<platform::ui::Window> window;
    Ref<QVViewController> screen;
    Ref<QVNavigationController> nav;
    platform::Weak<QVAbuseReporter> reporter;
    testing_support::SavedControllerLoaderNames loaderNames;
};

TEST_F(AbuseReporterTest, ConfirmedReportsSendTheirFlagsUnderTheLoadingScreen)
{
    struct Case {
        std::function<void()> report;
        Params params;
    };
    const Case cases[] = {
        { [&] { QVAbuseReporter::reportAbuseByUser("17", screen.get()); }, { { "abuse_flag[abuse_type]", "chat" } } },
        { [&] { QVAbuseReporter::reportAbuseByUserForumThread("17", "40", screen.get()); },
          { { "abuse_flag[abuse_type]", "forum" }, { "abuse_flag[flaggable_id]", "40" },
            { "abuse_flag[flaggable_type]", "Discussion" } } },
        { [&] { QVAbuseReporter::reportAbuseByUserForumPost("17", "501", screen.get()); },
          { { "abuse_flag[abuse_type]", "forum" }, { "abuse_flag[flaggable_id]", "501" },
            { "abuse_flag[flaggable_type]", "Post" } } },
        // A thread report without a thread id sends only the type.
        { [&] { QVAbuseReporter::reportAbuseByUserForumThread("17", "", screen.get()); },
          { { "abuse_flag[abuse_type]", "forum" } } },
    };
    for (const Case& c : cases) {
        server.clearLog();
        c.report();
        ActionSheet* s = sheet();
        ASSERT_TRUE(s);
        EXPECT_EQ(s->title(), "Are you sure you want to submit an abuse report?");
        EXPECT_EQ(s->shownInView(), window.get());
        settleNetwork();
        EXPECT_EQ(server.requestCount(), 0u) << "nothing before the player confirms";
        ASSERT_TRUE(s->clickButton("Yes, Report"));
        EXPECT_TRUE(loading());
        ASSERT_TRUE(waitForRequests(1));
        ASSERT_TRUE(waitFor([&] { return reporter.expired(); }));
        EXPECT_FALSE(loading());
        auto log = server.requests();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].method, "POST");
        EXPECT_EQ(log[0].path, "users/17/abuse_flags.xml");
        EXPECT_EQ(ownParams(log[0]), c.params);
    }
}

TEST_F(AbuseReporterTest, AReportFromAListShowsTheListsLoadingScreenWhileItIsOut)
{
    auto list = platform::dynamicRef<ReportingList>(ReportingList::qvCreateInstance());
    list->init();
    auto listNav = QVNavigationController::withRootViewController(list.get());
    server.route("POST", "users/17/abuse_flags.xml", [](const standin::LoggedRequest&) {
        standin::Answer a = standin::Answer::xml("<resources/>");
        a.hold = true;
        return a;
    });
    QVAbuseReporter::reportAbuseByUserForumPost("17", "501", list.get());
    ASSERT_TRUE(sheet());
    sheet()->clickButton("Yes, Report");
    EXPECT_TRUE(listNav->loadingController()) << "shown while the report is out";
    ASSERT_TRUE(waitForRequests(1));
    EXPECT_TRUE(listNav->loadingController());
    server.releaseHeld();
    ASSERT_TRUE(waitFor([&] { return reporter.expired(); }));
    EXPECT_FALSE(listNav->loadingController());
}

TEST_F(AbuseReporterTest, AFailedReportEndsAsASuccessfulOne)
{
    server.route("POST", "users/17/abuse_flags.xml", standin::Answer::xml("<error/>", 500));
    QVAbuseReporter::reportAbuseByUser("17", screen.get());
    ASSERT_TRUE(sheet());
    sheet()->clickButton("Yes, Report");
    ASSERT_TRUE(waitFor([&] { return reporter.expired(); }));
    EXPECT_FALSE(loading());
    EXPECT_TRUE(ActionSheet::visibleSheets().empty());
}

TEST_F(AbuseReporterTest, CancellingOrLackingAUserOrScreenSendsNothing)
{
    QVAbuseReporter::reportAbuseByUser("17", screen.get());
    ASSERT_TRUE(sheet());
    sheet()->clickButton("Cancel");
    EXPECT_TRUE(reporter.expired());
    EXPECT_FALSE(loading());

    // Nothing is shown; the reporter goes away at once (the sanitizer build checks no leak).
    QVAbuseReporter::reportAbuseByUser("", screen.get());
    QVAbuseReporter::reportAbuseByUserForumPost("17", "501", nullptr);
    EXPECT_TRUE(ActionSheet::visibleSheets().empty());

    // Without a provider the confirmed report cannot go out and still ends.
    facade.providerLink = nullptr;
    QVAbuseReporter::reportAbuseByUser("17", screen.get());
    ASSERT_TRUE(sheet());
    sheet()->clickButton("Yes, Report");
    EXPECT_TRUE(reporter.expired());
    EXPECT_FALSE(loading());

    settleNetwork();
    EXPECT_EQ(server.requestCount(), 0u);
}

} // namespace
