// Blob transfers to the stand-in storage host (the exact form, the stored
// form, expansion on the way back, failures as responses) and the cloud store
// against the stand-in service (key and size checks before sending, the five
// status codes, the public class's delegate).
#include "ServiceTestSupport.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/Log.h"
#include "social/runtime/QVCompressableData.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/services/QVChallengeService.h"
#include "social/services/QVCloudStorage.h"
#include "social/services/QVCloudStorageService.h"
#include "social/services/QVS3UploadParameters.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace service_testing;
using platform::Bytes;
using platform::Ref;

namespace {

Bytes bytes(const std::string& s) { return Bytes(s.begin(), s.end()); }
std::string text(const Bytes& b) { return std::string(b.begin(), b.end()); }

// Bytes zlib cannot shrink, not beginning with the marker.
Bytes noise(size_t n)
{
    Bytes out(n);
    uint32_t x = 2463534242u;
    for (auto& b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = uint8_t(x >> 24);
    }
    if (n > 0)
        out[0] = 0;
    return out;
}

class StorageDelegate : public platform::Object, public QVCloudStorageDelegate {
public:
    void didUpload() override { calls.push_back("uploaded"); }
    void didFailUpload(int code) override { calls.push_back("upload-failed " + std::to_string(code)); }
    void didDownloadData(const Bytes& data) override { calls.push_back("downloaded " + text(data)); }
    void didFailDownloadData(int code) override { calls.push_back("download-failed " + std::to_string(code)); }
    void didDownloadKeysForCurrentUser(const std::vector<std::string>& keys) override
    {
        std::string all = "keys";
        for (const auto& k : keys)
            all += " " + k;
        calls.push_back(all);
    }
    void didFailDownloadKeysForCurrentUser() override { calls.push_back("keys-failed"); }
    std::vector<std::string> calls;
};

class CloudStorageTest : public ServiceNetTest {
protected:
    void SetUp() override
    {
        ServiceNetTest::SetUp();
        ASSERT_GT(storage.start(), 0);
        QVCloudStorageService::initializeService();
        delegate = platform::adoptRef(new StorageDelegate);
        QVCloudStorage::setDelegate(delegate.get());
    }
    void TearDown() override
    {
        QVCloudStorage::setDelegate(nullptr);
        QVCloudStorageService::shutdownService();
        QVCompressableData::setDisableCompression(false);
        storage.stop();
        ServiceNetTest::TearDown();
    }

    // The signed form the host issues for `key`.
    Ref<QVS3UploadParameters> form(const std::string& key = "scores/17.blob")
    {
        auto issued = storage.uploadForm(key);
        auto p = QVS3UploadParameters::create();
        p->setAction(storage.baseUrl());
        p->setKey(key);
        p->setAWSAccessKeyId(issued[1].second);
        p->setAcl(issued[2].second);
        p->setPolicy(issued[3].second);
        p->setSignature(issued[4].second);
        return p;
    }
    QVS3Response* successResponse() const { return dynamic_cast<QVS3Response*>(recorder->successArg.get()); }
    QVS3Response* failureResponse() const { return dynamic_cast<QVS3Response*>(recorder->failureArg.get()); }
    int failureStatus() const
    {
        auto* s = dynamic_cast<QVCloudStorageStatus_Object*>(recorder->failureArg.get());
        return s ? s->getStatusCode() : -1;
    }
    Bytes downloaded() const
    {
        auto* boxed = dynamic_cast<platform::Boxed*>(recorder->successArg.get());
        return boxed ? boxed->value().data() : Bytes();
    }
    void restart() { recorder = net_testing::CallbackRecorder::create(); }
    bool waitForDelegate(size_t n) { return waitFor([&] { return delegate->calls.size() >= n; }); }

    standin::StorageHostStandIn storage;
    Ref<StorageDelegate> delegate;
};

} // namespace

