// The choice list, the keyboard size, the toggle, touch receiver and
// relationship indicator, and the text controls: return keys, the form that
// keeps a focused field above the keyboard, and the growing message box.
#include "ScreenTestKit.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/Keyboard.h"
#include "social/runtime/QVSystemVersion.h"
#include "social/ui/QVChoiceList.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVKeyboardSize.h"
#include "social/ui/QVTextControls.h"
#include "social/ui/QVToggleControl.h"

using namespace quorvel;
using namespace platform::ui;
using platform::Rect;
using platform::Ref;

namespace small_widget_tests {

class SmallWidgetTest : public screen_testing::ScreenTest { };

class Chooser : public platform::Object, public QVChoiceListDelegate {
public:
    std::vector<int> answers;
    void userDidChoiceListWithAnswer(int answer) override { answers.push_back(answer); }
};

TEST_F(SmallWidgetTest, ChoiceListAnswersTheTouchedChoiceOrMinusOne)
{
    auto root = ViewController::controller();
    driver().showController(root);
    host().root = root;
    auto chooser = platform::makeRef<Chooser>();
    auto list = QVChoiceList::showChoiceListWithDelegate(chooser.get(), platform::Point(40, 100), { "One", "Two", "Three" });
    ASSERT_TRUE(list);
    EXPECT_EQ(root->modalViewController(), list.get());
    auto& subs = list->view()->subviews();
    ASSERT_EQ(subs.size(), 4u);
    EXPECT_EQ(subs[3]->frame(), Rect(40, 140, 100, 20));
    EXPECT_FLOAT_EQ(list->backdrop()->alpha(), 0.85f);
    EXPECT_TRUE(driver().tap(subs[3].get()));
    EXPECT_EQ(chooser->answers, std::vector<int> { 2 });
    EXPECT_EQ(root->modalViewController(), nullptr);

    auto empty = QVChoiceList::showChoiceListWithDelegate(chooser.get(), platform::Point(0, 0), {});
    EXPECT_EQ(empty->view()->subviews().size(), 1u);
    EXPECT_TRUE(driver().tap(empty->backdrop()));
    EXPECT_EQ(chooser->answers, (std::vector<int> { 2, -1 }));
    host().root = nullptr;
}

TEST_F(SmallWidgetTest, KeyboardSizeTurnsTheEndFrameInLandscape)
{
    platform::ValueDictionary info;
    info.set(kKeyboardFrameEndUserInfoKey, rectValue(Rect(0, 0, 352, 1024)));
    info.set(kKeyboardBoundsUserInfoKey, rectValue(Rect(0, 0, 1024, 352)));
    useDevice(Device::Tablet);
    host().orientation = InterfaceOrientation::LandscapeRight;
    // 4.x reports the end frame as well as 3.2 does.
    ASSERT_TRUE(QVIsOS3Point2OrLaterFor(QVParseVersion("4.0")));
    EXPECT_EQ(QVgetKeyboardSize(platform::Value(info), true), platform::Size(1024, 352));
    EXPECT_EQ(QVgetKeyboardSize(platform::Value(info), false), platform::Size(1024, 352));
    useDevice(Device::Phone);
    host().orientation = InterfaceOrientation::Portrait;
    info.set(kKeyboardFrameEndUserInfoKey, rectValue(Rect(0, 264, 320, 216)));
    EXPECT_EQ(QVgetKeyboardSize(platform::Value(info), true), platform::Size(320, 216));
    // An upright tablet: the frame is already upright, whatever the dashboard's landscape answer.
    useDevice(Device::Tablet);
    info.set(kKeyboardFrameEndUserInfoKey, rectValue(Rect(0, 760, 768, 264)));
    EXPECT_EQ(QVgetKeyboardSize(platform::Value(info), true), platform::Size(768, 264));
    host().orientation = InterfaceOrientation::PortraitUpsideDown;
    EXPECT_EQ(QVgetKeyboardSize(platform::Value(info), true), platform::Size(768, 264));
}

class Taps : public platform::Object, public QVTouchReceiverDelegate {
public:
    int changes { 0 };
    int taps { 0 };
    void changed() { ++changes; }
    void touchReceiverWasTapped(QVTouchReceiverView*) override { ++taps; }
};

TEST_F(SmallWidgetTest, ToggleFlipsOnSingleTapsAndAlwaysReportsSetting)
{
    auto taps = platform::makeRef<Taps>();
    auto toggle = QVToggleControl::toggleWithFrame(Rect(10, 10, 80, 30));
    auto left = ImageAsset::create("left", platform::Size(80, 30));
    auto right = ImageAsset::create("right", platform::Size(80, 30));
    toggle->setImageForLeftSelected(left);
    toggle->setImageForRightSelected(right);
    toggle->addTarget(taps, Control::PlainAction(BRISKO_SELECTOR(Taps, changed)), ValueChanged);
    window()->addSubview(toggle);
    EXPECT_TRUE(toggle->isLeftSelected());
    EXPECT_EQ(toggle->currentImage(), left.get());
    driver().tap(toggle);
    EXPECT_FALSE(toggle->isLeftSelected());
    EXPECT_EQ(toggle->currentImage(), right.get());
    driver().tap(toggle, 2);
    EXPECT_FALSE(toggle->isLeftSelected());
    EXPECT_EQ(taps->changes, 1);
    toggle->setLeftSelected(false);
    EXPECT_EQ(taps->changes, 2);
}

TEST_F(SmallWidgetTest, TouchReceiverAndRelationshipIndicator)
{
    auto taps = platform::makeRef<Taps>();
    InterfaceRegistry::shared().registerLayout("SmallViewsQv", [](InterfaceBuilder& b) {
        auto root = b.makeView<View>(Rect(0, 0, 320, 200));
        root->addSubview(b.makeView<QVTouchReceiverView>(Rect(0, 0, 100, 100)));
        root->addSubview(b.makeView<QVUserRelationshipIndicator>(Rect(200, 0, 16, 16)));
        return std::vector<Ref<platform::Object>> { root };
    });
    auto root = QVControllerLoader::loadNibObject<View>("SmallViewsQv", nullptr);
    InterfaceRegistry::shared().unregisterLayout("SmallViewsQv");
    auto* receiver = dynamic_cast<QVTouchReceiverView*>(root->subviews()[0].get());
    auto* indicator = dynamic_cast<QVUserRelationshipIndicator*>(root->subviews()[1].get());
    ASSERT_TRUE(receiver && indicator);
    window()->addSubview(root);
    receiver->setDelegate(taps.get());
    driver().tap(receiver);
    driver().tap(receiver, 2);
    EXPECT_EQ(taps->taps, 1);

    indicator->showFollowedByLocalUser(true);
    EXPECT_FALSE(indicator->isHidden());
    ASSERT_TRUE(indicator->image());
    EXPECT_EQ(indicator->image()->name(), "QVFriendshipIndicatorFollowedByLocalUser.png");
    indicator->showFollowedByLocalUser(false);
    EXPECT_TRUE(indicator->isHidden());
    EXPECT_FALSE(indicator->image());
}

TEST_F(SmallWidgetTest, ReturnClosesTheKeyboardOnlyWhenAsked)
{
    auto field = QVDefaultTextField::fieldWithFrame(Rect(10, 10, 200, 30));
    window()->addSubview(field);
    field->setManageScrollViewOnFocus(false);
    EXPECT_FALSE(field->intermediateDelegate());
    EXPECT_FALSE(field->closeKeyboardOnReturn());
    ASSERT_TRUE(field->becomeFirstResponder());
    driver().pressReturn();
    EXPECT_TRUE(field->isFirstResponder());
    field->setCloseKeyboardOnReturn(true);
    EXPECT_TRUE(field->intermediateDelegate());
    EXPECT_EQ(field->delegate(), field->intermediateDelegate());
    driver().pressReturn();
    EXPECT_FALSE(field->isFirstResponder());
}

TEST_F(SmallWidgetTest, FocusedFieldStaysAboveTheKeyboardAndTheFormGetsItsHeightBack)
{
    auto form = ScrollView::scrollViewWithFrame(Rect(0, 0, 320, 460));
    form->setContentSize(platform::Size(320, 900));
    auto field = QVDefaultTextField::fieldWithFrame(Rect(10, 400, 200, 30));
    form->addSubview(field);
    window()->addSubview(form);
    field->setManageScrollViewOnFocus(true);
    ASSERT_TRUE(field->becomeFirstResponder());
    settle();
    // 480 high dashboard, the form at y 0, a 216-point keyboard.
    EXPECT_EQ(form->frame().size.height, 480 - 216);
    EXPECT_GE(form->contentOffset().y + form->bounds().size.height, 430);
    // A second did-show while up changes nothing; hiding restores the first height.
    platform::NotificationCenter::defaultCenter().post(kKeyboardDidShowNotification, nullptr,
        platform::Value(platform::ValueDictionary { { kKeyboardFrameEndUserInfoKey, rectValue(Rect(0, 0, 320, 100)) } }));
    EXPECT_EQ(form->frame().size.height, 480 - 216);
    field->resignFirstResponder();
    settle();
    EXPECT_EQ(form->frame().size.height, 460);
}

TEST_F(SmallWidgetTest, MessageBoxGrowsByLinesUpToItsLimit)
{
    InterfaceRegistry::shared().registerLayout("MessageBoxQv", [](InterfaceBuilder& b) {
        auto box = b.makeView<QVExpandableSinglelineTextField>(Rect(0, 400, 200, 30));
        box->setMaxLines(3);
        return std::vector<Ref<platform::Object>> { box };
    });
    auto box = QVControllerLoader::loadNibObject<QVExpandableSinglelineTextField>("MessageBoxQv", nullptr);
    InterfaceRegistry::shared().unregisterLayout("MessageBoxQv");
    ASSERT_TRUE(box);
    EXPECT_EQ(box->minLines(), 1);
    EXPECT_EQ(box->maxLines(), 3);
    float line = box->lineHeight();
    ASSERT_GT(line, 0);
    box->setText("hi");
    EXPECT_FLOAT_EQ(box->frame().size.height, line + 7);
    EXPECT_EQ(box->frame().origin.y, 400);
    // A trailing newline is a line at once.
    box->setText("hi\n");
    EXPECT_FLOAT_EQ(box->frame().size.height, 2 * line + 7);
    box->setText("one\ntwo\nthree\nfour\nfive");
    EXPECT_FLOAT_EQ(box->frame().size.height, 3 * line + 7);
    window()->addSubview(box);
    ASSERT_TRUE(box->becomeFirstResponder());
    EXPECT_TRUE(box->isFirstResponder());
    EXPECT_TRUE(box->internalTextView()->isFirstResponder());
}

TEST_F(SmallWidgetTest, TextViewContentIsWholeLinesAndFramedViewCarriesItsFrame)
{
    auto text = QVTextView::textViewWithFrame(Rect(0, 0, 100, 50));
    text->setLineHeight(15);
    text->setContentSize(platform::Size(100, 50));
    EXPECT_EQ(text->contentSize().height, 45);
    text->setContentInset(EdgeInsets { 9, 9, 9, 9 });
    EXPECT_EQ(text->contentInset(), (EdgeInsets { 3, 0, 3, 0 }));

    auto parent = View::viewWithFrame(Rect(0, 0, 320, 200));
    auto framed = QVDefaultTextView::textViewWithFrame(Rect(10, 10, 200, 80));
    parent->addSubview(framed);
    ASSERT_TRUE(framed->backgroundImageView());
    EXPECT_EQ(parent->subviews()[0].get(), framed->backgroundImageView());
    EXPECT_EQ(framed->backgroundImageView()->image()->leftCapWidth(), 7);
    framed->setFrame(Rect(0, 0, 100, 40));
    EXPECT_EQ(framed->backgroundImageView()->frame(), Rect(0, 0, 100, 40));
    framed->removeFromSuperview();
    EXPECT_TRUE(parent->subviews().empty());
}

} // namespace small_widget_tests

