// The account forms on the recording provider: each form's path and ordered
// parameters, where a finished form goes (its completion callback first,
// else its completion screen), the texts it shows, the server's refusals,
// the extended-credential overlays' waiting request, and renders of the
// approval, login and new-account screens checked by pixel probes.
#include "social/dashboard/account/QVChangeEmailController.h"
#include "social/dashboard/account/QVChangeNameController.h"
#include "social/dashboard/account/QVChangePasswordController.h"
#include "social/dashboard/account/QVHttpCredentialsCreateController.h"
#include "social/dashboard/account/QVResetPasswordController.h"
#include "social/dashboard/common/QVUsersCredentialCell.h"
#include "social/ui/ScreenTestKit.h"

#include "platform/device/Application.h"
#include "platform/device/Device.h"
#include "platform/foundation/Boxed.h"
#include "platform/foundation/Format.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "social/runtime/FBSession.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVActionRequest.h"
#include "social/services/QVSocialNotificationService.h"
#include "social/services/QVUsersCredential.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/QVNavigationController.h"
#include "social/ui/QVShowMessageAndReturnController.h"
#include "social/ui/QVViewHelper.h"
#include "social/dashboard/account/QVAccountClasses.h"
#include "social/dashboard/account/QVQuorvelAccountLoginController.h"
#include "social/dashboard/account/QVDoBootstrapController.h"
#include "social/dashboard/account/QVExistingAccountController.h"
#include "social/dashboard/account/QVNewAccountController.h"
#include "social/dashboard/account/QVLinkSocialNetworksController.h"
#include "social/dashboard/account/QVGameCenterIntegrationController.h"
#include "social/dashboard/account/QVIntroNavigationController.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVFramedContentWrapperView.h"
#include "social/ui/QVLoadingController.h"
#include "social/dashboard/account/QVFacebookAccountLoginController.h"
#include "social/dashboard/account/QVTwitterAccountLoginController.h"
#include "social/dashboard/account/QVFacebookExtendedCredentialController.h"
#include "social/dashboard/account/QVTwitterExtendedCredentialController.h"
#include "social/dashboard/account/QVUIInvisibleKeyboardTrap.h"
#include "social/dashboard/account/QVUseNewOrOldAccountController.h"
#include "social/dashboard/account/QVUserQuorvelApprovalController.h"
#include "tools/standin/StandInServer.h"

#include <functional>

using namespace quorvel;
using namespace platform::ui;
using platform::Object;
using platform::Ref;
using screen_testing::near;
using screen_testing::pixelAt;
using P = std::vector<std::pair<std::string, std::string>>;

namespace account_form_tests {

class Calls final : public Object {
public:
    static Ref<Calls> create() { return platform::adoptRef(new Calls); }
    void called(Object* argument)
    {
        ++count;
        last = argument;
    }
    void failed(Object*) { ++failures; }
    QVDelegate delegate() { return QVDelegate(this, BRISKO_SELECTOR(Calls, called)); }
    QVDelegate failure() { return QVDelegate(this, BRISKO_SELECTOR(Calls, failed)); }
    int count { 0 };
    int failures { 0 };
    Object* last { nullptr };
};

class AccountFormTest : public screen_testing::ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        QVRegisterAccountClasses();
    }
    void TearDown() override
    {
        AlertView::forgetAllShown();
        for (auto& d : std::vector<Ref<FBDialog>>(FBDialog::shownDialogs()))
            d->dismiss();
        nav = nullptr;
        framed = nullptr;
        settle(1);
        // The link-networks screen marks itself seen for the run.
        QVLinkSocialNetworksController::invalidateSessionSeenLinkSocialNetworksScreen();
        ScreenTest::TearDown();
    }
    // The screen made by name, shown at the bottom of a stack (below it `under`, when given).
    template <typename T>
    Ref<T> show(const std::string& name, ViewController* under = nullptr)
    {
        Ref<ViewController> screen = QVControllerLoader::load(name);
        Ref<T> typed(dynamic_cast<T*>(screen.get()));
        EXPECT_TRUE(typed) << name;
        if (!typed)
            return nullptr;
        if (under) {
            nav = QVNavigationController::withRootViewController(under);
            driver().showController(nav.get());
            nav->pushViewController(typed.get(), false);
        } else {
            nav = QVNavigationController::withRootViewController(typed.get());
            driver().showController(nav.get());
        }
        settle();
        return typed;
    }
    void typeInto(int tag, const std::string& text)
    {
        View* field = QVViewHelper::findViewByTag(nav->topViewController()->view(), tag);
        ASSERT_TRUE(field);
        ASSERT_TRUE(driver().tap(field));
        ASSERT_TRUE(driver().type(text));
    }
    Button* buttonTitled(const std::string& title)
    {
        return findButton(nav->topViewController()->view(), title);
    }
    static Button* findButton(View* view, const std::string& title)
    {
        if (auto* b = dynamic_cast<Button*>(view); b && b->currentTitle() == title)
            return b;
        for (auto& sub : view->subviews())
            if (Button* found = findButton(sub.get(), title))
                return found;
        return nullptr;
    }
    void tapButton(const std::string& title)
    {
        Button* b = buttonTitled(title);
        ASSERT_TRUE(b) << title;
        ASSERT_TRUE(driver().tap(b)) << title;
        settle();
    }
    // The first parameters of the request, in order (the client's information fields follow).
    static P leading(const screen_testing::RecordedRequest& r, size_t n)
    {
        return P(r.parameters.begin(), r.parameters.begin() + std::min(n, r.parameters.size()));
    }
    std::string udid() { return platform::ui::Device::currentDevice().uniqueIdentifier(); }
    std::string topMessage()
    {
        auto* message = dynamic_cast<QVShowMessageAndReturnController*>(nav->topViewController());
        return message ? message->messageLabel()->text() : std::string();
    }

    // The switch-account list at the bottom of a framed stack, shown.
    Ref<QVUseNewOrOldAccountController> showFramedSwitchAccountList()
    {
        Ref<ViewController> screen = QVControllerLoader::load("UseNewOrOldAccount");
        Ref<QVUseNewOrOldAccountController> list(dynamic_cast<QVUseNewOrOldAccountController*>(screen.get()));
        if (!list)
            return nullptr;
        framed = QVFramedNavigationController::withRootViewController(list.get());
        driver().showController(framed.get());
        settle(1);
        return list;
    }
    // The list's header and footer span it, the button is centred and the prompt stays inside.
    static void expectHeaderAndFooterFit(QVUseNewOrOldAccountController* list)
    {
        const float width = list->tableView()->bounds().size.width;
        View* header = list->tableView()->tableHeaderView();
        View* footer = list->tableView()->tableFooterView();
        ASSERT_TRUE(header && footer && list->footerButton());
        EXPECT_EQ(header->frame().size.width, width);
        EXPECT_EQ(footer->frame().size.width, width);
        EXPECT_EQ(list->footerButton()->frame().midX(), width / 2);
        for (auto& sub : header->subviews())
            EXPECT_LE(sub->frame().maxX(), width);
    }

    Ref<QVNavigationController> nav;
    Ref<QVFramedNavigationController> framed;
};