TEST(S3UploadForm, TheBodyIsExactlyTheSignedFormWithTheFileLast)
{
    auto p = QVS3UploadParameters::create();
    p->setAction("http://example.invalid/");
    p->setKey("k");
    p->setAWSAccessKeyId("a");
    p->setAcl("p");
    p->setPolicy("o");
    p->setSignature("s");
    std::string body = text(p->createS3HttpBodyForBlob(bytes("xyz")));
    const std::string b = "8b1b0390bf21a96d7f9b6d9ef5d3438ae3556eff";
    std::string expected;
    for (auto [name, value] : { std::pair { "key", "k" }, { "AWSAccessKeyId", "a" }, { "acl", "p" },
                                { "policy", "o" }, { "signature", "s" } })
        expected += "--" + b + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
    expected += "--" + b + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"test.blob\"\r\n"
        + "Content-Type: \"application/octet-stream\"\r\n\r\nxyz\r\n--" + b + "--";
    EXPECT_EQ(body.size(), 689u);
    EXPECT_EQ(body, expected);

    // A missing field still has its part, with no value bytes.
    p->setAcl(std::nullopt);
    EXPECT_EQ(p->createS3HttpBodyForBlob(bytes("xyz")).size(), 688u);
}

TEST_F(CloudStorageTest, AScoreBlobGoesUpInItsStoredFormAndComesBackExpanded)
{
    Bytes blob(600, 'b');
    auto pass = platform::Boxed::number(42);
    QVCloudStorageService::uploadS3Blob(blob, form().get(), pass.get(), recorder->onSuccess(), recorder->onFailure());
    ASSERT_TRUE(waitForCallback());
    ASSERT_EQ(recorder->successes, 1);
    EXPECT_EQ(successResponse()->statusCode(), 204);
    EXPECT_EQ(successResponse()->passThroughObject(), pass.get());
    auto posted = storage.requests().at(0);
    EXPECT_EQ(posted.header("Content-Type"), "multipart/form-data;boundary=8b1b0390bf21a96d7f9b6d9ef5d3438ae3556eff");
    auto stored = storage.storedObject("scores/17.blob");
    ASSERT_TRUE(stored);
    EXPECT_EQ(bytes(*stored), QVCompressableData::serializedDataFromData(blob));

    restart();
    QVCloudStorageService::downloadS3Blob(storage.baseUrl() + "scores/17.blob", pass.get(), recorder->onSuccess(),
                                          recorder->onFailure());
    ASSERT_TRUE(waitForCallback());
    ASSERT_EQ(recorder->successes, 1);
    EXPECT_EQ(successResponse()->data(), blob);
    EXPECT_EQ(successResponse()->statusCode(), 200);
    EXPECT_EQ(successResponse()->passThroughObject(), pass.get());
}

TEST_F(CloudStorageTest, DownloadsThatFailOrDoNotExpandReachTheFailureSide)
{
    auto pass = platform::Boxed::number(7);
    QVCloudStorageService::downloadS3Blob(storage.baseUrl() + "missing", pass.get(), recorder->onSuccess(),
                                          recorder->onFailure());
    ASSERT_TRUE(waitForCallback());
    ASSERT_EQ(recorder->failures, 1);
    EXPECT_FALSE(failureResponse()->data());
    EXPECT_EQ(failureResponse()->statusCode(), 404);
    EXPECT_EQ(failureResponse()->passThroughObject(), pass.get());

    // A header whose stream is damaged, and an empty body.
    Bytes damaged = QVCompressableData::serializedDataFromData(Bytes(600, 'b'));
    damaged.resize(damaged.size() - 3);
    storage.storeObject("damaged", text(damaged));
    storage.storeObject("empty", "");
    for (const char* key : { "damaged", "empty" }) {
        restart();
        QVCloudStorageService::downloadS3Blob(storage.baseUrl() + key, pass.get(), recorder->onSuccess(),
                                              recorder->onFailure());
        ASSERT_TRUE(waitForCallback());
        ASSERT_EQ(recorder->failures, 1) << key;
        EXPECT_FALSE(failureResponse()->data());
        EXPECT_EQ(failureResponse()->statusCode(), 406);
    }
}

