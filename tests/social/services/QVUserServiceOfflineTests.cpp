// The users table: the rows the bootstrap writes and the offline lookups of
// the user service read.
#include "social/services/OfflineStoreTestSupport.h"

#include "social/runtime/QVPaginatedSeries.h"
#include "social/services/QVUser.h"
#include "social/services/QVUserService.h"

using namespace quorvel;
using offline_testing::RawDatabase;
using platform::Ref;

namespace {

class Answers : public platform::Object {
public:
    void succeeded(platform::Object* series) { got.emplace_back(series); }
    void failed(platform::Object* argument)
    {
        ++failures;
        EXPECT_EQ(argument, nullptr);
    }
    std::vector<Ref<platform::Object>> got;
    int failures { 0 };
};

class LocalUsersTest : public offline_testing::OfflineStoreTest {
protected:
    void SetUp() override { ASSERT_TRUE(openStore()); }
};

TEST_F(LocalUsersTest, LoggingInTwiceKeepsOneRowWithTheLatestNameAndPicture)
{
    EXPECT_TRUE(QVUserService::createLocalUser("17", "Ann", std::string("http://pictures/1.png")));
    EXPECT_TRUE(QVUserService::createLocalUser("17", "Ann B", std::nullopt));
    RawDatabase raw(path());
    EXPECT_EQ(raw.rows("SELECT * FROM users"), (std::vector<std::string> { "17|Ann B|NULL" }));

    Ref<QVUser> user = QVUserService::getLocalUser("17");
    ASSERT_TRUE(user);
    EXPECT_EQ(user->userId(), "17");
    EXPECT_EQ(user->name(), "Ann B");
    EXPECT_FALSE(user->profilePictureUrl()); // NULL stays none, never "(null)"
    EXPECT_EQ(user->gamerScore(), 0u);
}

TEST_F(LocalUsersTest, APlayerWhoNeverLoggedInHereFailsAtOnceWithoutARequest)
{
    QVUserService::createLocalUser("17", "Ann", std::nullopt);
    auto answers = platform::adoptRef(new Answers);
    QVDelegate onSuccess(answers.get(), BRISKO_SELECTOR(Answers, succeeded));
    QVDelegate onFailure(answers.get(), BRISKO_SELECTOR(Answers, failed));

    QVUserService::getLocalUser("18", onSuccess, onFailure);
    EXPECT_EQ(answers->failures, 1);
    EXPECT_TRUE(answers->got.empty());

    QVUserService::getLocalUser("17", onSuccess, onFailure);
    ASSERT_EQ(answers->got.size(), 1u);
    auto* series = dynamic_cast<QVPaginatedSeries*>(answers->got[0].get());
    ASSERT_TRUE(series);
    ASSERT_EQ(series->count(), 1u);
    EXPECT_EQ(dynamic_cast<QVUser*>(series->objectAtIndex(0))->name(), "Ann");
}

TEST_F(LocalUsersTest, IdsThatAreNotDecimalAreRefused)
{
    EXPECT_FALSE(QVUserService::createLocalUser("17 OR 1=1", "Mallory", std::nullopt));
    EXPECT_FALSE(QVUserService::createLocalUser("", "Nobody", std::nullopt));
    EXPECT_EQ(QVUserService::getLocalUser("abc"), nullptr);
    RawDatabase raw(path());
    EXPECT_EQ(raw.value("SELECT COUNT(*) FROM users"), "0");
}

TEST_F(LocalUsersTest, WithoutAStoreWritesFailAndReadsFindNobody)
{
    QVOfflineStore::teardownOfflineDatabase();
    EXPECT_FALSE(QVUserService::createLocalUser("17", "Ann", std::nullopt));
    EXPECT_EQ(QVUserService::getLocalUser("17"), nullptr);
}

} // namespace
