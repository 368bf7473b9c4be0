// Popovers, the image picker and the people picker: presentation, the
// pickers' screens (a title and a Cancel), the user's choices and
// cancellations as their delegates hear them.
#include "UiTestSupport.h"

#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/ui/ImagePicker.h"
#include "platform/ui/PeoplePicker.h"
#include "platform/ui/Popover.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace platform::ui;

namespace {

class Content : public ViewController {
public:
    ui_test::CallLog* log { nullptr };
    void viewWillAppear(bool) override { log->add("will-appear"); }
    void viewDidDisappear(bool) override { log->add("did-disappear"); }
};

struct PopoverWatcher : PopoverControllerDelegate {
    ui_test::CallLog* log { nullptr };
    bool allow { true };
    bool popoverControllerShouldDismissPopover(PopoverController*) override { log->add("should"); return allow; }
    void popoverControllerDidDismissPopover(PopoverController*) override { log->add("did-dismiss"); }
};

using PickerTest = ui_test::UiTest;

TEST_F(PickerTest, APopoverShowsItsContentOverTheWindowAndTellsOnlyAUserDismissal)
{
    EXPECT_THROW(PopoverController::withContentViewController(nullptr), AssertionFailure); // a phone
    Screen::mainScreen().setKind(Screen::Kind::Tablet);
    TestDriver driver;
    ui_test::CallLog log;
    auto content = adoptRef(new Content);
    ASSERT_TRUE(content->init());
    content->log = &log;
    auto popover = PopoverController::withContentViewController(content.get());
    PopoverWatcher watcher;
    watcher.log = &log;
    popover->setDelegate(&watcher);
    auto item = BarButtonItem::withTitle("Pick", BarButtonItem::Style::Bordered, nullptr, BarButtonItem::SenderAction());

    popover->presentFromBarButtonItem(item.get(), PopoverArrowAny, true);
    EXPECT_TRUE(popover->isPopoverVisible());
    EXPECT_EQ(popover->anchorItem(), item.get());
    EXPECT_EQ(content->view()->window(), driver.window());
    EXPECT_EQ(PopoverController::visiblePopovers().size(), 1u);
    popover->dismissPopoverAnimated(true);
    EXPECT_EQ(log.calls, (std::vector<std::string> { "will-appear", "did-disappear" }));
    EXPECT_FALSE(content->view()->superview());

    log.clear();
    auto anchor = View::viewWithFrame(Rect(100, 200, 40, 40));
    driver.window()->addSubview(anchor.get());
    popover->presentFromRect(Rect(0, 0, 40, 40), anchor.get(), PopoverArrowUp, false);
    EXPECT_EQ(popover->anchorRect(), Rect(100, 200, 40, 40));
    EXPECT_EQ(content->view()->frame().origin.y, 240);
    watcher.allow = false;
    EXPECT_FALSE(popover->dismissByTouchOutsideForTest());
    watcher.allow = true;
    popover = nullptr; // the shown list keeps it
    ASSERT_EQ(PopoverController::visiblePopovers().size(), 1u);
    EXPECT_TRUE(PopoverController::visiblePopovers()[0]->dismissByTouchOutsideForTest());
    EXPECT_EQ(log.calls, (std::vector<std::string> { "will-appear", "should", "should", "did-disappear", "did-dismiss" }));
    EXPECT_TRUE(PopoverController::visiblePopovers().empty());
    anchor->removeFromSuperview();
}

struct PickerWatcher : ImagePickerControllerDelegate {
    std::vector<PickedMedia> picked;
    int cancelled { 0 };
    void imagePickerControllerDidFinishPickingMedia(ImagePickerController*, const PickedMedia& m) override { picked.push_back(m); }
    void imagePickerControllerDidCancel(ImagePickerController*) override { ++cancelled; }
};

TEST_F(PickerTest, TheImagePickerReportsThePictureOrTheCancellation)
{
    EXPECT_TRUE(ImagePickerController::isSourceTypeAvailable(ImagePickerSourceType::PhotoLibrary));
    EXPECT_FALSE(ImagePickerController::isSourceTypeAvailable(ImagePickerSourceType::Camera));
    auto picker = ImagePickerController::picker();
    EXPECT_THROW(picker->setSourceType(ImagePickerSourceType::Camera), AssertionFailure);
    ImagePickerController::setSourceTypeAvailable(ImagePickerSourceType::Camera, true);
    picker->setSourceType(ImagePickerSourceType::Camera);
    EXPECT_EQ(picker->sourceType(), ImagePickerSourceType::Camera);

    PickerWatcher watcher;
    picker->setPickerDelegate(&watcher);
    auto photo = ImageAsset::create("photo", Size(640, 480));
    picker->finishPickingForTest(photo.get());
    ASSERT_EQ(watcher.picked.size(), 1u);
    EXPECT_EQ(watcher.picked[0].originalImage.get(), photo.get());
    EXPECT_FALSE(watcher.picked[0].editedImage); // editing not allowed
    picker->setAllowsEditing(true);
    auto crop = ImageAsset::create("crop", Size(100, 100));
    picker->finishPickingForTest(photo.get(), crop.get());
    EXPECT_EQ(watcher.picked[1].editedImage.get(), crop.get());
    picker->cancelForTest();
    EXPECT_EQ(watcher.cancelled, 1);
    // Its screen: titled by its source, with the player's way out, a Cancel that tells the delegate.
    NavigationItem* shown = picker->navigationBar()->topItem();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->title(), "Camera");
    ASSERT_TRUE(shown->rightBarButtonItem());
    EXPECT_EQ(shown->rightBarButtonItem()->systemItem(), BarButtonItem::SystemItem::Cancel);
    EXPECT_TRUE(shown->rightBarButtonItem()->trigger());
    EXPECT_EQ(watcher.cancelled, 2);

