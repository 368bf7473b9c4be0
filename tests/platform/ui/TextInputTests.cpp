// Text input: the delegate sequence of text fields and text views, typing
// through should-change, Return, focus hand-over, and the keyboard's
// notifications with their user information.
#include "UiTestSupport.h"

#include "platform/ui/Keyboard.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"

using namespace platform;
using namespace platform::ui;
using ui_test::CallLog;
using ui_test::UiTest;

namespace {

class FieldRecorder : public Object, public TextFieldDelegate {
public:
    static Ref<FieldRecorder> make(CallLog& log) { auto r = adoptRef(new FieldRecorder); r->log = &log; return r; }
    bool textFieldShouldBeginEditing(TextField* f) override { log->add("shouldBegin " + std::to_string(f->tag())); return allowBegin; }
    void textFieldDidBeginEditing(TextField* f) override { log->add("didBegin " + std::to_string(f->tag())); }
    bool textFieldShouldEndEditing(TextField* f) override { log->add("shouldEnd " + std::to_string(f->tag())); return allowEnd; }
    void textFieldDidEndEditing(TextField* f) override { log->add("didEnd " + std::to_string(f->tag())); }
    bool textFieldShouldChangeCharactersInRange(TextField* f, TextRange r, const std::string& s) override
    {
        log->add("change " + std::to_string(r.location) + "," + std::to_string(r.length) + " '" + s + "'");
        return s != "x";
    }
    bool textFieldShouldReturn(TextField* f) override { log->add("return " + std::to_string(f->tag())); return true; }
    CallLog* log { nullptr };
    bool allowBegin { true };
    bool allowEnd { true };
};

struct KeyboardWatcher {
    explicit KeyboardWatcher(CallLog& log)
    {
        auto& c = NotificationCenter::defaultCenter();
        for (const char* name : { kKeyboardWillShowNotification, kKeyboardDidShowNotification,
                                  kKeyboardWillHideNotification, kKeyboardDidHideNotification }) {
            c.addObserver(this, name, [&log, this](const Notification& n) {
                log.add(n.name);
                last = n.userInfo;
            });
        }
    }
    ~KeyboardWatcher() { NotificationCenter::defaultCenter().removeObserver(this); }
    Value last;
};

} // namespace

TEST_F(UiTest, TextFieldDelegateSequence)
{
    TestDriver driver;
    CallLog calls;
    KeyboardWatcher keyboard(calls);
    auto rec = FieldRecorder::make(calls);
    auto a = TextField::textFieldWithFrame(Rect(10, 10, 200, 31));
    auto b = TextField::textFieldWithFrame(Rect(10, 50, 200, 31));
    a->setTag(1);
    b->setTag(2);
    a->setDelegate(rec.get());
    b->setDelegate(rec.get());
    driver.window()->addSubview(a.get());
    driver.window()->addSubview(b.get());

    ASSERT_TRUE(driver.tap(a.get()));
    EXPECT_TRUE(a->isFirstResponder());
    EXPECT_TRUE(a->isEditing());
    EXPECT_TRUE(driver.type("hi"));
    EXPECT_FALSE(driver.type("x")); // refused by the delegate
    EXPECT_EQ(a->text(), "hi");
    EXPECT_TRUE(driver.pressReturn());

    // Moving the focus to the second field: the keyboard shows again, no hide.
    ASSERT_TRUE(driver.tap(b.get()));
    EXPECT_TRUE(b->resignFirstResponder());
    EXPECT_EQ(calls.calls, (std::vector<std::string> {
        "shouldBegin 1", "didBegin 1", "UIKeyboardWillShowNotification", "UIKeyboardDidShowNotification",
        "change 0,0 'h'", "change 1,0 'i'", "change 2,0 'x'", "return 1",
        "shouldBegin 2", "shouldEnd 1", "didEnd 1", "didBegin 2",
        "UIKeyboardWillShowNotification", "UIKeyboardDidShowNotification",
        "shouldEnd 2", "didEnd 2", "UIKeyboardWillHideNotification", "UIKeyboardDidHideNotification" }));
}

TEST_F(UiTest, TextFieldFocusCanBeRefused)
{
    TestDriver driver;
    CallLog calls;
    auto rec = FieldRecorder::make(calls);
    auto a = TextField::textFieldWithFrame(Rect(10, 10, 200, 31));
    auto b = TextField::textFieldWithFrame(Rect(10, 50, 200, 31));
    a->setDelegate(rec.get());
    b->setDelegate(rec.get());
    driver.window()->addSubview(a.get());
    driver.window()->addSubview(b.get());

    rec->allowBegin = false;
    EXPECT_FALSE(a->becomeFirstResponder());
    rec->allowBegin = true;
    ASSERT_TRUE(a->becomeFirstResponder());
    rec->allowEnd = false;
    EXPECT_FALSE(b->becomeFirstResponder()); // a will not let go
    EXPECT_TRUE(a->isFirstResponder());
    EXPECT_FALSE(b->isEditing());
    rec->allowEnd = true;

    // A field outside any window cannot take the focus; typing then goes nowhere.
    auto loose = TextField::textFieldWithFrame(Rect(0, 0, 10, 10));
    EXPECT_FALSE(loose->becomeFirstResponder());
    // Removing the editing field from its window ends the editing.
    a->removeFromSuperview();
    EXPECT_FALSE(a->isEditing());
    EXPECT_EQ(Responder::firstResponder(), nullptr);
    EXPECT_FALSE(driver.type("abc"));
}