TEST_F(AccountFormTest, LoginSendsTheCredentialUnsignedAndAFailedLoginNeverClaimsSuccess)
{
    screen_testing::RecordingProvider recording;
    auto done = Calls::create();
    auto login = show<QVQuorvelAccountLoginController>("QuorvelAccountLogin");
    login->setCompletionDelegate(done->delegate());
    typeInto(1, "ann@example.com");
    typeInto(2, "s3cret");
    tapButton("Log In");
    auto requests = recording.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "session.xml");
    EXPECT_EQ(leading(requests[0], 4), (P { { "credential[email]", "ann@example.com" }, { "credential[password]", "s3cret" },
                                            { "udid", udid() }, { "credential_type", "http_basic" } }));
    ASSERT_TRUE(recording.answerWithXml("<resources></resources>"));
    settle(1);
    // No client to log in again here: the bootstrap fails, and the player is told so.
    auto* error = dynamic_cast<QVDeadEndErrorController*>(nav->topViewController());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message(), QVAccountSetupBaseController::kLoginFailedMessage);
    // The completion that follows says it failed.
    EXPECT_EQ(done->count, 1);
    EXPECT_TRUE(QVAccountSetupBaseController::isLoginFailure(done->last));
    EXPECT_FALSE(QVAccountSetupBaseController::isLoginFailure(nullptr));
}

TEST_F(AccountFormTest, ARefusedLoginShowsTheServersReasonAndStays)
{
    screen_testing::RecordingProvider recording;
    auto login = show<QVQuorvelAccountLoginController>("QuorvelAccountLogin");
    typeInto(1, "ann@example.com");
    typeInto(2, "wrong");
    tapButton("Log In");
    ASSERT_TRUE(recording.answerWithXml(
        "<errors><error><field>base</field><reason>The e-mail address or password is not correct.</reason></error></errors>",
        422));
    settle(1);
    AlertView* alert = driver().currentAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Oops! There was a problem:");
    EXPECT_EQ(alert->message(), "The e-mail address or password is not correct.\n");
    EXPECT_EQ(nav->topViewController(), login.get());
}

TEST_F(AccountFormTest, ACompletionCallbackTakesPrecedenceOverTheCompletionScreen)
{
    screen_testing::RecordingProvider recording;
    auto bottom = QVControllerLoader::load("ShowMessageAndReturn");
    auto twitter = show<QVTwitterAccountLoginController>("TwitterAccountLogin", bottom.get());
    // A screen outside the account forms between the bottom and the forms.
    auto below = QVControllerLoader::load("ShowMessageAndReturn");
    nav->setViewControllers({ bottom, below, Ref<ViewController>(twitter.get()) }, false);
    settle();
    twitter->setupForConnectTwitter();
    typeInto(1, "ann");
    typeInto(2, "pw");
    tapButton("Continue");
    auto requests = recording.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "users_credentials.xml");
    EXPECT_EQ(leading(requests[0], 5), (P { { "credential[username]", "ann" }, { "credential[password]", "pw" },
                                            { "udid", udid() }, { "credential_type", "twitter" },
                                            { "enable_stream_integration", "1" } }));
    ASSERT_TRUE(recording.answerWithXml("<resources></resources>"));
    settle(1);
    // No callback: the connected message, which returns to the screen below the account forms.
    auto* message = dynamic_cast<QVShowMessageAndReturnController*>(nav->topViewController());
    ASSERT_TRUE(message);
    EXPECT_EQ(message->messageTitleLabel()->text(), "Connected to Twitter");
    EXPECT_EQ(message->controllerToPopTo(), below.get());

    // With a callback nothing is pushed.
    auto done = Calls::create();
    auto again = show<QVTwitterAccountLoginController>("TwitterAccountLogin");
    again->setupForConnectTwitter();
    again->setCompletionDelegate(done->delegate());
    tapButton("Continue");
    ASSERT_TRUE(recording.answerWithXml("<resources></resources>"));
    settle(1);
    EXPECT_EQ(done->count, 1);
    EXPECT_EQ(nav->topViewController(), again.get());
}

