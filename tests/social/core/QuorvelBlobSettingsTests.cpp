// The three compression settings as the central class applies them while it
// starts: the cloud-storage service's switches and the blob form's own.
#include "QuorvelTestSupport.h"

#include "social/runtime/QVCompressableData.h"
#include "social/services/QVCloudStorageService.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace core_testing;

namespace {
class QuorvelBlobSettingsTest : public QuorvelTest {
protected:
    void SetUp() override
    {
        QuorvelTest::SetUp();
        QuorvelInternal::options().setUserApprovedQuorvel();
    }
    void TearDown() override
    {
        QuorvelTest::TearDown();
        QVCompressableData::setDisableCompression(false);
        QVCompressableData::setVerbose(false);
    }
};
} // namespace

TEST_F(QuorvelBlobSettingsTest, MissingSettingsLeaveCompressionOnWithHeaders)
{
    startClient();
    QVCloudStorageService* storage = QVCloudStorageService::sharedService();
    ASSERT_NE(storage, nullptr);
    EXPECT_TRUE(storage->isCompressionEnabled());
    EXPECT_FALSE(storage->isVerboseCompressionEnabled());
    EXPECT_FALSE(storage->isUsingLegacyHeaderlessCompression());
    EXPECT_FALSE(QVCompressableData::isCompressionDisabled());
    EXPECT_FALSE(QVCompressableData::isVerbose());
}

TEST_F(QuorvelBlobSettingsTest, EachSettingReachesItsSwitch)
{
    QuorvelSettingsDictionary settings;
    settings.values.set("QuorvelSettingDisableCloudStorageCompression", true);
    settings.values.set("QuorvelSettingOutputCloudStorageCompressionRatio", true);
    settings.values.set("QuorvelSettingCloudStorageHeaderlessCompression", true);
    startClient(settings);
    QVCloudStorageService* storage = QVCloudStorageService::sharedService();
    ASSERT_NE(storage, nullptr);
    EXPECT_FALSE(storage->isCompressionEnabled());
    EXPECT_TRUE(storage->isVerboseCompressionEnabled());
    EXPECT_TRUE(storage->isUsingLegacyHeaderlessCompression());
    EXPECT_TRUE(QVCompressableData::isCompressionDisabled());
    EXPECT_TRUE(QVCompressableData::isVerbose());
}