    // Without a delegate the picker closes itself.
    TestDriver driver;
    auto root = ViewController::controller();
    driver.showController(root.get());
    auto lone = ImagePickerController::picker();
    root->presentModalViewController(lone.get(), false);
    EXPECT_EQ(root->modalViewController(), lone.get());
    EXPECT_EQ(lone->navigationBar()->topItem()->title(), "Photo Albums");
    lone->cancelForTest();
    driver.advance(1);
    EXPECT_EQ(root->modalViewController(), nullptr);
    root->view()->removeFromSuperview();
}

struct PeopleWatcher : PeoplePickerDelegate {
    ui_test::CallLog log;
    bool peoplePickerShouldContinueAfterSelectingPerson(PeoplePickerNavigationController*, Person* p) override
    {
        log.add(format("person %d", p->recordId()));
        return true;
    }
    bool peoplePickerShouldContinueAfterSelectingPersonProperty(PeoplePickerNavigationController*, Person* p, PersonProperty prop,
                                                                int id) override
    {
        log.add(format("property %d %s", int(prop), p->value(prop, id).value_or("?").c_str()));
        return false;
    }
    void peoplePickerDidCancel(PeoplePickerNavigationController*) override { log.add("cancel"); }
};

TEST_F(PickerTest, ThePeoplePickerReportsAPersonAndOneOfTheirValues)
{
    auto ann = Person::create("Ann", "Lee");
    int home = ann->addPhone("home", "555-0100");
    int work = ann->addEmail("work", "ann@example.test");
    ann->setImageData(Bytes { 1, 2, 3 });
    auto stranger = Person::create("", "");
    AddressBook::shared().addPerson(ann.get());
    EXPECT_EQ(ann->recordId(), 1);

    auto picker = PeoplePickerNavigationController::picker();
    PeopleWatcher watcher;
    picker->setPeoplePickerDelegate(&watcher);
    picker->setDisplayedProperties({ PersonProperty::Email, PersonProperty::Phone });
    EXPECT_FALSE(picker->choosePropertyForTest(PersonProperty::Phone, home)); // no person yet
    EXPECT_FALSE(picker->choosePersonForTest(stranger.get()));                // not in the book
    EXPECT_TRUE(picker->choosePersonForTest(ann.get()));
    EXPECT_FALSE(picker->choosePropertyForTest(PersonProperty::FirstName, 0)); // not displayed
    EXPECT_FALSE(picker->choosePropertyForTest(PersonProperty::Email, 42));    // no such value
    EXPECT_FALSE(picker->choosePropertyForTest(PersonProperty::Phone, home));
    EXPECT_FALSE(picker->choosePropertyForTest(PersonProperty::Email, work));
    picker->cancelForTest();
    EXPECT_EQ(watcher.log.calls,
              (std::vector<std::string> { "person 1", "property 3 555-0100", "property 2 ann@example.test", "cancel" }));
    EXPECT_FALSE(picker->shownPerson());

    // Its screen: the book's title and the player's way out, a Cancel that tells the delegate, or
    // closes a picker that has none.
    NavigationItem* shown = picker->navigationBar()->topItem();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->title(), "All Contacts");
    ASSERT_TRUE(shown->rightBarButtonItem());
    EXPECT_EQ(shown->rightBarButtonItem()->systemItem(), BarButtonItem::SystemItem::Cancel);
    EXPECT_TRUE(shown->rightBarButtonItem()->trigger());
    EXPECT_EQ(watcher.log.calls.back(), "cancel");
    TestDriver driver;
    auto root = ViewController::controller();
    driver.showController(root.get());
    picker->setPeoplePickerDelegate(nullptr);
    root->presentModalViewController(picker.get(), false);
    EXPECT_TRUE(picker->navigationBar()->topItem()->rightBarButtonItem()->trigger());
    driver.advance(1);
    EXPECT_EQ(root->modalViewController(), nullptr);
    root->view()->removeFromSuperview();
}

} // namespace