TEST_F(AccountFormTest, SecureAccountSendsTheConfirmationAsTypedAndShowsAFieldError)
{
    screen_testing::RecordingProvider recording;
    show<QVHttpCredentialsCreateController>("HttpCredentialsCreate");
    typeInto(2, "ann@example.com");
    typeInto(3, "one");
    typeInto(4, "two");
    tapButton("Secure Account");
    auto requests = recording.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "users_credentials.xml");
    EXPECT_EQ(leading(requests[0], 5),
              (P { { "credential[email]", "ann@example.com" }, { "credential[password]", "one" },
                   { "credential[password_confirmation]", "two" }, { "udid", udid() }, { "credential_type", "http_basic" } }));
    ASSERT_TRUE(recording.answerWithXml(
        "<errors><error><field>password</field><reason>doesn't match confirmation</reason></error></errors>", 422));
    settle(1);
    ASSERT_TRUE(driver().currentAlert());
    EXPECT_EQ(driver().currentAlert()->message(), "- password: doesn't match confirmation\n");
}

TEST_F(AccountFormTest, FacebookFormBeforeAFacebookLoginSendsAZeroIdAndNoStreamFlagOnALogin)
{
    screen_testing::RecordingProvider recording;
    auto facebook = show<QVFacebookAccountLoginController>("FacebookAccountLogin");
    // The login dialog came up by itself; a second prompt opens no second one.
    ASSERT_TRUE(facebook->loginDialog());
    size_t dialogs = FBDialog::shownDialogs().size();
    facebook->promptToLogin();
    EXPECT_EQ(FBDialog::shownDialogs().size(), dialogs);
    facebook->onSubmitForm();
    settle();
    auto requests = recording.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "session.xml");
    EXPECT_EQ(leading(requests[0], 5), (P { { "udid", udid() }, { "credential_type", "fbconnect" },
                                            { "credential[fbuid]", "0" }, { "credential[session_key]", "" },
                                            { "info_client_application_version", requests[0].parameters.size() > 4 ? requests[0].parameters[4].second : "" } }));
    for (auto& [name, value] : requests[0].parameters)
        EXPECT_NE(name, "enable_stream_integration");
}

TEST_F(AccountFormTest, NetworkFormsLogInOrLinkByTheirMode)
{
    screen_testing::RecordingProvider recording;
    struct Case {
        const char* name;
        bool adding;
        const char* path;
        const char* resource;
        const char* loadingText;
    };
    for (const Case& c : { Case { "FacebookAccountLogin", false, "session.xml", "credential", "Logging In To Quorvel" },
                           Case { "FacebookAccountLogin", true, "users_credentials.xml", "users_credential",
                                  "Connecting To Facebook" },
                           Case { "TwitterAccountLogin", false, "session.xml", "credential", "Logging In To Quorvel" },
                           Case { "TwitterAccountLogin", true, "users_credentials.xml", "credential",
                                  "Connecting To Twitter" } }) {
        Ref<ViewController> made = QVControllerLoader::loadWithParams(
            c.name, { { "addingAdditionalCredential", platform::Boxed::box(platform::Value(c.adding)) } });
        auto* form = dynamic_cast<QVAccountSetupBaseController*>(made.get());
        ASSERT_TRUE(form) << c.name;
        EXPECT_EQ(form->addingAdditionalCredential(), c.adding);
        EXPECT_EQ(form->getFormSubmissionUrl(), c.path) << c.name;
        EXPECT_EQ(form->singularResourceName(), c.resource) << c.name;
        EXPECT_EQ(form->getLoadingScreenText(), c.loadingText) << c.name;
        // Linking goes with the player's token; logging in without.
        EXPECT_EQ(form->shouldUseOAuth(), c.adding) << c.name;
    }
    // A linked Facebook account sends the stream choice; the standard logged-in message names the player.
    auto facebook = show<QVFacebookAccountLoginController>("FacebookAccountLogin");
    facebook->setAddingAdditionalCredential(true);
    facebook->onSubmitForm();
    settle();
    auto requests = recording.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "users_credentials.xml");
    EXPECT_EQ(leading(requests[0], 5), (P { { "udid", udid() }, { "credential_type", "fbconnect" },
                                            { "credential[fbuid]", "0" }, { "credential[session_key]", "" },
                                            { "enable_stream_integration", "1" } }));
    auto loggedIn = QVAccountSetupBaseController::getStandardLoggedInController();
    ASSERT_TRUE(loggedIn);
    EXPECT_EQ(loggedIn->messageLabel()->text(), "You are now logged into Quorvel as:\n ");
    EXPECT_EQ(loggedIn->messageTitleLabel()->text(), "Switch Accounts");
}

TEST_F(AccountFormTest, ARefusedFacebookLoginAsksAgainAndACancelledDialogLeaves)
{
    screen_testing::RecordingProvider recording;
    auto bottom = QVControllerLoader::load("ShowMessageAndReturn");
    auto facebook = show<QVFacebookAccountLoginController>("FacebookAccountLogin", bottom.get());
    settle(1);
    auto* login = dynamic_cast<FBLoginDialog*>(facebook->loginDialog());
    ASSERT_TRUE(login);
    login->succeedWithSession(7, "key-7", "secret-7", 0);
    settle();
    EXPECT_FALSE(facebook->loginDialog());
    EXPECT_EQ(facebook->fbuid(), 7u);
    facebook->onSubmitForm();
    settle();
    auto requests = recording.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(leading(requests[0], 4), (P { { "udid", udid() }, { "credential_type", "fbconnect" },
                                            { "credential[fbuid]", "7" }, { "credential[session_key]", "key-7" } }));
    ASSERT_TRUE(recording.answerWithXml(
        "<errors><error><field>base</field><reason>That Facebook account is not linked.</reason></error></errors>", 422));
    settle(1);
    // The old session is gone and the dialog is up again.
    EXPECT_EQ(facebook->fbuid(), 0u);
    ASSERT_TRUE(facebook->loginDialog());
    facebook->loginDialog()->cancel();
    settle(1);
    EXPECT_EQ(nav->topViewController(), bottom.get());
}