TEST_F(CloudStorageTest, WithoutCompressionBlobsTravelUnchanged)
{
    QVCloudStorageService::service().disableCompression();
    Bytes blob(600, 'b');
    QVCloudStorageService::uploadS3Blob(blob, form("plain").get(), recorder->onSuccess(), recorder->onFailure());
    ASSERT_TRUE(waitForCallback());
    EXPECT_EQ(storage.storedObject("plain"), text(blob));

    Bytes marked = QVCompressableData::serializedDataFromData(blob);
    storage.storeObject("marked", text(marked));
    restart();
    QVCloudStorageService::downloadS3Blob(storage.baseUrl() + "marked", recorder->onSuccess(), recorder->onFailure());
    ASSERT_TRUE(waitForCallback());
    EXPECT_EQ(successResponse()->data(), marked);
}

TEST_F(CloudStorageTest, HeaderlessBlobsAreBareZlibStreamsBothWays)
{
    QVCloudStorageService::service().useLegacyHeaderlessCompression();
    QVCloudStorageService::service().enableVeboseCompression();
    Bytes blob(1000, 'h');
    platform::LogCapture log;
    QVCloudStorageService::uploadS3Blob(blob, form("legacy").get(), recorder->onSuccess(), recorder->onFailure());
    ASSERT_TRUE(waitForCallback());
    auto stored = storage.storedObject("legacy");
    ASSERT_TRUE(stored && stored->size() > 2);
    EXPECT_EQ(uint8_t((*stored)[0]), 0x78);
    EXPECT_EQ(uint8_t((*stored)[1]), 0x9C);
    EXPECT_TRUE(log.contains("Quorvel: BLOB compressed. Compressed size is 1 percent of original size."));
    EXPECT_EQ(QVCloudStorageService::uncompressBlob(bytes(*stored)), blob);

    // Not a zlib stream, a truncated one, one past the cap, and nothing.
    Bytes truncated(stored->begin(), stored->begin() + long(stored->size() / 2));
    Bytes huge = *QVCloudStorageService::compressBlob(Bytes(QVCloudStorageService::kMaxTransferredBlob + 1, 0));
    for (const Bytes& bad : { bytes("ABC"), truncated, huge, Bytes() })
        EXPECT_FALSE(QVCloudStorageService::uncompressBlob(bad));
    Bytes exact = *QVCloudStorageService::compressBlob(Bytes(QVCloudStorageService::kMaxTransferredBlob, 1));
    EXPECT_EQ(QVCloudStorageService::uncompressBlob(exact)->size(), QVCloudStorageService::kMaxTransferredBlob);
}

TEST_F(CloudStorageTest, AnUploadWithoutAddressOrBlobSendsNothing)
{
    auto noAddress = form();
    noAddress->setAction(std::string());
    QVCloudStorageService::uploadS3Blob(Bytes { 1 }, noAddress.get(), recorder->onSuccess(), recorder->onFailure());
    QVCloudStorageService::uploadS3Blob(std::nullopt, form().get(), recorder->onSuccess(), recorder->onFailure());
    loop().drain();
    EXPECT_EQ(recorder->total(), 0);
    EXPECT_EQ(QVCloudStorageService::service().getS3HttpService()->pendingCount(), 0u);
}

