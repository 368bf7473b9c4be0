// The user record: reading and writing its XML, its archive and store row,
// the local-user test and the profile picture's cached and failing paths.
#include "ServiceTestSupport.h"

#include "social/runtime/QVBinaryKeyedArchive.h"
#include "social/runtime/QVHttpService.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVPictureDecoder.h"
#include "social/runtime/QVSqlQuery.h"
#include "social/runtime/QVXmlDocument.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Weak.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <zlib.h>

using namespace quorvel;
using namespace service_testing;
using platform::Ref;

namespace {

class PictureDelegate : public platform::Object, public QVUserDelegate {
public:
    void didGetProfilePicture(platform::Image* image, QVUser* user) override
    {
        offTheMainThread = offTheMainThread || !platform::RunLoop::isMainThread();
        pictures.emplace_back(image);
        users.emplace_back(user);
    }
    void didFailGetProfilePictureQVUser(QVUser* user) override { failed.emplace_back(user); }
    std::vector<Ref<platform::Image>> pictures;
    std::vector<Ref<QVUser>> users, failed;
    bool offTheMainThread { false };
};

class QVUserTest : public testing::Test {
protected:
    void SetUp() override { TestRuntimeRoles::setCurrent(&host); }
    void TearDown() override
    {
        QVUser::setDelegate(nullptr);
        TestRuntimeRoles::setCurrent(nullptr);
    }

    static Ref<QVPaginatedSeries> parse(const std::string& xml)
    {
        QVResourceNameMap names;
        names.addResource<QVUser>("user");
        auto doc = QVXmlDocument::xmlDocumentWithString(xml);
        return QVResource::resourcesFromXml(doc.get(), names);
    }
    static Ref<QVUser> user(const QVPaginatedSeries& s, size_t i) { return Ref<QVUser>(dynamic_cast<QVUser*>(s.objectAtIndex(i))); }

    FacadeHost<> host;
};

TEST_F(QVUserTest, ReadsEveryFieldOfTheFixture)
{
    auto s = parse(fixture("user.xml"));
    ASSERT_TRUE(s);
    ASSERT_EQ(s->count(), 1u);
    auto u = user(*s, 0);
    EXPECT_EQ(u->userId(), "17");
    EXPECT_EQ(u->name(), "Ann & Bo");
    EXPECT_EQ(u->profilePictureUrl(), std::optional<std::string>("http://127.0.0.1/pictures/17.png"));
    EXPECT_EQ(u->profilePictureSource(), std::optional<std::string>("Upload"));
    EXPECT_FALSE(u->usesFacebookProfilePicture());
    EXPECT_EQ(u->lastPlayedGameId(), "301");
    EXPECT_EQ(u->lastPlayedGameName(), "Rocket Run");
    EXPECT_EQ(u->gamerScore(), 3000000000u);
    EXPECT_TRUE(u->followsLocalUser());
    EXPECT_FALSE(u->followedByLocalUser());
    EXPECT_TRUE(u->online());
    EXPECT_DOUBLE_EQ(u->latitude(), 48.208176);
    EXPECT_DOUBLE_EQ(u->longitude(), -16.373819);
}

TEST_F(QVUserTest, ListFixtureEmptyTextsAndJunkNumbers)
{
    auto s = parse(fixture("users.xml"));
    ASSERT_TRUE(s);
    ASSERT_EQ(s->count(), 3u);
    EXPECT_EQ(user(*s, 1)->userId(), "18");
    EXPECT_FALSE(user(*s, 1)->profilePictureUrl()) << "an empty text is no URL";
    EXPECT_FALSE(user(*s, 1)->profilePictureSource());
    EXPECT_EQ(user(*s, 2)->latitude(), 0.0);
    EXPECT_EQ(user(*s, 2)->gamerScore(), 0u);
    ASSERT_TRUE(s->header());
    EXPECT_EQ(s->header()->totalObjects, 3u);
}

TEST_F(QVUserTest, WritesBackInTheDocumentedFormats)
{
    auto u = user(*parse(fixture("user.xml")), 0);
    std::string xml = u->toResourceArrayXml();
    EXPECT_NE(xml.find("<user><id>17</id><name>Ann &amp; Bo</name>"), std::string::npos) << xml;
    for (const char* part : { "<uses_facebook_profile_picture>0</uses_facebook_profile_picture>",
                              "<gamer_score>3000000000</gamer_score>", "<following_local_user>1</following_local_user>",
                              "<followed_by_local_user>0</followed_by_local_user>", "<online>1</online>",
                              "<lat>48.208176</lat>", "<lng>-16.373819</lng>" })
        EXPECT_NE(xml.find(part), std::string::npos) << part;
    EXPECT_EQ(xml.find("favourite_colour"), std::string::npos);

    auto again = user(*parse(xml), 0);
    EXPECT_EQ(again->toResourceArrayXml(), xml);
    EXPECT_EQ(u->getLatitudeAsString(), "48.208176");
    EXPECT_EQ(u->getGamerScoreAsString(), "3000000000");
}

TEST_F(QVUserTest, ArchiveRoundTripsEveryCodedField)
{
    auto u = user(*parse(fixture("user.xml")), 0);
    auto back = QVUser::userWithArchivedData(u->archivedData());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->toResourceArrayXml(), u->toResourceArrayXml());
    EXPECT_EQ(back->gamerScore(), 3000000000u) << "the gamerscore is kept as a 64-bit number";