TEST_F(AccountFormTest, AFailedOrCancelledFacebookLoginAlertsAsItShouldAndLeaves)
{
    const std::string permissions = "Unable to get your name from Facebook. Please make sure the proper permissions "
                                    "are set on your profile at http://www.facebook.com";
    struct Case {
        const char* what;
        std::function<void(QVFacebookAccountController*)> end;
        std::string alertMessage; // empty: no alert at all
    };
    for (const Case& c : {
             Case { "dialog failed",
                    [](QVFacebookAccountController* f) {
                        f->loginDialog()->fail(FBError { "NSURLErrorDomain", -1001, "The request timed out." });
                    },
                    "The request timed out." },
             Case { "request failed",
                    [](QVFacebookAccountController* f) {
                        FBRequest::requestWithDelegate(f)->fail(FBError { "facebook", 102, "Session key invalid." });
                    },
                    "Session key invalid." },
             Case { "request cancelled", [](QVFacebookAccountController* f) { FBRequest::requestWithDelegate(f)->cancel(); },
                    permissions },
             Case { "dialog cancelled", [](QVFacebookAccountController* f) { f->loginDialog()->cancel(); }, "" } }) {
        SCOPED_TRACE(c.what);
        auto bottom = QVControllerLoader::load("ShowMessageAndReturn");
        auto facebook = show<QVFacebookAccountLoginController>("FacebookAccountLogin", bottom.get());
        settle(1);
        Ref<FBDialog> dialog(facebook->loginDialog());
        ASSERT_TRUE(dialog);
        c.end(facebook.get());
        settle(1);
        auto alerts = AlertView::visibleAlerts();
        if (c.alertMessage.empty()) {
            EXPECT_TRUE(alerts.empty());
        } else {
            ASSERT_EQ(alerts.size(), 1u);
            EXPECT_EQ(alerts[0]->title(), "Facebook Connect Error");
            EXPECT_EQ(alerts[0]->message(), c.alertMessage);
            EXPECT_EQ(alerts[0]->buttonTitles(), (std::vector<std::string> { "Ok" }));
        }
        EXPECT_FALSE(facebook->loginDialog());
        EXPECT_FALSE(dialog->isShowing());
        EXPECT_EQ(nav->topViewController(), bottom.get());
        AlertView::forgetAllShown();
    }
}

TEST_F(AccountFormTest, AnOutsideLinkFromTheFacebookDialogOpensOnlyWhenThePlayerChoosesTo)
{
    auto facebook = show<QVFacebookAccountLoginController>("FacebookAccountLogin");
    settle(1);
    ASSERT_TRUE(facebook->loginDialog());
    auto& app = platform::ui::Application::sharedApplication();
    const size_t opened = app.openedURLs().size();
    const std::string expected = platform::format("Exit %s and open m.example.invalid in Safari?",
                                                  QuorvelInternal::session().applicationDisplayName().c_str());
    for (const char* url : { "https://m.example.invalid/terms.php?r=1", "http://m.example.invalid/help" }) {
        // The dialog does not open the link itself; the player is asked.
        EXPECT_FALSE(facebook->loginDialog()->openExternalLink(url));
        EXPECT_EQ(facebook->urlToLaunch(), url);
        auto alerts = AlertView::visibleAlerts();
        ASSERT_EQ(alerts.size(), 1u);
        EXPECT_EQ(alerts[0]->title(), "Open Link In Safari");
        EXPECT_EQ(alerts[0]->message(), expected);
        EXPECT_EQ(alerts[0]->buttonTitles(), (std::vector<std::string> { "Cancel", "Open Link" }));
    }
    // "Cancel" opens nothing.
    ASSERT_TRUE(AlertView::visibleAlerts().back()->clickButton(0));
    EXPECT_EQ(app.openedURLs().size(), opened);
    EXPECT_FALSE(facebook->loginDialog()->openExternalLink("http://m.example.invalid/privacy"));
    ASSERT_TRUE(AlertView::visibleAlerts().back()->clickButton("Open Link"));
    ASSERT_EQ(app.openedURLs().size(), opened + 1);
    EXPECT_EQ(app.openedURLs().back(), "http://m.example.invalid/privacy");
    // The form and its dialog stay.
    EXPECT_TRUE(facebook->loginDialog());
    EXPECT_EQ(nav->topViewController(), facebook.get());
}

TEST_F(AccountFormTest, PasswordFormsSayWhetherThePasswordChangedAndResetSendsOnlyTheUser)
{
    screen_testing::RecordingProvider recording;
    show<QVChangePasswordController>("ChangePassword");
    typeInto(1, "old");
    tapButton("Change Password");
    auto requests = recording.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "http_basic_credentials/update_password.xml");
    EXPECT_EQ(leading(requests[0], 4), (P { { "http_basic_credential[old_password]", "old" },
                                            { "http_basic_credential[password]", "" },
                                            { "http_basic_credential[password_confirmation]", "" }, { "id", "me" } }));
    ASSERT_TRUE(recording.answerWithXml("<resources></resources>"));
    settle(1);
    EXPECT_EQ(topMessage(), "Your password has not been changed.");

    show<QVResetPasswordController>("ResetPassword");
    ASSERT_TRUE(buttonTitled("Reset Your Password"));
    tapButton("Reset Your Password");
    requests = recording.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].path, "support/do_pw_reset.xml");
    ASSERT_FALSE(requests[1].parameters.empty());
    EXPECT_EQ(requests[1].parameters[0].first, "id");
    EXPECT_EQ(requests[1].parameters[1].first, "info_client_application_version");
    ASSERT_TRUE(recording.answerWithXml("<resources></resources>"));
    settle(1);
    EXPECT_EQ(topMessage(), "We generated a new password and sent an email to the address we have on file. It should "
                            "be there in a few minutes.");
}