#include "platform/ui/Window.h"
#include "social/ui/QVFBDialog.h"

namespace small_widget_tests {

TEST_F(SmallWidgetTest, FacebookDialogOnALandscapeTabletIsNarrowAndMovesOnceForTheKeyboard)
{
    useDevice(Device::Tablet);
    window()->makeKeyAndVisible();
    host().orientation = InterfaceOrientation::LandscapeRight;
    auto session = FBSession::sessionForApplication("fb-key", "http://proxy.test/", nullptr);
    auto dialog = QVFBDialog::dialogWithSession(session);
    ASSERT_TRUE(dialog);
    auto plain = FBLoginDialog::dialogWithSession(session);
    plain->show();
    Rect own = plain->frame();
    plain->dismiss();

    dialog->showInView(nullptr);
    EXPECT_EQ(dialog->frame().size.width, 400);
    EXPECT_EQ(dialog->frame().origin.x, own.origin.x + 50);
    float x = dialog->frame().origin.x;
    platform::NotificationCenter::defaultCenter().post(kKeyboardWillShowNotification);
    platform::NotificationCenter::defaultCenter().post(kKeyboardWillShowNotification);
    EXPECT_EQ(dialog->frame().origin.x, x + 150);
    EXPECT_TRUE(dialog->isSlidUp());
    platform::NotificationCenter::defaultCenter().post(kKeyboardWillHideNotification);
    EXPECT_EQ(dialog->frame().origin.x, x);
    dialog->dismiss();
    FBSession::purgeSession();
}

TEST_F(SmallWidgetTest, FacebookDialogOnAPhoneKeepsItsOwnSizing)
{
    window()->makeKeyAndVisible();
    auto session = FBSession::sessionForApplication("fb-key", "http://proxy.test/", nullptr);
    auto plain = FBLoginDialog::dialogWithSession(session);
    plain->show();
    Rect own = plain->frame();
    plain->dismiss();
    auto dialog = QVFBDialog::dialogWithSession(session);
    dialog->showInView(nullptr);
    EXPECT_EQ(dialog->frame(), own);
    dialog->moveUp(true);
    EXPECT_FALSE(dialog->isSlidUp());
    dialog->dismiss();
    FBSession::purgeSession();
}

} // namespace small_widget_tests
