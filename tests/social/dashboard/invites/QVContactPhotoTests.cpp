// An address-book contact's photo in its row: decoded as the service's
// pictures are (their pixel budget, a large one off the main loop), once for
// every reload of the list, the default picture showing until it is in.
#include "../DashboardTestSupport.h"

#include "platform/foundation/Log.h"
#include "social/dashboard/invites/QVContactCell.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVPictureDecoder.h"
#include "social/services/QVDeviceContact.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVKitImages.h"

#include <string>

using namespace quorvel;
using namespace dashboard_testing;
using platform::Ref;

namespace {

class ContactPhotoTest : public DashboardTest { };

Ref<QVDeviceContact> contactWithPhoto(int record, const platform::Bytes& photo)
{
    auto contact = QVDeviceContact::create();
    contact->setRecordId(record);
    contact->setName("Ana Lima");
    contact->setNumber("555-0101");
    contact->setImageData(photo);
    return contact;
}

TEST_F(ContactPhotoTest, APhotoDecodesOnceOffTheMainLoopWithinThePictureBudget)
{
    auto cell = platform::dynamicRef<QVContactCell>(QVControllerLoader::loadCell("Contact"));
    ASSERT_TRUE(cell);
    Ref<platform::ui::ImageAsset> fallbackAsset = QVLoadKitImage("QVProfileIconDefault.png");
    ASSERT_TRUE(fallbackAsset);
    platform::Image* fallback = fallbackAsset->image();
    // A photo at the budget's size: too large to decode while the list reloads.
    platform::Bytes rgba(2048 * 1536 * 4, 0);
    for (size_t at = 0; at < rgba.size(); at += 4)
        rgba[at] = 200, rgba[at + 3] = 255;
    const platform::Bytes photo = *platform::Image::imageWithRGBA(2048, 1536, std::move(rgba))->pngData();
    // Past it by its header: 8192x8192, never decoded.
    platform::Bytes huge = *platform::Image::imageWithRGBA(4, 4, platform::Bytes(64, 9))->pngData();
    for (size_t at : { size_t(16), size_t(20) })
        huge[at] = 0, huge[at + 1] = 0, huge[at + 2] = 0x20, huge[at + 3] = 0;

    struct Step {
        const char* what;
        Ref<QVDeviceContact> contact;
        bool decodesNow; // a decode starts on the decoder thread
    } walk[] = {
        { "first shown: the default while it decodes", contactWithPhoto(1, photo), true },
        { "reloaded: the decoded photo at once", contactWithPhoto(1, photo), false },
        { "read again from the address book", contactWithPhoto(1, photo), false },
    };
    Ref<platform::Image> decoded;
    for (Step& step : walk) {
        SCOPED_TRACE(step.what);
        cell->showResource(step.contact.get());
        EXPECT_EQ(QVPictureDecoder::decodesUnderWay(), step.decodesNow ? 1u : 0u);
        if (step.decodesNow) {
            EXPECT_EQ(cell->photo(), fallback);
            // A reload while it decodes joins the same decode.
            cell->showResource(step.contact.get());
            EXPECT_EQ(QVPictureDecoder::decodesUnderWay(), 1u);
            ASSERT_TRUE(loop().runUntil([] { return QVPictureDecoder::decodesUnderWay() == 0; },
                                        testing_support::kHungAfterSeconds));
            decoded = cell->photo();
            ASSERT_TRUE(decoded);
            EXPECT_EQ(decoded->width(), 2048u);
        }
        EXPECT_EQ(cell->photo(), decoded.get());
    }

    platform::LogCapture captured;
    cell->showResource(contactWithPhoto(2, huge).get());
    EXPECT_EQ(QVPictureDecoder::decodesUnderWay(), 0u);
    EXPECT_EQ(cell->photo(), fallback);
    EXPECT_TRUE(captured.contains("is 8192x8192 pixels, past the budget")) << testing::PrintToString(captured.texts());

    // A row taken for another contact before the photo came in is not given it.
    cell->showResource(contactWithPhoto(3, photo).get());
    cell->showResource(contactWithPhoto(4, platform::Bytes()).get());
    ASSERT_TRUE(loop().runUntil([] { return QVPictureDecoder::decodesUnderWay() == 0; },
                                testing_support::kHungAfterSeconds));
    EXPECT_EQ(cell->photo(), fallback);
}

} // namespace
