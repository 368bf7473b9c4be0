// Profile picture: the 50 x 50 picture drawn from a photo, choosing a photo
// from the library, the default icon, an unlinked network, and the refresh's
// three downloads stepped by the clock.
#include "../FriendsTestSupport.h"

#include "platform/graphics/Image.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/ImagePicker.h"
#include "social/dashboard/profiles/QVSelectProfilePictureController.h"
#include "social/dashboard/account/QVAccountSetupBaseController.h"
#include "social/ui/QVFramedContentWrapperView.h"
#include "platform/ui/Popover.h"

using namespace quorvel;
using namespace friends_testing;
using platform::Ref;

namespace {

std::string credential(const std::string& id, const std::string& type, bool linked, const std::string& updatedAt)
{
    return "<users_credential><id>" + id + "</id><credential_type>" + type + "</credential_type><is_linked>"
        + (linked ? "1" : "0") + "</is_linked><profile_picture_updated_at>" + updatedAt
        + "</profile_picture_updated_at></users_credential>";
}

std::string answer(const std::string& facebookAt, const std::string& uploadAt, bool twitterLinked = true)
{
    return "<?xml version=\"1.0\"?><resources>" + credential("1", "http_basic", true, uploadAt)
        + credential("2", "twitter", twitterLinked, "t0") + credential("3", "fbconnect", true, facebookAt) + "</resources>";
}

// Top half red, bottom half blue.
Ref<platform::Image> twoColourPhoto(uint32_t size)
{
    platform::Bytes rgba(size * size * 4);
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) {
            uint8_t* p = &rgba[(y * size + x) * 4];
            p[0] = y < size / 2 ? 255 : 0;
            p[2] = y < size / 2 ? 0 : 255;
            p[3] = 255;
        }
    return platform::Image::imageWithRGBA(size, size, std::move(rgba));
}

const uint8_t* pixel(const platform::Image& image, uint32_t x, uint32_t y) { return &image.rgba()[(y * image.width() + x) * 4]; }

class ProfilePictureTest : public FriendsTest {
protected:
    void SetUp() override
    {
        FriendsTest::SetUp();
        platform::ui::ImagePickerController::resetSourceTypes();
    }
    void TearDown() override
    {
        platform::ui::ImagePickerController::resetSourceTypes();
        screen = nullptr;
        FriendsTest::TearDown();
    }
    QVSelectProfilePictureController* open(const std::string& credentials)
    {
        openStack();
        screen = QVControllerLoader::load("SelectProfilePicture");
        navigation->pushViewController(screen.get(), false);
        settle(1);
        auto* chooser = dynamic_cast<QVSelectProfilePictureController*>(screen.get());
        EXPECT_EQ(requestsTo("profile_picture").size(), 1u);
        EXPECT_TRUE(provider->answerWithXml(credentials));
        settle(1);
        return chooser;
    }
    Ref<platform::ui::ViewController> screen;
};

TEST_F(ProfilePictureTest, ThePhotoIsDrawnUprightInto50By50)
{
    auto photo = twoColourPhoto(200);
    ASSERT_TRUE(photo);
    auto picture = QVSelectProfilePictureController::profilePictureFromImage(*photo);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width(), 50u);
    EXPECT_EQ(picture->height(), 50u);
    EXPECT_EQ(pixel(*picture, 25, 5)[0], 255);
    EXPECT_EQ(pixel(*picture, 25, 45)[2], 255);
    // Turned by exactly half a turn: the corners are covered in full.
    for (auto [x, y] : { std::pair { 0u, 0u }, { 49u, 0u }, { 0u, 49u }, { 49u, 49u } })
        EXPECT_EQ(pixel(*picture, x, y)[3], 255) << x << "," << y;
    auto jpeg = picture->jpegData(0.7f);
    ASSERT_TRUE(jpeg);
    auto decoded = platform::Image::imageWithData(jpeg->data(), jpeg->size());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width(), 50u);
    EXPECT_EQ(decoded->height(), 50u);
}