TEST_F(CloudStorageTest, KeysAreCheckedBeforeAnythingIsSent)
{
    for (const char* key : { "a", "a-b_9", "Zz09" })
        EXPECT_TRUE(QVCloudStorageService::keyIsValid(key)) << key;
    for (const char* key : { "", "9a", "-a", "_a", "a.b", "a b", "\xC3\xA9", "a\xC3\xA9" }) {
        restart();
        EXPECT_FALSE(QVCloudStorageService::uploadBlob(bytes("v"), key, recorder->onSuccess(), recorder->onFailure()));
        EXPECT_EQ(failureStatus(), 406) << key;
        restart();
        EXPECT_FALSE(QVCloudStorageService::downloadBlobWithKey(key, recorder->onSuccess(), recorder->onFailure()));
        EXPECT_EQ(failureStatus(), 406) << key;
    }
    restart();
    EXPECT_FALSE(QVCloudStorageService::uploadBlob(std::nullopt, "a", recorder->onSuccess(), recorder->onFailure()));
    EXPECT_EQ(failureStatus(), 406);
    loop().drain();
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(CloudStorageTest, TheStoredFormMayBeUpTo256KiB)
{
    server.route("POST", "cloud_stores", standin::Answer::xml(fixture("ok.xml")));
    // Noise does not compress, so its stored form is the noise itself.
    restart();
    EXPECT_FALSE(QVCloudStorageService::uploadBlob(noise(262145), "not valid", recorder->onSuccess(),
                                                   recorder->onFailure()));
    EXPECT_EQ(failureStatus(), 507);
    loop().drain();
    EXPECT_EQ(server.requestCount(), 0u);

    auto log = sendOne([](const QVDelegate& s, const QVDelegate& f) {
        EXPECT_TRUE(QVCloudStorageService::uploadBlob(noise(262144), "slot1", s, f));
    });
    EXPECT_EQ(log.method, "POST");
    EXPECT_EQ(log.param("key"), "slot1");
    EXPECT_EQ(bytes(log.param("blob")), noise(262144));
}

TEST_F(CloudStorageTest, FailedRequestsBecomeTheirStatusCodes)
{
    server.route("GET", "cloud_stores/gone.blob", standin::Answer::xml("<errors/>", 404));
    server.route("GET", "cloud_stores/broken.blob", standin::Answer::xml("<errors/>", 500));
    standin::Answer dropped = standin::Answer::xml(std::string(100, 'x'));
    dropped.truncateAfter = 10;
    server.route("GET", "cloud_stores/dropped.blob", dropped);
    server.route("POST", "cloud_stores", standin::Answer::xml("<errors/>", 507));

    for (auto [key, status] : { std::pair { "gone", 404 }, { "broken", 404 }, { "dropped", 504 } }) {
        QVCloudStorage::downloadDataWithKey(key);
        ASSERT_TRUE(waitForDelegate(1)) << key;
        EXPECT_EQ(delegate->calls.back(), "download-failed " + std::to_string(status));
        delegate->calls.clear();
    }
    QVCloudStorage::upload(bytes("value"), "full");
    ASSERT_TRUE(waitForDelegate(1));
    EXPECT_EQ(delegate->calls.back(), "upload-failed 507");
}

TEST_F(CloudStorageTest, WithoutASessionEveryRequestFailsAtOnceAsUnanswered)
{
    facade.providerLink = nullptr;
    EXPECT_FALSE(QVCloudStorageService::downloadBlobWithKey("slot1", recorder->onSuccess(), recorder->onFailure()));
    EXPECT_EQ(recorder->failures, 1) << "before the call returns";
    EXPECT_EQ(failureStatus(), 504);
    restart();
    EXPECT_FALSE(QVCloudStorageService::uploadBlob(bytes("v"), "slot1", recorder->onSuccess(), recorder->onFailure()));
    EXPECT_EQ(failureStatus(), 504);
    QVCloudStorage::downloadDataWithKey("slot1");
    EXPECT_EQ(delegate->calls, std::vector<std::string> { "download-failed 504" });
    settleNetwork();
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(CloudStorageTest, ThePublicClassStoresFetchesAndListsBlobs)
{
    std::string stored;
    server.route("POST", "cloud_stores", [&stored](const standin::LoggedRequest& r) {
        stored = r.param("blob");
        return standin::Answer::xml(fixture("ok.xml"));
    });
    server.route("GET", "cloud_stores/slot1.blob", [&stored](const standin::LoggedRequest&) {
        return standin::Answer::xml(stored);
    });
    server.route("GET", "cloud_stores/junk.blob", standin::Answer::xml("QVZLHDR0\x10\x00\x00\x00junk"));
    std::string value(400, 's');
    EXPECT_TRUE(QVCloudStorage::upload(bytes(value), "slot1"));
    ASSERT_TRUE(waitForDelegate(1));
    EXPECT_EQ(delegate->calls.back(), "uploaded");
    EXPECT_LT(stored.size(), value.size());

    EXPECT_TRUE(QVCloudStorage::downloadDataWithKey("slot1"));
    ASSERT_TRUE(waitForDelegate(2));
    EXPECT_EQ(delegate->calls.back(), "downloaded " + value);
    // A stored value that does not expand is a failure, never an empty success.
    QVCloudStorage::downloadDataWithKey("junk");
    ASSERT_TRUE(waitForDelegate(3));
    EXPECT_EQ(delegate->calls.back(), "download-failed 406");

    server.script("GET", "cloud_stores.xml", standin::Answer::xml(fixture("cloud_stores.xml")));
    server.script("GET", "cloud_stores.xml", standin::Answer::xml(fixture("ok.xml")));
    QVCloudStorage::downloadKeysForCurrentUser();
    ASSERT_TRUE(waitForDelegate(4));
    EXPECT_EQ(delegate->calls.back(), "keys slot1 best-run_2");
    QVCloudStorage::downloadKeysForCurrentUser();
    ASSERT_TRUE(waitForDelegate(5));
    EXPECT_EQ(delegate->calls.back(), "keys-failed");
}

TEST_F(CloudStorageTest, AValueThatCompressesUnderTheLimitComesBackWholeAndALargerOneIsRefused)
{
    std::string stored;
    server.route("POST", "cloud_stores", [&stored](const standin::LoggedRequest& r) {
        stored = r.param("blob");
        return standin::Answer::xml(fixture("ok.xml"));
    });
    server.route("GET", "cloud_stores/big.blob", [&stored](const standin::LoggedRequest&) {
        return standin::Answer::xml(stored);
    });
    // 600,000 bytes that compress far below 256 KiB: accepted, so they must read back.
    std::string value(600000, 'b');
    EXPECT_TRUE(QVCloudStorage::upload(bytes(value), "big"));
    ASSERT_TRUE(waitForDelegate(1));
    EXPECT_EQ(delegate->calls.back(), "uploaded");
    EXPECT_LE(stored.size(), QVCloudStorageService::kMaxStoredBlob);
    EXPECT_TRUE(QVCloudStorage::downloadDataWithKey("big"));
    ASSERT_TRUE(waitForDelegate(2));
    EXPECT_EQ(delegate->calls.back(), "downloaded " + value);

    // Beyond what a download expands to: refused before sending, with the size error.
    server.clearLog();
    restart();
    EXPECT_FALSE(QVCloudStorageService::uploadBlob(Bytes(QVCloudStorageService::kMaxExpandedValue + 1, 0), "big",
                                                   recorder->onSuccess(), recorder->onFailure()));
    EXPECT_EQ(failureStatus(), 507);
    loop().drain();
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(CloudStorageTest, WithCompressionDisabledValuesAreStoredAsTheyAre)
{
    QVCompressableData::setDisableCompression(true);
    QVCloudStorageService::service().disableCompression();
    std::string value = "QVZLHDR0 is just text here" + std::string(300, 't');
    auto log = sendOne([&](const QVDelegate& s, const QVDelegate& f) {
        server.route("POST", "cloud_stores", standin::Answer::xml(fixture("ok.xml")));
        QVCloudStorageService::uploadBlob(bytes(value), "plain", s, f);
    });
    EXPECT_EQ(log.param("blob"), value);
    server.route("GET", "cloud_stores/plain.blob", standin::Answer::xml(value));
    restart();
    QVCloudStorageService::downloadBlobWithKey("plain", recorder->onSuccess(), recorder->onFailure());
    ASSERT_TRUE(waitForCallback());
    EXPECT_EQ(text(downloaded()), value);
}



TEST(ChallengeData, TravelsInTheStoredFormAndComesBackWhole)
{
    Bytes data(600, 'c');
    Bytes sent = QVChallengeService::serializedChallengeData(data);
    EXPECT_EQ(text(Bytes(sent.begin(), sent.begin() + 8)), "QVZLHDR0");
    EXPECT_EQ(QVCompressableData::uncompressedDataFromSerializedData(sent), data);
    EXPECT_EQ(QVChallengeService::serializedChallengeData(bytes("run")), bytes("run"));
    EXPECT_TRUE(QVChallengeService::serializedChallengeData(std::nullopt).empty());
}