TEST_F(AccountFormTest, EmailAndNameFormsConfirmTheNewValue)
{
    screen_testing::RecordingProvider recording;
    auto email = show<QVChangeEmailController>("ChangeEmail");
    auto requests = recording.requests();
    ASSERT_EQ(requests.size(), 1u); // the current address
    ASSERT_TRUE(recording.answerWithFailure());
    settle(1);
    EXPECT_EQ(email->currentEmailLabel()->text(), "error getting email for user");
    typeInto(1, "new@example.com");
    tapButton("Change Email");
    requests = recording.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].path, "http_basic_credentials/update_email.xml");
    EXPECT_EQ(leading(requests[1], 2), (P { { "http_basic_credential[email]", "new@example.com" }, { "id", "me" } }));
    ASSERT_TRUE(recording.answerWithXml("<resources></resources>"));
    settle(1);
    EXPECT_EQ(topMessage(), "Your email has been changed to\nnew@example.com.");

    show<QVChangeNameController>("ChangeName");
    typeInto(1, "Zed");
    tapButton("Change Name");
    requests = recording.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].path, "users/update_name.xml");
    EXPECT_EQ(leading(requests[2], 2), (P { { "user[name]", "Zed" }, { "id", "me" } }));
    ASSERT_TRUE(recording.answerWithXml("<resources></resources>"));
    settle(1);
    EXPECT_EQ(topMessage(), "You have changed your Quorvel name to Zed.");
}

TEST_F(AccountFormTest, ARefusedNameReenablesTheButtonsAndAnUnchangedNameSendsNothing)
{
    screen_testing::RecordingProvider recording;
    auto naming = show<QVNewAccountController>("NewAccount");
    // The field holds the current name (none here): submitting it unchanged sends nothing.
    tapButton("Continue");
    EXPECT_TRUE(recording.requests().empty());
    EXPECT_TRUE(naming->hasBeenDismissed());

    naming = show<QVNewAccountController>("NewAccount");
    typeInto(1, "taken");
    tapButton("Submit");
    ASSERT_EQ(recording.requests().size(), 1u);
    EXPECT_FALSE(naming->acceptNameButton()->isEnabled());
    EXPECT_TRUE(naming->nameLoadingView());
    ASSERT_TRUE(recording.answerWithXml(
        "<errors><error><field>name</field><reason>has already been taken</reason></error></errors>", 422));
    settle(1);
    EXPECT_TRUE(naming->acceptNameButton()->isEnabled());
    EXPECT_TRUE(naming->alreadyHaveAccountButton()->isEnabled());
    EXPECT_FALSE(naming->nameLoadingView());
    ASSERT_TRUE(driver().currentAlert());
    EXPECT_EQ(driver().currentAlert()->message(), "- name: has already been taken\n");
}

TEST_F(AccountFormTest, TheNewAccountBackButtonShowsWheneverGoingBackIsAllowed)
{
    for (bool hideBar : { false, true }) {
        for (bool allowBack : { false, true }) {
            auto naming = platform::dynamicRef<QVNewAccountController>(QVControllerLoader::load("NewAccount"));
            ASSERT_TRUE(naming);
            naming->setHideNavigationBar(hideBar);
            naming->setAllowNavigatingBack(allowBack);
            naming->view();
            naming->viewWillAppear(false);
            EXPECT_EQ(naming->navigationItem()->hidesBackButton(), !allowBack) << "bar hidden: " << hideBar;
        }
    }
}

TEST_F(AccountFormTest, LinkingANetworkFindsItsFriendsOrLinksItFirstAndThePhoneScreenIsFilled)
{
    screen_testing::RecordingProvider recording;
    auto link = show<QVLinkSocialNetworksController>("LinkSocialNetworks");
    EXPECT_EQ(link->view()->bounds(), platform::Rect(0, 0, 320, 480));
    link->viewDidDisappear(false);
    host().orientation = InterfaceOrientation::LandscapeRight;
    link->viewDidAppear(false);
    EXPECT_EQ(link->view()->bounds(), platform::Rect(0, 0, 480, 320));
    host().orientation = InterfaceOrientation::Portrait;
    link->viewDidAppear(false);

    // Facebook already linked: its friends are looked up, no login screen.
    ASSERT_TRUE(driver().tap(link->connectFacebookButton()));
    settle();
    ASSERT_EQ(recording.requests().size(), 1u);
    EXPECT_EQ(recording.requests()[0].path, "users_credentials");
    ASSERT_TRUE(recording.answerWithXml(
        "<?xml version=\"1.0\"?><resources><users_credential><credential_type>fbconnect</credential_type>"
        "</users_credential></resources>"));
    settle(1);
    ASSERT_EQ(recording.requests().size(), 2u);
    EXPECT_EQ(recording.requests()[1].path, "users_credentials/import_friends");
    ASSERT_TRUE(recording.answerWithXml("<resources></resources>"));
    settle(1);
    EXPECT_NE(topMessage().find("Facebook friends"), std::string::npos);

    // Twitter not linked: the player links it first.
    nav->popToViewController(link.get(), false);
    settle(1);
    link->onImportFromTwitter();
    settle();
    ASSERT_TRUE(recording.answerWithXml("<?xml version=\"1.0\"?><resources></resources>"));
    settle(1);
    EXPECT_EQ(nav->topViewController()->className(), "QVTwitterAccountLoginController");
    EXPECT_EQ(recording.requests().size(), 3u);
    EXPECT_EQ(link->importer()->controller(), link.get());
}

