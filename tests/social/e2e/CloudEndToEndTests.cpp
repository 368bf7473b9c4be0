// The cloud store end to end: the game stores values under keys in the
// player's store on the service, lists its keys and fetches a value back;
// what it stored outlives a restart of the service.
#include "DashboardEndToEndSupport.h"

#include "social/services/QVCloudStorage.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace e2e_testing;

namespace {

// The game's cloud delegate: what each request answered.
class CloudGame final : public QVCloudStorageDelegate {
public:
    void didUpload() override { ++uploads; }
    void didFailUpload(int status) override { failures.push_back(status); }
    void didDownloadData(const platform::Bytes& data) override { fetched.push_back(data); }
    void didFailDownloadData(int status) override { failures.push_back(status); }
    void didDownloadKeysForCurrentUser(const std::vector<std::string>& list) override { keys.push_back(list); }
    void didFailDownloadKeysForCurrentUser() override { failures.push_back(-1); }
    int uploads { 0 };
    std::vector<platform::Bytes> fetched;
    std::vector<std::vector<std::string>> keys;
    std::vector<int> failures;
};

class CloudEndToEnd : public DashboardEndToEndTest {
protected:
    void SetUp() override
    {
        DashboardEndToEndTest::SetUp();
        QVCloudStorage::setDelegate(&cloud);
    }
    void TearDown() override
    {
        QVCloudStorage::setDelegate(nullptr);
        DashboardEndToEndTest::TearDown();
    }
    CloudGame cloud;
};

TEST_F(CloudEndToEnd, ValuesStoredUnderKeysAreListedFetchedReplacedAndOutliveARestart)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    // A saved game that compresses well, and a small one with a zero byte.
    platform::Bytes save(4000, 'a');
    for (size_t i = 0; i < save.size(); i += 7)
        save[i] = static_cast<uint8_t>(i);
    const platform::Bytes options { 1, 0, 2, 3 };

    ASSERT_TRUE(QVCloudStorage::upload(save, "savegame"));
    ASSERT_TRUE(QVCloudStorage::upload(options, "options"));
    ASSERT_TRUE(waitUntil([&] { return cloud.uploads == 2; })) << cloud.failures.size();
    const std::string owned = "SELECT COUNT(*) FROM cloud_values WHERE user_id = " + std::to_string(player);
    EXPECT_EQ(kept(owned), "2");
    // The service keeps what the client sent: the value compressed.
    EXPECT_LT(std::stoul(kept("SELECT length(value) FROM cloud_values WHERE key = 'savegame'")), save.size());

    ASSERT_TRUE(QVCloudStorage::downloadKeysForCurrentUser());
    ASSERT_TRUE(waitUntil([&] { return cloud.keys.size() == 1; }));
    EXPECT_EQ(cloud.keys[0], (std::vector<std::string> { "options", "savegame" }));

    ASSERT_TRUE(QVCloudStorage::downloadDataWithKey("savegame"));
    ASSERT_TRUE(waitUntil([&] { return cloud.fetched.size() == 1; }));
    EXPECT_EQ(cloud.fetched[0], save);

    // Stored again under its key, the value replaces the old one.
    ASSERT_TRUE(QVCloudStorage::upload(platform::Bytes { 9, 9 }, "options"));
    ASSERT_TRUE(waitUntil([&] { return cloud.uploads == 3; }));
    EXPECT_EQ(kept(owned), "2");

    // A key never stored is a failure, "not found".
    ASSERT_TRUE(QVCloudStorage::downloadDataWithKey("nothing"));
    ASSERT_TRUE(waitUntil([&] { return cloud.failures.size() == 1; }));
    EXPECT_EQ(cloud.failures[0], 404);

    killService();
    startService();
    ASSERT_TRUE(QVCloudStorage::downloadDataWithKey("options"));
    ASSERT_TRUE(waitUntil([&] { return cloud.fetched.size() == 2; })) << cloud.failures.size();
    EXPECT_EQ(cloud.fetched[1], (platform::Bytes { 9, 9 }));
    EXPECT_EQ(cloud.failures.size(), 1u);
}

} // namespace
