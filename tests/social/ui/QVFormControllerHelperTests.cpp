// Forms: the nested and hidden parameters read from the views by tag (the
// kit's own text fields included), one submission at a time, the server's
// error alert, Return order, and a form that is never left submitting.
#include "ScreenTestKit.h"

#include "platform/ui/AlertView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Switch.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/ui/QVFormControllerHelper.h"
#include "social/ui/QVNavigationController.h"
#include "social/ui/QVTextControls.h"

using namespace quorvel;
using namespace platform::ui;
using platform::Rect;
using platform::Ref;

namespace form_tests {

// A login-like form: e-mail (tag 1), password in the kit's field (tag 2), a
// remember switch (tag 5) and a note in a text view (tag 7).
class TestForm : public QVFormControllerHelper {
    QV_DECLARE_CLASS(TestForm)
public:
    void loadView() override
    {
        auto scroll = ScrollView::scrollViewWithFrame(Rect(0, 0, 320, 416));
        email = TextField::textFieldWithFrame(Rect(10, 10, 300, 30));
        email->setTag(1);
        password = QVDefaultTextField::fieldWithFrame(Rect(10, 50, 300, 30));
        password->setTag(2);
        remember = Switch::switchWithFrame(Rect(10, 90, 94, 27));
        remember->setTag(5);
        note = TextView::textViewWithFrame(Rect(10, 130, 300, 60));
        note->setTag(7);
        for (View* v : std::initializer_list<View*> { email.get(), password.get(), remember.get(), note.get() })
            scroll->addSubview(v);
        setView(scroll.get());
    }
    void populateViewDataMap(QVViewDataMap& map) override
    {
        map.addField("email", 1);
        map.addField("password", 2);
        map.addField("remember", 5);
        map.addField("note", 7);
        map.addField("missing", 9);
    }
    std::string singularResourceName() override { return "user"; }
    std::string getFormSubmissionUrl() override { return "session.xml"; }
    void addHiddenParameters(QVHttpNestedQueryStringWriter& writer) override
    {
        std::string device = "dev-1";
        writer.io("udid", device);
    }
    void registerActionsNow() override
    {
        registerAction(QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(TestForm, firstAction))), 5);
        registerAction(QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(TestForm, secondAction))), 5);
    }
    void firstAction(platform::Object*) { actions.push_back("first"); }
    void secondAction(platform::Object*) { actions.push_back("second"); }
    void onFormSubmitted() override { ++submitted; }
    void onPresentingErrorDialog() override { ++errors; }

    Ref<TextField> email;
    Ref<QVDefaultTextField> password;
    Ref<Switch> remember;
    Ref<TextView> note;
    int submitted { 0 };
    int errors { 0 };
    std::vector<std::string> actions;
};

class DroppingProvider : public screen_testing::RecordingProvider {
public:
    bool isQuorvelDisabled() override { return true; }
};

class FormTest : public screen_testing::ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        form = platform::dynamicRef<TestForm>(TestForm::qvCreateInstance());
        form->init();
    }
    void TearDown() override
    {
        AlertView::forgetAllShown();
        nav = nullptr;
        form = nullptr;
        settle(1);
        ScreenTest::TearDown();
    }
    void show()
    {
        nav = QVNavigationController::withRootViewController(form.get());
        driver().showController(nav.get());
        settle();
    }
    void typeInto(View* field, const std::string& text)
    {
        ASSERT_TRUE(field->becomeFirstResponder());
        ASSERT_TRUE(driver().type(text));
    }

    Ref<TestForm> form;
    Ref<QVNavigationController> nav;
};

TEST_F(FormTest, SendsNestedAndHiddenParametersOnceWhileSubmitting)
{
    screen_testing::RecordingProvider recording;
    show();
    typeInto(form->email.get(), "ann@example.com");
    typeInto(form->password.get(), "s3cret");
    form->remember->setOn(true, false);
    form->note->setText("hi");

    form->onSubmitForm();
    form->onSubmitForm(); // still submitting: refused
    settle();
    auto requests = recording.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "session.xml");
    EXPECT_EQ(requests[0].method, "POST");
    using P = std::vector<std::pair<std::string, std::string>>;
    ASSERT_GE(requests[0].parameters.size(), 5u);
    EXPECT_EQ(P(requests[0].parameters.begin(), requests[0].parameters.begin() + 5), (P { { "user[email]", "ann@example.com" }, { "user[password]", "s3cret" },
                                           { "user[remember]", "1" }, { "user[note]", "hi" }, { "udid", "dev-1" } }));
    EXPECT_FALSE(platform::ui::Responder::firstResponder()); // the keyboard went away
    EXPECT_TRUE(nav->loadingController());

    ASSERT_TRUE(recording.answerWithXml("<session><id>1</id></session>"));
    settle(1);
    EXPECT_EQ(form->submitted, 1);
    EXPECT_FALSE(form->isSubmitting());
    EXPECT_FALSE(nav->loadingController());
}