TEST_F(AccountFormTest, ANewAccountWithoutACompletedLoginEndsTheFlowInsteadOfStalling)
{
    screen_testing::RecordingProvider recording;
    QuorvelInternal::login().invalidateBootstrap();
    auto done = Calls::create();
    auto naming = show<QVNewAccountController>("NewAccount");
    naming->setCloseDashboardOnCompletion(true);
    naming->setCompleteDelegate(done->delegate());
    tapButton("Continue");
    EXPECT_TRUE(naming->hasBeenDismissed());
    EXPECT_EQ(done->count, 1);
    naming->dismiss();
    EXPECT_EQ(done->count, 1);
    EXPECT_EQ(nav->topViewController(), naming.get()); // nothing pushed
}

TEST_F(AccountFormTest, TheCredentialCellKnowsThreeTypesAndOpensTheScreenThatExists)
{
    EXPECT_EQ(QVUsersCredentialCell::getCredentialControllerName("http_basic"), "HttpCredentialsCreate");
    EXPECT_TRUE(QVControllerLoader::load(*QVUsersCredentialCell::getCredentialControllerName("http_basic")));
    EXPECT_EQ(QVUsersCredentialCell::getCredentialImage("twitter"), "QuorvelAccountSetupTwitterConnectButton.png");
    EXPECT_EQ(QVUsersCredentialCell::getCredentialCellText("http_basic"), "Create New Password");
    EXPECT_FALSE(QVUsersCredentialCell::getCredentialControllerName("myspace"));
    EXPECT_FALSE(QVUsersCredentialCell::getCredentialImage("myspace"));
}

TEST_F(AccountFormTest, SwitchingToAnAccountThatCannotLogInSaysSo)
{
    screen_testing::RecordingProvider recording;
    auto list = show<QVUseNewOrOldAccountController>("UseNewOrOldAccount");
    EXPECT_EQ(list->title(), "Choose Account");
    settle(1);
    auto requests = recording.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "users/for_device.xml");
    ASSERT_TRUE(recording.answerWithXml(standin::StandInServer::deviceAccountsAnswer(2)));
    settle(1);
    ASSERT_TRUE(list->tableView()->tapRowForTest(IndexPath::forRow(1, 0)));
    settle(1);
    // No client to log the account in here: the dead end, never the logged-in message.
    auto* error = dynamic_cast<QVDeadEndErrorController*>(nav->topViewController());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message(), QVAccountSetupBaseController::kLoginFailedMessage);
    ASSERT_TRUE(list->footerButton());
}

TEST_F(AccountFormTest, TheSwitchAccountListsHeaderAndFooterTakeTheFramedContentsWidth)
{
    screen_testing::RecordingProvider recording;
    auto list = showFramedSwitchAccountList();
    ASSERT_TRUE(list);
    ASSERT_TRUE(recording.answerWithXml(standin::StandInServer::deviceAccountsAnswer(2)));
    settle(1);
    auto* wrapper = dynamic_cast<QVFramedContentWrapperView*>(list->view());
    ASSERT_TRUE(wrapper);
    EXPECT_EQ(wrapper->wrappedView()->bounds().size.width, 308);
    expectHeaderAndFooterFit(list.get());
}

TEST_F(AccountFormTest, TheSwitchAccountListIsLaidOutForTheFramedWidthBeforeItsListArrivesAndWhenItFails)
{
    for (Device device : { Device::Phone, Device::Tablet }) {
        SCOPED_TRACE(device == Device::Phone ? "phone" : "tablet");
        useDevice(device);
        screen_testing::RecordingProvider recording;
        auto list = showFramedSwitchAccountList();
        ASSERT_TRUE(list);
        ASSERT_TRUE(recording.waitingCount() > 0) << "the list is still on its way";
        expectHeaderAndFooterFit(list.get());
        ASSERT_TRUE(recording.answerWithFailure());
        settle(1);
        expectHeaderAndFooterFit(list.get());
    }
}

TEST_F(AccountFormTest, TheMainAccountButtonsStretchBetweenCapsOfSeven)
{
    auto caps = [](Button* button) {
        ImageAsset* normal = button ? button->backgroundImageForState(StateNormal) : nullptr;
        return normal ? std::make_pair(normal->leftCapWidth(), normal->topCapHeight()) : std::make_pair(-1, -1);
    };
    const auto seven = std::make_pair(7, 7);
    auto approval = show<QVUserQuorvelApprovalController>("UserQuorvelApproval");
    EXPECT_EQ(caps(dynamic_cast<Button*>(approval->view()->viewWithTag(1))), seven);
    show<QVExistingAccountController>("ExistingAccount");
    EXPECT_EQ(caps(buttonTitled("Continue")), seven);
    screen_testing::RecordingProvider recording;
    auto list = show<QVUseNewOrOldAccountController>("UseNewOrOldAccount");
    EXPECT_EQ(caps(list->footerButton()), seven);
}