    auto invalid = QVUser::userWithArchivedData(QVUser::invalidUser()->archivedData());
    ASSERT_TRUE(invalid);
    EXPECT_EQ(invalid->userId(), "0");
    EXPECT_EQ(invalid->name(), "Not Logged In");
    EXPECT_EQ(invalid->lastPlayedGameName(), "Quorvel Game");
    EXPECT_FALSE(invalid->profilePictureUrl()) << "nil stays nil";

    platform::Bytes damaged = u->archivedData();
    damaged.resize(damaged.size() / 2);
    EXPECT_FALSE(QVUser::userWithArchivedData(damaged));
    platform::Ref<QVBinaryKeyedWriter> other = platform::adoptRef(new QVBinaryKeyedWriter("QVHttpBasicCredential"));
    EXPECT_FALSE(QVUser::userWithArchivedData(other->data())) << "an archive of another class";
}

TEST_F(QVUserTest, StoreRowWithNullColumnsReadsAsNil)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    sqlite3_exec(db,
                 "CREATE TABLE users (id TEXT, name TEXT, profile_picture_url TEXT);"
                 "INSERT INTO users VALUES ('17', 'Ann', 'http://x/17.png');"
                 "INSERT INTO users VALUES ('18', NULL, NULL);",
                 nullptr, nullptr, nullptr);
    {
        QVSqlQuery q(db, "SELECT * FROM users ORDER BY id");
        ASSERT_TRUE(q.step());
        auto ann = QVUser::userWithLocalSQL(q);
        EXPECT_EQ(ann->userId(), "17");
        EXPECT_EQ(ann->name(), "Ann");
        EXPECT_EQ(ann->profilePictureUrl(), std::optional<std::string>("http://x/17.png"));
        EXPECT_EQ(ann->gamerScore(), 0u);
        ASSERT_TRUE(q.step());
        auto nameless = QVUser::userWithLocalSQL(q);
        EXPECT_EQ(nameless->userId(), "18");
        EXPECT_EQ(nameless->name(), "");
        EXPECT_FALSE(nameless->profilePictureUrl());
    }
    sqlite3_close(db);
}

TEST_F(QVUserTest, LocalUserAndPlaceholder)
{
    host.local = user(*parse(fixture("user.xml")), 0);
    auto other = user(*parse("<user><id>99</id><online>1</online></user>"), 0);
    auto sameAsLocal = user(*parse("<user><id>17</id><online>0</online></user>"), 0);
    EXPECT_TRUE(sameAsLocal->isLocalUser());
    EXPECT_FALSE(other->isLocalUser());
    EXPECT_TRUE(QVUser::invalidUser()->isLocalUser()) << "the placeholder is local whoever is logged in";

    host.onlineFlag = false;
    EXPECT_FALSE(sameAsLocal->online()) << "the local user is online as the client is";
    host.onlineFlag = true;
    EXPECT_TRUE(sameAsLocal->online());
    EXPECT_TRUE(other->online());
}

TEST_F(QVUserTest, ProfilePictureWithoutUrlFailsAtOnce)
{
    auto d = platform::adoptRef(new PictureDelegate);
    QVUser::setDelegate(d.get());
    auto u = QVUser::create();
    EXPECT_FALSE(u->getProfilePicture());
    ASSERT_EQ(d->failed.size(), 1u);
    EXPECT_EQ(d->failed[0].get(), u.get());
    EXPECT_TRUE(d->pictures.empty());
}

TEST_F(QVUserTest, CachedProfilePictureAnswersAtOnceWithoutDownload)
{
    QVImageCache::initializeCache();
    auto image = platform::Image::imageWithRGBA(1, 1, platform::Bytes { 1, 2, 3, 255 });
    QVImageCache::sharedInstance()->store(image, "http://x/p.png");
    auto d = platform::adoptRef(new PictureDelegate);
    QVUser::setDelegate(d.get());
    auto u = QVUser::create();
    u->setProfilePictureUrl("http://x/p.png");
    EXPECT_FALSE(u->getProfilePicture());
    ASSERT_EQ(d->pictures.size(), 1u);
    EXPECT_EQ(d->pictures[0].get(), image.get());
    EXPECT_EQ(d->users[0].get(), u.get());
    EXPECT_EQ(QVRequestHandlesForModule::handleCount(QVUserClass::module()), 0u);
    QVImageCache::shutdownCache();
}

} // namespace