TEST_F(ProfilePictureTest, RowsAndChoosingAPhotoWithoutACamera)
{
    auto* chooser = open(answer("f0", "u0", false));
    ASSERT_TRUE(chooser);
    EXPECT_EQ(chooser->title(), "Change Profile Picture");
    // The three credentials and the default-icon row.
    EXPECT_EQ(chooser->tableView()->numberOfRowsInSection(0), 4);
    auto* own = dynamic_cast<QVProfilePictureCell*>(rowCell(chooser, 0));
    ASSERT_TRUE(own);
    EXPECT_EQ(own->credentialTextLabel()->text(), "Choose your own!");
    auto* icon = dynamic_cast<QVProfilePictureCell*>(rowCell(chooser, 3));
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->credentialTextLabel()->text(), "Default Quorvel Icon");

    // No camera: the library opens at once.
    platform::ui::ImagePickerController::setSourceTypeAvailable(platform::ui::ImagePickerSourceType::Camera, false);
    ASSERT_TRUE(tapRow(chooser, 0));
    EXPECT_FALSE(chooser->photoSheet());
    ASSERT_TRUE(chooser->picker());
    EXPECT_EQ(chooser->picker()->sourceType(), platform::ui::ImagePickerSourceType::PhotoLibrary);
    auto photo = platform::ui::ImageAsset::withImage("photo", twoColourPhoto(64).get());
    chooser->picker()->finishPickingForTest(photo.get());
    settle(1);
    EXPECT_FALSE(chooser->picker());
    auto uploads = requestsTo("profile_picture/select/http_basic");
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0].method, "POST");

    // An unlinked Twitter row links the network first.
    ASSERT_TRUE(provider->answerWithFailure());
    settle(1);
    if (auto* alert = lastAlert())
        alert->dismissWithClickedButtonIndex(0, false);
    ASSERT_TRUE(tapRow(chooser, 1));
    auto* link = top<QVAccountSetupBaseController>();
    ASSERT_TRUE(link);
    EXPECT_EQ(std::string(link->className()), "QVTwitterAccountLoginController");
    EXPECT_TRUE(link->addingAdditionalCredential());
}

TEST_F(ProfilePictureTest, ASectionedAnswerKeepsTheDefaultIconRowCheckedWhileThePlayerHasNoPicture)
{
    // The service may answer in a titled section; the default-icon row still ends the list.
    const std::string sectioned = "<?xml version=\"1.0\"?><resources><resource_sections><resource_section><title>Linked</title>"
        + credential("1", "http_basic", true, "u0") + credential("2", "twitter", true, "t0")
        + credential("3", "fbconnect", false, "f0") + "</resource_section></resource_sections></resources>";
    auto* chooser = open(sectioned);
    ASSERT_TRUE(chooser);
    ASSERT_EQ(chooser->tableView()->numberOfSections(), 1);
    ASSERT_EQ(chooser->tableView()->numberOfRowsInSection(0), 4);
    auto* icon = dynamic_cast<QVProfilePictureCell*>(rowCell(chooser, 3));
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->credentialTextLabel()->text(), "Default Quorvel Icon");
    // A player who chose no source and has no picture wears the default icon.
    EXPECT_FALSE(icon->checkmark()->isHidden());
    for (int row = 0; row < 3; ++row)
        EXPECT_TRUE(dynamic_cast<QVProfilePictureCell*>(rowCell(chooser, row))->checkmark()->isHidden()) << row;
    // The row's words start clear of the picture's frame.
    EXPECT_GE(icon->credentialTextLabel()->frame().minX(), icon->profilePictureView()->frame().maxX() + 7 + 5);
}

TEST_F(ProfilePictureTest, RefreshGivesUpAfterTheThirdDownload)
{
    auto* chooser = open(answer("f0", "u0"));
    ASSERT_TRUE(chooser);
    chooser->_clickedRefresh();
    settle(1);
    EXPECT_FALSE(chooser->refreshButton()->isEnabled());
    EXPECT_TRUE(chooser->isWaitingFor(QVSelectProfilePictureController::kFacebook));
    EXPECT_TRUE(chooser->isWaitingFor(QVSelectProfilePictureController::kTwitter));
    EXPECT_TRUE(chooser->isWaitingFor(QVSelectProfilePictureController::kUploaded));
    ASSERT_EQ(requestsTo("profile_picture/refresh").size(), 1u);
    ASSERT_TRUE(provider->answerWithXml(dashboard_testing::fixture("ok.xml")));
    settle(1);
    for (int download = 1; download <= 3; ++download) {
        ASSERT_EQ(requestsTo("profile_picture").size(), 1u + download) << download;
        ASSERT_TRUE(provider->answerWithXml(answer("f0", "u0")));
        settle(2.9);
        EXPECT_EQ(requestsTo("profile_picture").size(), 1u + download);
        settle(0.2);
    }
    EXPECT_EQ(requestsTo("profile_picture").size(), 4u);
    ASSERT_TRUE(lastAlert());
    EXPECT_EQ(lastAlert()->message(), QVSelectProfilePictureController::kRefreshFailed);
    EXPECT_TRUE(chooser->refreshButton()->isEnabled());
}