TEST_F(AccountFormTest, TheExistingAccountScreenIsClearOnlyOnALargeScreen)
{
    auto phone = show<QVExistingAccountController>("ExistingAccount");
    EXPECT_NE(phone->view()->backgroundColor(), std::optional<Color>(Color::clear()));
    useDevice(ScreenTest::Device::Tablet);
    auto tablet = show<QVExistingAccountController>("ExistingAccount");
    EXPECT_EQ(tablet->view()->backgroundColor(), std::optional<Color>(Color::clear()));
}

TEST_F(AccountFormTest, TheIntroFramesLoadingOverlayFadesOutInsideTheFrame)
{
    auto screen = QVControllerLoader::load("NewAccount");
    Ref<QVIntroNavigationController> intro = QVIntroNavigationController::framing(screen.get());
    ASSERT_TRUE(intro);
    host().introFrame = intro.get();
    driver().showController(intro.get());
    settle();
    auto* nav = dynamic_cast<QVNavigationController*>(intro->navController());
    ASSERT_TRUE(nav);
    nav->showLoadingIndicator();
    settle(1); // in view
    Ref<View> overlay(intro->loadingView());
    ASSERT_TRUE(overlay);
    EXPECT_EQ(overlay->superview(), intro->view());
    nav->hideLoadingIndicator();
    // The frame forgets it; it stays to play its fade, and takes no touch meanwhile.
    EXPECT_EQ(intro->loadingView(), nullptr);
    EXPECT_EQ(overlay->superview(), intro->view());
    EXPECT_FALSE(overlay->isUserInteractionEnabled());
    settle(QVLoadingView::kDisappearDuration + 0.1);
    EXPECT_EQ(overlay->superview(), nullptr);
    host().introFrame = nullptr;
    intro->view()->removeFromSuperview();
}

TEST_F(AccountFormTest, TheKeyboardTrapStaysOnTopAndLetsTouchesThroughToWhatItHolds)
{
    auto parent = View::viewWithFrame(platform::Rect(0, 0, 320, 480));
    auto trap = QVUIInvisibleKeyboardTrap::trapWithFrame(platform::Rect(0, 0, 320, 480));
    auto sibling = View::viewWithFrame(platform::Rect(0, 0, 320, 480));
    parent->addSubview(trap.get());
    parent->addSubview(sibling.get());
    EXPECT_EQ(parent->subviews().back().get(), sibling.get());
    EXPECT_EQ(trap->hitTest(platform::Point(10, 10)), nullptr); // empty: catches nothing
    auto held = View::viewWithFrame(platform::Rect(0, 400, 320, 80));
    trap->addSubview(held.get());
    EXPECT_EQ(parent->subviews().back().get(), trap.get());
    EXPECT_EQ(trap->hitTest(platform::Point(10, 420)), held.get());
    EXPECT_EQ(trap->hitTest(platform::Point(10, 10)), nullptr);
    held->removeFromSuperview();
    EXPECT_EQ(parent->subviews().front().get(), trap.get());
}

// ---- Extended credentials

class ExtendedCredentialTest : public AccountFormTest {
protected:
    // A request waiting for a credential, as the request layer hands it over.
    Ref<QVActionRequest> waitingRequest(screen_testing::RecordingProvider& recording)
    {
        auto loader = recording.provider()->getRequestForAction("notifications.xml", {}, "POST", request->delegate(),
                                                                 request->failure(), 0, nullptr, true);
        return QVActionRequest::requestWithLoader(recording.provider(), loader, request->delegate(), request->failure(),
                                                  0, nullptr, true);
    }
    Ref<Calls> request = Calls::create();
};

TEST_F(ExtendedCredentialTest, TheFacebookOverlayFadesItsOwnLoadingViewAndTheTwitterOneLiesOnItsPanel)
{
    Ref<ViewController> made = QVControllerLoader::load("FacebookExtendedCredential");
    Ref<QVFacebookExtendedCredentialController> facebook(dynamic_cast<QVFacebookExtendedCredentialController*>(made.get()));
    ASSERT_TRUE(facebook);
    // Shown on its own, as an overlay: no stack to show a loading screen.
    driver().showController(facebook.get());
    settle();
    View* loading = facebook->customLoadingView();
    ASSERT_TRUE(loading);
    EXPECT_TRUE(loading->isHidden());
    facebook->showLoadingScreen();
    EXPECT_FALSE(loading->isHidden());
    ASSERT_FALSE(View::runningAnimations().empty());
    EXPECT_EQ(View::runningAnimations().back().name, "customLoadingIn");
    EXPECT_DOUBLE_EQ(View::runningAnimations().back().duration, 0.25);
    settle(0.3);
    EXPECT_EQ(loading->alpha(), 1);
    facebook->hideLoadingScreen();
    EXPECT_TRUE(loading->isHidden());
    EXPECT_EQ(View::runningAnimations().back().name, "customLoadingOut");
    settle(0.3);
    EXPECT_EQ(loading->alpha(), 0);
    facebook->view()->removeFromSuperview();

    made = QVControllerLoader::load("TwitterExtendedCredential");
    Ref<QVTwitterExtendedCredentialController> twitter(dynamic_cast<QVTwitterExtendedCredentialController*>(made.get()));
    ASSERT_TRUE(twitter);
    twitter->view();
    ImageView* panel = twitter->backgroundWindow();
    ASSERT_TRUE(panel);
    ASSERT_TRUE(panel->image());
    EXPECT_EQ(panel->image()->leftCapWidth(), 0);
    EXPECT_EQ(panel->image()->topCapHeight(), 120);
    EXPECT_EQ(panel->contentMode(), ContentMode::ScaleToFill);
    EXPECT_EQ(panel->frame(), twitter->view()->bounds());
}