TEST_F(FormTest, ShowsTheServersFieldErrorsInOneAlert)
{
    screen_testing::RecordingProvider recording;
    show();
    form->onSubmitForm();
    settle();
    ASSERT_TRUE(recording.answerWithXml("<errors><error><field>base</field><reason>Login failed</reason></error>"
                                        "<error><field>email</field><reason>is &amp;amp;lt;taken&amp;gt;</reason></error>"
                                        "</errors>",
                                        422));
    settle(1);
    ASSERT_EQ(AlertView::visibleAlerts().size(), 1u);
    auto alert = AlertView::visibleAlerts().back();
    EXPECT_EQ(alert->title(), "Oops! There was a problem:");
    EXPECT_EQ(alert->message(), "Login failed\n- email: is &lt;taken>\n");
    EXPECT_EQ(alert->buttonTitleAtIndex(0), "Ok");
    EXPECT_EQ(form->errors, 1);
    EXPECT_FALSE(form->isSubmitting());

    // No error list: the request's own error, named with its domain as text.
    AlertView::forgetAllShown();
    form->onSubmitForm();
    settle();
    ASSERT_TRUE(recording.answerWithFailure());
    settle(1);
    ASSERT_EQ(AlertView::visibleAlerts().size(), 1u);
    alert = AlertView::visibleAlerts().back();
    EXPECT_NE(alert->message().find("(NSURLErrorDomain[-1004])"), std::string::npos) << alert->message();
    EXPECT_EQ(alert->buttonTitleAtIndex(0), "Ok.");
}

TEST_F(FormTest, ReturnMovesToTheNextTagAndSubmitsFromTheLast)
{
    screen_testing::RecordingProvider recording;
    show();
    EXPECT_EQ(form->email->returnKeyType(), ReturnKeyType::Next);
    EXPECT_EQ(form->password->returnKeyType(), ReturnKeyType::Send);
    ASSERT_TRUE(form->email->becomeFirstResponder());
    EXPECT_EQ(form->activeTextField(), form->email.get());
    driver().pressReturn();
    EXPECT_TRUE(form->password->isFirstResponder());
    EXPECT_TRUE(recording.requests().empty());
    driver().pressReturn();
    settle();
    EXPECT_EQ(recording.requests().size(), 1u);
    EXPECT_TRUE(form->isSubmitting());
}

TEST_F(FormTest, IsNeverLeftSubmitting)
{
    {
        DroppingProvider dropping;
        show();
        form->onSubmitForm();
        settle();
        EXPECT_TRUE(dropping.requests().empty());
        EXPECT_FALSE(form->isSubmitting());
        EXPECT_EQ(AlertView::visibleAlerts().size(), 1u);
        EXPECT_FALSE(nav->loadingController());
    }
    AlertView::forgetAllShown();
    screen_testing::RecordingProvider recording;
    form->onSubmitForm();
    settle();
    ASSERT_EQ(recording.requests().size(), 1u);
    // The screen goes away while the request is out; back again, it can submit.
    auto other = platform::dynamicRef<TestForm>(TestForm::qvCreateInstance());
    other->init();
    nav->pushViewController(other.get(), false);
    settle();
    EXPECT_FALSE(form->isSubmitting());
    nav->popViewControllerAnimated(false);
    settle();
    form->onSubmitForm();
    settle();
    EXPECT_EQ(recording.requests().size(), 2u);
}

TEST_F(FormTest, KeepsTheFieldAboveTheKeyboardAndRunsTagActions)
{
    screen_testing::RecordingProvider recording;
    show();
    ScrollView* scroll = form->scrollContainerView();
    ASSERT_EQ(scroll, form->view());
    const float before = scroll->frame().size.height;
    View* top = scroll;
    while (top->superview() && top->superview() != window())
        top = top->superview();
    const float expected = top->frame().size.height - 216 - scroll->convertPointTo(platform::Point(0, 0), top).y;
    ASSERT_TRUE(form->password->becomeFirstResponder());
    settle(1);
    EXPECT_TRUE(form->isKeyboardShown());
    EXPECT_FLOAT_EQ(scroll->frame().size.height, expected);
    form->password->resignFirstResponder();
    settle(1);
    EXPECT_FALSE(form->isKeyboardShown());
    EXPECT_FLOAT_EQ(scroll->frame().size.height, before);

    // A tag keeps its first action.
    form->onTriggerAction(form->remember.get());
    EXPECT_EQ(form->actions, std::vector<std::string> { "first" });
}

} // namespace form_tests