TEST_F(ProfilePictureTest, DefaultIconWaitsOnlyForTheUploadedPicture)
{
    auto* chooser = open(answer("f0", "u0"));
    ASSERT_TRUE(chooser);
    ASSERT_TRUE(tapRow(chooser, 3));
    ASSERT_EQ(requestsTo("profile_picture/select/http_basic").size(), 1u);
    ASSERT_TRUE(provider->answerWithXml(dashboard_testing::fixture("ok.xml")));
    settle(1);
    EXPECT_FALSE(chooser->isWaitingFor(QVSelectProfilePictureController::kFacebook));
    EXPECT_TRUE(chooser->isWaitingFor(QVSelectProfilePictureController::kUploaded));
    ASSERT_TRUE(provider->answerWithXml(dashboard_testing::fixture("ok.xml"))); // the refresh request
    settle(1);
    // The uploaded picture changed on the second download.
    ASSERT_TRUE(provider->answerWithXml(answer("f0", "u0")));
    settle(3.1);
    ASSERT_TRUE(provider->answerWithXml(answer("f0", "u1")));
    settle(1);
    EXPECT_FALSE(chooser->isWaitingFor(QVSelectProfilePictureController::kUploaded));
    EXPECT_TRUE(chooser->refreshButton()->isEnabled());
    EXPECT_EQ(chooser->refreshCount(), 2);
    EXPECT_FALSE(lastAlert());
}

} // namespace

namespace {

TEST_F(ProfilePictureTest, TheHeaderIsAsWideAsTheListInsideTheFrame)
{
    auto* chooser = open(answer("f0", "u0"));
    ASSERT_TRUE(chooser);
    ASSERT_TRUE(dynamic_cast<QVFramedContentWrapperView*>(chooser->view()));
    platform::ui::View* header = chooser->tableHeaderView();
    ASSERT_TRUE(header);
    EXPECT_EQ(header->frame().size.width, chooser->tableView()->frame().size.width);
    EXPECT_LT(header->frame().size.width, chooser->view()->frame().size.width) << "the frame's insets are kept";
}

TEST_F(ProfilePictureTest, OnATabletThePickerPointsFromTheRowAndATurnDismissesIt)
{
    useDevice(Device::Tablet);
    auto* chooser = open(answer("f0", "u0", false));
    ASSERT_TRUE(chooser);
    platform::ui::ImagePickerController::setSourceTypeAvailable(platform::ui::ImagePickerSourceType::Camera, false);
    ASSERT_TRUE(tapRow(chooser, 0));
    // Held here: the screen lets go of it when it is dismissed.
    platform::Ref<platform::ui::PopoverController> popover(chooser->imagePickerPopoverController());
    ASSERT_TRUE(popover);
    EXPECT_TRUE(popover->isPopoverVisible());
    EXPECT_EQ(popover->contentViewController(), chooser->picker());
    auto* own = dynamic_cast<QVProfilePictureCell*>(rowCell(chooser, 0));
    ASSERT_TRUE(own);
    platform::ui::View* anchor = own->credentialImageView();
    EXPECT_EQ(popover->anchorRect(), anchor->convertRectTo(anchor->bounds(), nullptr));

    QuorvelInternal::notifications().postDashboardOrientationChangedTo(1, 1);
    EXPECT_EQ(chooser->imagePickerPopoverController(), popover.get()) << "no turn, no dismissal";
    QuorvelInternal::notifications().postDashboardOrientationChangedTo(3, 1);
    EXPECT_FALSE(chooser->imagePickerPopoverController());
    EXPECT_FALSE(popover->isPopoverVisible());
    EXPECT_TRUE(platform::ui::PopoverController::visiblePopovers().empty());

    // Picking from a popover closes it and uploads.
    ASSERT_TRUE(tapRow(chooser, 0));
    ASSERT_TRUE(chooser->imagePickerPopoverController());
    auto photo = platform::ui::ImageAsset::withImage("photo", twoColourPhoto(64).get());
    chooser->picker()->finishPickingForTest(photo.get());
    settle(1);
    EXPECT_FALSE(chooser->imagePickerPopoverController());
    EXPECT_TRUE(platform::ui::PopoverController::visiblePopovers().empty());
    EXPECT_EQ(requestsTo("profile_picture/select/http_basic").size(), 1u);
}

TEST_F(ProfilePictureTest, OnAPhoneThePickerIsShownFullScreenAndHiddenByCancelling)
{
    auto* chooser = open(answer("f0", "u0", false));
    ASSERT_TRUE(chooser);
    platform::ui::ImagePickerController::setSourceTypeAvailable(platform::ui::ImagePickerSourceType::Camera, false);
    ASSERT_TRUE(tapRow(chooser, 0));
    QVCustomImagePickerController* picker = chooser->picker();
    ASSERT_TRUE(picker);
    EXPECT_FALSE(chooser->imagePickerPopoverController());
    EXPECT_TRUE(picker->parentViewController()) << "presented";
    EXPECT_TRUE(picker->allowsEditing());
    Ref<QVCustomImagePickerController> keep(picker);
    picker->cancelForTest();
    settle(1);
    EXPECT_FALSE(chooser->picker());
    EXPECT_FALSE(keep->parentViewController()) << "hidden";
    EXPECT_TRUE(requestsTo("profile_picture/select").empty());
}

} // namespace