TEST_F(ExtendedCredentialTest, TheTwitterPasswordIsStoredThenTheWaitingRequestGoesAgainOnce)
{
    screen_testing::RecordingProvider recording;
    auto twitter = show<QVTwitterExtendedCredentialController>("TwitterExtendedCredential");
    twitter->setRequestRequiringCredential(waitingRequest(recording).get());
    twitter->setSocialNotification(QVSocialNotification::initWithText("I scored 10!").get());
    EXPECT_EQ(twitter->notificationText()->text(), "I scored 10!");
    typeInto(1, "pw");
    tapButton("Post");
    auto requests = recording.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "extended_credentials.xml");
    EXPECT_EQ(leading(requests[0], 2), (P { { "credential[password]", "pw" }, { "credential_type", "twitter" } }));
    ASSERT_TRUE(recording.answerWithXml("<resources></resources>"));
    settle(1);
    requests = recording.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].path, "notifications.xml");
    ASSERT_TRUE(recording.answerWithXml("<resources></resources>"));
    settle(1);
    EXPECT_EQ(request->count, 1);
    EXPECT_EQ(request->failures, 0);
}

TEST_F(ExtendedCredentialTest, ClosingTheOverlayEndsTheWaitingRequestThroughItsFailureOnce)
{
    screen_testing::RecordingProvider recording;
    {
        auto facebook = show<QVFacebookExtendedCredentialController>("FacebookExtendedCredential");
        EXPECT_FALSE(facebook->loginDialog()); // opens only when asked
        facebook->setRequestRequiringCredential(waitingRequest(recording).get());
        tapButton("Not Now");
        EXPECT_EQ(request->failures, 1);
        facebook->close();
    }
    nav = nullptr;
    settle(1);
    EXPECT_EQ(request->failures, 1);
    EXPECT_EQ(request->count, 0);
    EXPECT_TRUE(recording.requests().empty());
}

TEST_F(ExtendedCredentialTest, OnlyTheGrantedPermissionSubmitsTheFacebookCredential)
{
    screen_testing::RecordingProvider recording;
    auto facebook = show<QVFacebookExtendedCredentialController>("FacebookExtendedCredential");
    tapButton("Log In To Facebook");
    ASSERT_TRUE(facebook->loginDialog());
    auto* login = dynamic_cast<FBLoginDialog*>(facebook->loginDialog());
    ASSERT_TRUE(login);
    login->succeedWithSession(42, "key-1", "secret-1", 0);
    settle();
    EXPECT_EQ(facebook->fbuid(), 42u);
    EXPECT_TRUE(recording.requests().empty()) << "the login alone submits nothing";
    auto& shown = FBDialog::shownDialogs();
    ASSERT_FALSE(shown.empty());
    auto* permission = dynamic_cast<FBPermissionDialog*>(shown.back().get());
    ASSERT_TRUE(permission);
    EXPECT_EQ(permission->permission(), "publish_stream");
    permission->succeed();
    settle();
    auto requests = recording.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "extended_credentials.xml");
    EXPECT_EQ(leading(requests[0], 3), (P { { "udid", udid() }, { "credential_type", "fbconnect" },
                                            { "credential[has_extended_credentials]", "true" } }));
}

// ---- Renders

class AccountRenderTest : public AccountFormTest { };

TEST_F(AccountRenderTest, ApprovalLoginAndNewAccountScreensRender)
{
    struct Case {
        const char* name;
        const char* file;
        const char* buttonTitle;
    };
    for (const Case& c : { Case { "UserQuorvelApproval", "account_approval", "Use Quorvel" },
                           Case { "QuorvelAccountLogin", "account_login", "Log In" },
                           Case { "NewAccount", "account_new", "Continue" } }) {
        auto screen = show<ViewController>(c.name);
        ASSERT_TRUE(screen);
        Ref<platform::Image> image = render(c.file);
        ASSERT_TRUE(image);
        // The screen's dark background shows in the bottom-left corner.
        EXPECT_TRUE(near(pixelAt(*image, 4, 470), 41, 46, 51)) << c.name;
        // The main button is drawn with its skin: not the background at its centre.
        Button* button = buttonTitled(c.buttonTitle);
        ASSERT_TRUE(button) << c.name;
        platform::Rect frame = button->convertRectTo(button->bounds(), nullptr);
        auto centre = pixelAt(*image, int(frame.origin.x + 8), int(frame.origin.y + frame.size.height / 2));
        EXPECT_FALSE(near(centre, 41, 46, 51)) << c.name;
        nav = nullptr;
        settle(1);
    }
}

// The intro frame draws the kit's content frame over its stack's edges: the
// frame's dark rim, not the frame's light background, at the left edge.
TEST_F(AccountRenderTest, TheIntroFrameDrawsTheContentFrameArt)
{
    Ref<ViewController> screen = QVControllerLoader::load("UserQuorvelApproval");
    ASSERT_TRUE(screen);
    Ref<QVIntroNavigationController> intro = QVIntroNavigationController::framing(screen.get());
    ASSERT_TRUE(intro);
    driver().showController(intro.get());
    settle();
    ASSERT_TRUE(dynamic_cast<QVContentFrameView*>(intro->contentFrameView()));
    Ref<platform::Image> image = render("account_intro_frame");
    ASSERT_TRUE(image);
    platform::Rect frame = intro->contentFrameView()->convertRectTo(intro->contentFrameView()->bounds(), nullptr);
    auto rim = pixelAt(*image, int(frame.origin.x + 1), int(frame.origin.y + frame.size.height / 2));
    EXPECT_LT(rim.r, 60) << rim.r << "," << rim.g << "," << rim.b;
    intro->view()->removeFromSuperview();
    intro = nullptr;
    settle(1);
}

} // namespace account_form_tests
