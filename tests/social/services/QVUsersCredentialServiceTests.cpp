// The credentials service against the stand-in: requests, the picture upload
// and the credential records of its answers.
#include "ServiceTestSupport.h"

#include "social/runtime/QVTableSectionDescription.h"
#include "social/runtime/QVXmlDocument.h"
#include "social/services/QVUsersCredential.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace service_testing;
using platform::Ref;
using standin::Params;

namespace {

class QVUsersCredentialServiceTest : public ServiceNetTest { };

TEST_F(QVUsersCredentialServiceTest, EachRequestSendsItsMethodPathAndParameters)
{
    struct Case {
        ServiceCall call;
        const char* method;
        const char* path;
        Params params;
        const char* notice;
    };
    const Case cases[] = {
        { [](auto& s, auto& f) { QVUsersCredentialService::getIndexOnSuccess(s, f, true); }, "GET", "users_credentials",
          { { "only_include_linked_credentials", "1" }, { "user_id", "me" } }, nullptr },
        { [](auto& s, auto& f) { QVUsersCredentialService::getIndexOnSuccess(s, f, false); }, "GET",
          "users_credentials", { { "only_include_linked_credentials", "0" }, { "user_id", "me" } }, nullptr },
        { [](auto& s, auto& f) { QVUsersCredentialService::getIndexOnSuccess(s, f, false, true); }, "GET",
          "users_credentials",
          { { "only_include_not_linked_credentials", "0" }, { "only_include_friends_credentials", "1" },
            { "user_id", "me" } },
          "Downloaded" },
        { [](auto& s, auto& f) { QVUsersCredentialService::importFriendsFromCredentialType("twitter", s, f); }, "GET",
          "users_credentials/import_friends", { { "credential_name", "twitter" }, { "user_id", "me" } }, nullptr },
        { [](auto& s, auto& f) { QVUsersCredentialService::getProfilePictureCredentialsForLocalUserOnSuccess(s, f); },
          "GET", "profile_picture", {}, nullptr },
        { [](auto& s, auto& f) { QVUsersCredentialService::selectProfilePictureSourceForLocalUser("fbconnect", s, f); },
          "POST", "profile_picture/select/fbconnect", {}, nullptr },
        { [](auto& s, auto& f) { QVUsersCredentialService::selectProfilePictureSourceForLocalUser("", s, f); }, "POST",
          "profile_picture/select/http_basic", {}, nullptr },
        { [](auto& s, auto& f) { QVUsersCredentialService::requestProfilePictureUpdateForLocalUserOnSuccess(s, f); },
          "POST", "profile_picture/refresh", {}, nullptr },
        { [](auto& s, auto& f) { QVUsersCredentialService::uploadProfilePictureLocalUser(nullptr, s, f); }, "POST",
          "profile_picture/select/http_basic", { { "uploaded_profile_picture", "" } }, nullptr },
    };
    for (const Case& c : cases) {
        auto r = sendOne(c.call);
        EXPECT_EQ(r.method, c.method) << c.path;
        EXPECT_EQ(r.path, c.path);
        EXPECT_EQ(ownParams(r), c.params) << c.path;
        EXPECT_TRUE(r.signatureValid) << c.path;
        EXPECT_EQ(r.contentType.rfind("multipart", 0), std::string::npos) << "no blob: " << c.path;
        if (c.notice)
            EXPECT_EQ(facade.notices, std::vector<std::string> { c.notice });
        else
            EXPECT_TRUE(facade.notices.empty()) << c.path;
    }
}

TEST_F(QVUsersCredentialServiceTest, UploadSendsTheImageAsJpegPart)
{
    platform::Bytes rgba(16 * 8 * 4);
    for (size_t i = 0; i < rgba.size(); ++i)
        rgba[i] = (i % 4 == 3) ? 255 : static_cast<uint8_t>(i * 7);
    auto image = platform::Image::imageWithRGBA(16, 8, rgba);
    auto r = sendOne([&](auto& s, auto& f) { QVUsersCredentialService::uploadProfilePictureLocalUser(image.get(), s, f); });
    EXPECT_EQ(r.path, "profile_picture/select/http_basic");
    EXPECT_EQ(r.contentType.rfind("multipart/form-data", 0), 0u);
    EXPECT_TRUE(r.signatureValid);
    std::string jpeg = r.param("uploaded_profile_picture");
    ASSERT_GT(jpeg.size(), 2u);
    EXPECT_EQ(static_cast<uint8_t>(jpeg[0]), 0xFF);
    EXPECT_EQ(static_cast<uint8_t>(jpeg[1]), 0xD8);
    auto decoded = platform::Image::imageWithData(jpeg.data(), jpeg.size());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width(), 16u);
    EXPECT_EQ(decoded->height(), 8u);
    auto expected = image->jpegData(QVUsersCredentialService::kUploadJpegQuality);
    ASSERT_TRUE(expected);
    EXPECT_EQ(jpeg, std::string(expected->begin(), expected->end())) << "encoded at quality 0.7";
}

TEST_F(QVUsersCredentialServiceTest, LinkedIndexAnswersSectionsOfCredentials)
{
    sendOne([](auto& s, auto& f) { QVUsersCredentialService::getIndexOnSuccess(s, f, true); });
    ASSERT_TRUE(answer());
    auto* section = dynamic_cast<QVTableSectionDescription*>(answer()->objectAtIndex(0));
    ASSERT_TRUE(section && section->page());
    ASSERT_EQ(section->page()->count(), 3u);
    auto credential = [&](size_t i) { return dynamic_cast<QVUsersCredential*>(section->page()->objectAtIndex(i)); };
    EXPECT_TRUE(credential(0)->isHttpBasic());
    EXPECT_TRUE(credential(0)->hasGlobalPermissions());
    EXPECT_TRUE(credential(0)->isLinked());
    EXPECT_TRUE(credential(1)->isTwitter());
    EXPECT_FALSE(credential(1)->hasGlobalPermissions()) << "\"True\" is not \"true\"";
    EXPECT_TRUE(credential(1)->isLinked());
    EXPECT_EQ(credential(1)->credentialProfilePictureUrl(), "http://127.0.0.1/pictures/tw.png");
    EXPECT_EQ(credential(1)->profilePictureUpdatedAt(), "2026-11-30T10:00:00Z");
    EXPECT_TRUE(credential(2)->isFacebook());
    EXPECT_FALSE(credential(2)->hasGlobalPermissions()) << "\"1\" is not \"true\"";
    EXPECT_FALSE(credential(2)->isLinked());
}

} // namespace