namespace {

class QVUserPictureTest : public ServiceNetTest {
protected:
    void SetUp() override
    {
        ServiceNetTest::SetUp();
        QVImageCache::initializeCache();
        delegate = platform::adoptRef(new PictureDelegate);
        QVUser::setDelegate(delegate.get());
    }
    void TearDown() override
    {
        QVImageCache::shutdownCache();
        ServiceNetTest::TearDown();
    }
    Ref<PictureDelegate> delegate;
};

TEST_F(QVUserPictureTest, DownloadedPictureIsCachedAndReported)
{
    auto png = platform::Image::imageWithRGBA(2, 2, platform::Bytes(16, 200))->pngData();
    ASSERT_TRUE(png);
    server.route("GET", "pictures/17.png", standin::Answer::xml(std::string(png->begin(), png->end())));
    auto u = QVUser::create();
    auto twin = QVUser::create();
    std::string url = server.baseUrl() + "pictures/17.png";
    u->setProfilePictureUrl(url);
    twin->setProfilePictureUrl(url);
    EXPECT_TRUE(u->getProfilePicture());
    EXPECT_TRUE(twin->getProfilePicture()) << "the same address joins the same download";
    ASSERT_TRUE(waitFor([&] { return delegate->pictures.size() + delegate->failed.size() == 2; }));
    ASSERT_EQ(delegate->pictures.size(), 2u);
    EXPECT_EQ(delegate->pictures[0]->width(), 2u);
    EXPECT_EQ(QVImageCache::sharedInstance()->fetch(url).get(), delegate->pictures[0].get());

    EXPECT_FALSE(u->getProfilePicture()) << "the second time from the cache";
    EXPECT_EQ(delegate->pictures.size(), 3u);
    EXPECT_EQ(server.requestCount(), 1u);
}

TEST_F(QVUserPictureTest, ADownloadKeepsItsUserUntilItEndsAndNoLonger)
{
    auto png = platform::Image::imageWithRGBA(1, 1, platform::Bytes(4, 9))->pngData();
    ASSERT_TRUE(png);
    server.route("GET", "pictures/5.png", standin::Answer::xml(std::string(png->begin(), png->end())));
    auto u = QVUser::create();
    platform::Weak<QVUser> weak(u);
    u->setProfilePictureUrl(server.baseUrl() + "pictures/5.png");
    u->getProfilePicture();
    u = nullptr;
    EXPECT_FALSE(weak.expired()) << "the download keeps its user";
    ASSERT_TRUE(waitFor([&] { return !delegate->pictures.empty() || !delegate->failed.empty(); }));
    ASSERT_EQ(delegate->users.size(), 1u);
    delegate->users.clear();
    EXPECT_TRUE(weak.expired()) << "an ended download lets its user go";
}

TEST_F(QVUserPictureTest, DataThatIsNoImageFails)
{
    server.route("GET", "pictures/bad.png", standin::Answer::xml("<not-an-image/>"));
    auto u = QVUser::create();
    u->setProfilePictureUrl(server.baseUrl() + "pictures/bad.png");
    u->getProfilePicture();
    ASSERT_TRUE(waitFor([&] { return !delegate->pictures.empty() || !delegate->failed.empty(); }));
    EXPECT_EQ(delegate->failed.size(), 1u);
    EXPECT_EQ(QVImageCache::sharedInstance()->count(), 0u);
}

TEST_F(QVUserPictureTest, APictureHasAPixelBudgetAndALargeOneStillArrivesOnTheMainThread)
{
    platform::LogCapture captured;
    auto png = *platform::Image::imageWithRGBA(640, 400, platform::Bytes(640 * 400 * 4, 77))->pngData();
    server.route("GET", "pictures/large.png", standin::Answer::xml(std::string(png.begin(), png.end())));
    // The header says 8192x8192: refused before anything is decoded.
    std::string huge(png.begin(), png.end());
    for (size_t at : { size_t(16), size_t(20) })
        huge.replace(at, 4, std::string("\0\0\x20\0", 4));
    server.route("GET", "pictures/huge.png", standin::Answer::xml(huge));

    auto u = QVUser::create();
    u->setProfilePictureUrl(server.baseUrl() + "pictures/huge.png");
    u->getProfilePicture();
    ASSERT_TRUE(waitFor([&] { return !delegate->failed.empty(); }));
    EXPECT_EQ(QVImageCache::sharedInstance()->count(), 0u);
    EXPECT_TRUE(captured.contains("pictures/huge.png is 8192x8192 pixels, past the budget"));

    u->setProfilePictureUrl(server.baseUrl() + "pictures/large.png");
    u->getProfilePicture();
    ASSERT_TRUE(waitFor([&] { return !delegate->pictures.empty(); }));
    EXPECT_EQ(delegate->pictures[0]->width(), 640u);
    EXPECT_FALSE(delegate->offTheMainThread);
    EXPECT_EQ(QVImageCache::sharedInstance()->count(), 1u);
    EXPECT_EQ(delegate->failed.size(), 1u);
}


TEST_F(QVUserPictureTest, APictureCancelledOrReplacedWhileItDecodesIsNotTold)
{
    // Large pictures decode on the decoder thread, one at a time in the order
    // asked, and come back through the main loop in that order.
    auto large = *platform::Image::imageWithRGBA(640, 400, platform::Bytes(640 * 400 * 4, 77))->pngData();
    auto small = *platform::Image::imageWithRGBA(2, 2, platform::Bytes(16, 5))->pngData();
    for (const char* name : { "cancelled", "replaced", "before-cached", "fence" })
        server.route("GET", std::string("pictures/") + name + ".png", standin::Answer::xml(std::string(large.begin(), large.end())));
    server.route("GET", "pictures/small.png", standin::Answer::xml(std::string(small.begin(), small.end())));
    auto u = QVUser::create();
    auto fetchUntilArrived = [&](const char* name) {
        u->setProfilePictureUrl(server.baseUrl() + "pictures/" + name + ".png");
        Ref<QVRequestHandle> handle = u->getProfilePicture();
        EXPECT_TRUE(handle && waitFor([] { return platform::HttpTransport::shared().activeCount() == 0; })) << name;
        return handle;
    };

    // Cancelled once its bytes arrived.
    fetchUntilArrived("cancelled")->cancel();
    // A newer picture over one that is decoding.
    fetchUntilArrived("replaced");
    fetchUntilArrived("small");
    ASSERT_TRUE(waitFor([&] { return delegate->pictures.size() == 1; }));
    EXPECT_EQ(delegate->pictures[0]->width(), 2u);
    // A cached picture over one that is decoding.
    fetchUntilArrived("before-cached");
    auto cached = platform::Image::imageWithRGBA(3, 3, platform::Bytes(36, 1));
    QVImageCache::sharedInstance()->store(cached, "http://cached/3.png");
    u->setProfilePictureUrl("http://cached/3.png");
    EXPECT_FALSE(u->getProfilePicture());
    ASSERT_EQ(delegate->pictures.size(), 2u);

    // Another user's large picture, decoded after all of those.
    auto other = QVUser::create();
    other->setProfilePictureUrl(server.baseUrl() + "pictures/fence.png");
    other->getProfilePicture();
    ASSERT_TRUE(waitFor([&] { return delegate->pictures.size() == 3; }));
    EXPECT_EQ(delegate->users[2].get(), other.get());
    EXPECT_EQ(delegate->pictures[1].get(), cached.get()) << "the cached picture stays the last told";
    EXPECT_TRUE(delegate->failed.empty());
    EXPECT_EQ(QVPictureDecoder::decodesUnderWay(), 0u) << "the fence came last: every delivery before it has run";
}

TEST_F(QVUserPictureTest, APictureOfFewPixelsButManyBytesDecodesOffTheMainLoop)
{
    // A 1x1 picture carrying a private chunk of 100 kB.
    auto png = *platform::Image::imageWithRGBA(1, 1, platform::Bytes(4, 9))->pngData();
    platform::Bytes chunk = { 0, 1, 0x86, 0xA0, 'p', 'r', 'V', 't' };
    chunk.resize(chunk.size() + 100'000, 3);
    const uLong crc = crc32(0, chunk.data() + 4, static_cast<uInt>(chunk.size() - 4));
    for (int shift = 24; shift >= 0; shift -= 8)
        chunk.push_back(static_cast<uint8_t>(crc >> shift));
    png.insert(png.end() - 12, chunk.begin(), chunk.end());
    ASSERT_GT(png.size(), QVPictureDecoder::kInlineBytes);

    Ref<platform::Image> decoded;
    bool told = false;
    QVPictureDecoder::decode(png, "http://pictures/heavy.png", [&](Ref<platform::Image> image) {
        told = true;
        decoded = std::move(image);
    });
    EXPECT_FALSE(told) << "decoded on the spot";
    ASSERT_TRUE(waitFor([&] { return told; }));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width(), 1u);
}

} // namespace