TEST_F(UiTest, EditsNeverSplitACharacter)
{
    TestDriver driver;
    auto f = TextField::textFieldWithFrame(Rect(0, 0, 100, 30));
    driver.window()->addSubview(f.get());
    f->setText("a\u00e9");
    ASSERT_TRUE(f->becomeFirstResponder());
    EXPECT_TRUE(driver.deleteBackward());
    EXPECT_EQ(f->text(), "a");
    f->setText("\u00e9\u00e9");
    f->setSelectedRange({ 1, 2 }); // starts inside the first character
    EXPECT_TRUE(f->insertText("o"));
    EXPECT_EQ(f->text(), "o\u00e9");
    f->setSelectedRange({ 99, 5 });
    EXPECT_TRUE(f->insertText("!"));
    EXPECT_EQ(f->text(), "o\u00e9!");
}

TEST_F(UiTest, KeyboardUserInformationOnAPhone)
{
    TestDriver driver;
    CallLog calls;
    KeyboardWatcher keyboard(calls);
    auto f = TextField::textFieldWithFrame(Rect(0, 0, 100, 30));
    driver.window()->addSubview(f.get());
    ASSERT_TRUE(f->becomeFirstResponder());
    const Value& info = keyboard.last;
    EXPECT_EQ(rectFromValue(info[kKeyboardFrameEndUserInfoKey]), Rect(0, 264, 320, 216));
    EXPECT_EQ(rectFromValue(info[kKeyboardFrameBeginUserInfoKey]), Rect(0, 480, 320, 216));
    EXPECT_EQ(rectFromValue(info[kKeyboardBoundsUserInfoKey]), Rect(0, 0, 320, 216));
    EXPECT_EQ(pointFromValue(info[kKeyboardCenterEndUserInfoKey]), Point(160, 372));
    EXPECT_DOUBLE_EQ(info[kKeyboardAnimationDurationUserInfoKey].asDouble(), 0.3);

    f->resignFirstResponder();
    EXPECT_EQ(rectFromValue(keyboard.last[kKeyboardFrameEndUserInfoKey]), Rect(0, 480, 320, 216));
    EXPECT_FALSE(Keyboard::shared().isVisible());
}

TEST_F(UiTest, KeyboardInLandscapeOnATablet)
{
    Screen::mainScreen().setKind(Screen::Kind::Tablet);
    Application::sharedApplication().setStatusBarOrientation(InterfaceOrientation::LandscapeRight);
    TestDriver driver;
    CallLog calls;
    KeyboardWatcher keyboard(calls);
    auto f = TextField::textFieldWithFrame(Rect(0, 0, 100, 30));
    driver.window()->addSubview(f.get());
    ASSERT_TRUE(f->becomeFirstResponder());
    // Screen coordinates: the frame stands on its side.
    EXPECT_EQ(rectFromValue(keyboard.last[kKeyboardFrameEndUserInfoKey]).size, Size(352, 1024));
    EXPECT_EQ(rectFromValue(keyboard.last[kKeyboardBoundsUserInfoKey]), Rect(0, 0, 1024, 352));
}

namespace {

class ViewRecorder : public Object, public TextViewDelegate {
public:
    static Ref<ViewRecorder> make(CallLog& log) { auto r = adoptRef(new ViewRecorder); r->log = &log; return r; }
    bool textViewShouldBeginEditing(TextView*) override { log->add("shouldBegin"); return true; }
    void textViewDidBeginEditing(TextView*) override { log->add("didBegin"); }
    bool textViewShouldChangeTextInRange(TextView*, TextRange r, const std::string& s) override
    {
        log->add("change '" + s + "'");
        return true;
    }
    void textViewDidChange(TextView* v) override { log->add("didChange " + v->text()); }
    bool textViewShouldEndEditing(TextView*) override { log->add("shouldEnd"); return true; }
    void textViewDidEndEditing(TextView*) override { log->add("didEnd"); }
    CallLog* log { nullptr };
};

} // namespace

TEST_F(UiTest, TextViewDelegateSequenceAndGrowingContent)
{
    TestDriver driver;
    CallLog calls;
    auto rec = ViewRecorder::make(calls);
    auto tv = TextView::textViewWithFrame(Rect(0, 0, 200, 100));
    tv->setDelegate(rec.get());
    driver.window()->addSubview(tv.get());
    float before = tv->contentSize().height;

    ASSERT_TRUE(driver.tap(tv.get()));
    EXPECT_TRUE(driver.type("a"));
    EXPECT_TRUE(driver.pressReturn());
    EXPECT_TRUE(driver.type("b"));
    EXPECT_GT(tv->contentSize().height, before);
    tv->resignFirstResponder();
    EXPECT_EQ(calls.calls, (std::vector<std::string> { "shouldBegin", "didBegin", "change 'a'", "didChange a",
        "change '\n'", "didChange a\n", "change 'b'", "didChange a\nb", "shouldEnd", "didEnd" }));

    tv->setEditable(false);
    EXPECT_FALSE(tv->becomeFirstResponder());
}
