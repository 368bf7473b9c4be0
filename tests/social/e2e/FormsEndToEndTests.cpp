// Forms and web pages end to end: the naming form sends its field nested, shows
// the service's field error and keeps the next name; its field lets the
// keyboard go on Return; the help page is the service's signed page and its
// "pop" link closes it.
#include "DashboardEndToEndSupport.h"

#include "platform/ui/TextField.h"
#include "platform/ui/WebView.h"

#include <gtest/gtest.h>

using namespace e2e_testing;

namespace {

using FormsEndToEnd = DashboardEndToEndTest;

TEST_F(FormsEndToEnd, TheNamingFormShowsTheServicesFieldErrorAndKeepsTheNextName)
{
    launch();
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVUserQuorvelApprovalController"; }));
    ASSERT_TRUE(tap("Use Quorvel"));
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVNewAccountController"; }));
    int64_t me = std::stoll(loggedInUser());

    // The rival already has the name: the service's reason reaches the player.
    ASSERT_TRUE(typeInto(0, "Rival"));
    auto fields = visible<platform::ui::TextField>();
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_TRUE(fields[0]->isFirstResponder());
    // Return on the form's only field puts the keyboard away and sends the
    // form (a Submit tap after it would send it again once the answer is in).
    driver->pressReturn();
    driver->settle();
    EXPECT_FALSE(fields[0]->isFirstResponder());
    ASSERT_TRUE(waitUntil([&] { return driver->currentAlert() != nullptr; }));
    EXPECT_NE(driver->currentAlert()->message().find("name: has already been taken"), std::string::npos)
        << driver->currentAlert()->message();
    ASSERT_TRUE(driver->answerAlert(0));
    settleAfterTouch();
    EXPECT_EQ(screenName(), "QVNewAccountController");
    EXPECT_NE(state->userName(me), "Rival");

    ASSERT_TRUE(typeInto(0, "Zed"));
    ASSERT_TRUE(tap("Submit"));
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVLinkSocialNetworksController"; }));
    EXPECT_EQ(state->userName(me), "Zed");
    auto renames = serviceRequestsTo("users/update_name.xml");
    ASSERT_EQ(renames.size(), 2u);
    EXPECT_EQ(renames[0].param("user[name]"), "Rival");
    EXPECT_TRUE(renames[1].signatureValid);
}

TEST_F(FormsEndToEnd, HelpIsTheServicesSignedPageAndItsPopLinkClosesIt)
{
    launchAndLogIn();
    openDashboard();
    ASSERT_TRUE(tapTab("My Quorvel"));
    ASSERT_TRUE(tapText("Help"));
    ASSERT_TRUE(waitForScreen("QVHelpController"));
    EXPECT_TRUE(shows("Help"));
    auto pages = visible<platform::ui::WebView>();
    ASSERT_EQ(pages.size(), 1u);
    platform::ui::WebView* page = pages[0];
    EXPECT_EQ(page->request().url.rfind(serviceBaseUrl() + "help.iphone", 0), 0u)
        << page->request().url;
    bool signedRequest = false;
    for (auto& [name, value] : page->request().headers)
        signedRequest |= name == "Authorization" && value.find("oauth_signature") != std::string::npos;
    EXPECT_TRUE(signedRequest);
    ASSERT_TRUE(waitUntil([&] { return !page->isLoading(); }));

    // A link of the page into the client: it closes the page, and no web load follows it.
    EXPECT_FALSE(page->page().navigate("quorvel:pop"));
    settleAfterTouch();
    ASSERT_TRUE(waitForScreen("QVMyQuorvelController"));
}

} // namespace
