// The bootstrap against the stand-in: the token it issues is stored (in the
// keychain file only) and signs later requests; failures of every kind reach
// the failure value exactly once, including a dropped bootstrap; a large
// answer is read in pieces and handled over turns, in order.
#include "support/NetTestSupport.h"

#include "platform/foundation/Keychain.h"
#include "platform/foundation/Log.h"
#include "social/runtime/QVBootstrapReader.h"
#include "social/runtime/QVBootstrapService.h"
#include "social/runtime/QVResourceFields.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quorvel;
using namespace net_testing;
using platform::Ref;
using standin::Answer;

namespace {

class BootstrapTest : public NetTest {
protected:
    void SetUp() override
    {
        NetTest::SetUp();
        server.installDefaultRoutes("token-9", "secret-9");
        recorder = CallbackRecorder::create();
    }
    void bootstrap(std::optional<std::string> userId = std::nullopt)
    {
        provider->loginAndBootstrapWithDeviceToken(platform::Bytes { 0xab, 0x01 }, true, userId, recorder->onSuccess(),
                                                   recorder->onFailure());
    }
    Ref<CallbackRecorder> recorder;
};

TEST_F(BootstrapTest, SuccessStoresTheTokenPrivatelyAndSignsLaterRequests)
{
    bootstrap(std::string("17"));
    ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
    ASSERT_EQ(recorder->successes, 1);
    auto* answer = dynamic_cast<QVBootstrap*>(recorder->successArg.get());
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer->pollingFrequencyDefault, 60.0);
    EXPECT_TRUE(answer->userChatEnabled);
    ASSERT_NE(answer->userElement(), nullptr);
    EXPECT_EQ(answer->userElement()->childText("name"), "Player");
    EXPECT_EQ(host.calls, std::vector<std::string> { "addons-in" });

    auto log = server.requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].method, "POST");
    EXPECT_EQ(log[0].path, "bootstrap.xml");
    EXPECT_TRUE(log[0].signatureValid);
    EXPECT_EQ(log[0].oauthToken, "");
    EXPECT_EQ(log[0].param("user_id"), "17");
    EXPECT_EQ(log[0].param("force_create_account"), "1");
    EXPECT_EQ(log[0].param("device_token"), "ab01");
    EXPECT_FALSE(log[0].param("udid").empty());

    EXPECT_TRUE(provider->isAuthenticated());
    EXPECT_EQ(platform::Keychain::get(QVProvider::kKeychainService, "access_token_secret"), "secret-9");
    struct stat st {};
    ASSERT_EQ(stat(platform::Keychain::pathForService(QVProvider::kKeychainService).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // A new provider picks the token up; its requests are signed with it.
    auto again = QVProvider::providerWithProductKey("product-key", "product-secret");
    EXPECT_TRUE(again->isAuthenticated());

    provider->destroyLocalCredentials();
    EXPECT_FALSE(provider->isAuthenticated());
    EXPECT_FALSE(platform::Keychain::get(QVProvider::kKeychainService, "access_token"));
}

TEST_F(BootstrapTest, ErrorAnswersReachTheFailureValue)
{
    for (bool screens : { true, false }) {
        for (int status : { 500, 401, 200 }) {
            SCOPED_TRACE(status);
            host.errorScreens = screens;
            recorder = CallbackRecorder::create();
            server.script("POST", "bootstrap.xml",
                          Answer::xml(status == 200 ? "<resources/>" : "<errors><error>down</error></errors>", status));
            bootstrap();
            ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
            settleNetwork();
            EXPECT_EQ(recorder->failures, 1);
            EXPECT_EQ(recorder->successes, 0);
            EXPECT_FALSE(provider->isAuthenticated());
        }
    }
}

TEST_F(BootstrapTest, AnAnswerDeclaringAttributeDefaultsIsRefusedToldOnceAndTheNextLoginWorks)
{
    // Each <e/> would be handed a copy of the 64 KiB default: gigabytes from a small answer.
    std::string answer = standin::StandInServer::completeBootstrapAnswer("token-9", "secret-9");
    std::string elements;
    for (int i = 0; i < 3000; ++i)
        elements += "<e/>";
    answer.insert(answer.rfind("</bootstrap>"), elements);
    // (A document of this run's own: one refused again at once is logged once.)
    static int run = 0;
    answer.insert(answer.find("<bootstrap"), "<!--" + std::to_string(++run) + "--><!DOCTYPE bootstrap [<!ATTLIST e d CDATA \""
                                                 + std::string(65536, 'd') + "\">]>");
    platform::LogCapture captured;
    server.script("POST", "bootstrap.xml", Answer::xml(answer));
    bootstrap();
    ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
    settleNetwork();
    EXPECT_EQ(recorder->failures, 1);
    EXPECT_FALSE(provider->isAuthenticated());
    std::vector<std::string> told;
    for (const std::string& line : captured.texts())
        if (line.find("attribute declaration \"e d\" refused") != std::string::npos)
            told.push_back(line);
    ASSERT_EQ(told.size(), 2u) << "the reader's refusal and the login's failure";
    EXPECT_EQ(told[0].rfind("XML document refused: line 1: ", 0), 0u) << told[0];
    EXPECT_NE(told[1].find("the bootstrap failed (status 200: "), std::string::npos) << told[1];

    recorder = CallbackRecorder::create();
    bootstrap();
    ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
    EXPECT_EQ(recorder->successes, 1);
    EXPECT_TRUE(provider->isAuthenticated());
}

TEST_F(BootstrapTest, DroppedBootstrapStillFails)
{
    host.disabled = true;
    bootstrap();
    EXPECT_EQ(recorder->failures, 1);
    EXPECT_EQ(recorder->failureArg, nullptr);
    EXPECT_EQ(server.requestCount(), 0u);
}

// The offline part as the client's services read it, in miniature.
class Board : public QVResource {
    QV_DECLARE_RESOURCE(Board)
public:
    static std::string getResourceName() { return "leaderboard"; }
    static void getDataMap(QVResourceDataMap& map) { QVResourceFields<Board>(map).field<QVFieldText>("name", &Board::name_); }
    std::string name_;
};

class Shelf : public QVResource {
    QV_DECLARE_RESOURCE(Shelf)
public:
    static std::string getResourceName() { return "offline"; }
    static void getDataMap(QVResourceDataMap& map) { QVResourceFields<Shelf>(map).array("leaderboards", &Shelf::boards_); }
    QVResourceArray boards_;
};

QVResourceNameMap offlineNames()
{
    QVResourceNameMap names;
    names.addResource<Shelf>("offline");
    names.addResource<Board>("leaderboard");
    return names;
}

// The complete answer with an offline part of `boards` leaderboards.
std::string answerWithBoards(int boards)
{
    std::string offline = "<offline><leaderboards>";
    for (int b = 1; b <= boards; ++b)
        offline += "<leaderboard><id>" + std::to_string(b) + "</id><name>Board " + std::to_string(b) + "</name></leaderboard>";
    offline += "</leaderboards></offline>";
    std::string answer = standin::StandInServer::completeBootstrapAnswer("token-9", "secret-9");
    return answer.insert(answer.rfind("</bootstrap>"), offline);
}

// Reads an answer a piece per call; answers the calls it took.
int readInPieces(QVBootstrapReader& reader)
{
    int calls = 1;
    while (!reader.readOn(0))
        ++calls;
    return calls;
}

TEST(BootstrapAnswer, ALargeAnswerIsReadInPiecesItsOfflinePartStraightIntoItsResource)
{
    const std::string text = answerWithBoards(10000); // a game with the most leaderboards
    const platform::Bytes bytes(text.begin(), text.end());
    QVBootstrapReader reader(bytes, offlineNames());
    EXPECT_GE(readInPieces(reader), int(text.size() / QVBootstrapReader::kPiece));
    Ref<QVBootstrap> read = reader.answer();
    ASSERT_TRUE(read) << reader.error();
    auto* shelf = dynamic_cast<Shelf*>(read->offline());
    ASSERT_NE(shelf, nullptr);
    ASSERT_EQ(shelf->boards_.size(), 10000u);
    EXPECT_EQ(dynamic_cast<Board*>(shelf->boards_.back().get())->name_, "Board 10000");
    EXPECT_EQ(read->element("offline"), nullptr) << "no element tree of the offline part";
    // The rest reads as the whole document does.
    Ref<QVBootstrap> whole = QVBootstrap::fromDocument(QVXmlDocument::xmlDocumentWithString(text));
    EXPECT_EQ(read->accessToken, whole->accessToken);
    EXPECT_EQ(read->unreadInviteCount, whole->unreadInviteCount);
    EXPECT_EQ(read->presenceQueue, whole->presenceQueue);
    ASSERT_NE(read->userElement(), nullptr);
    EXPECT_EQ(read->userElement()->childText("name"), "Player");
    EXPECT_EQ(read->gameProfileElement()->childText("name"), "Brisko");

    // Without a class for it, the offline part stays an element of the answer.
    QVBootstrapReader plain(bytes, {});
    readInPieces(plain);
    ASSERT_TRUE(plain.answer());
    EXPECT_EQ(plain.answer()->offline(), nullptr);
    ASSERT_NE(plain.answer()->element("offline"), nullptr);
    EXPECT_EQ(plain.answer()->element("offline")->child("leaderboards")->children.size(), 10000u);
}

TEST(BootstrapAnswer, ADamagedOrForeignAnswerReadsAsNone)
{
    const std::string text = answerWithBoards(500);
    for (const std::string& damaged : { text.substr(0, text.size() / 2), std::string("<resources/>"), std::string() }) {
        const platform::Bytes bytes(damaged.begin(), damaged.end());
        QVBootstrapReader reader(bytes, offlineNames());
        readInPieces(reader);
        EXPECT_TRUE(reader.isOver());
        EXPECT_FALSE(reader.answer());
        EXPECT_FALSE(reader.error().empty());
    }
}

// Records the steps of an answer's handling; the offline data is written
// when the test says so.
class TurnsHost : public RecordingHost {
public:
    void applyBootstrap(const QVBootstrap& answer, QVProvider& provider) override
    {
        calls.push_back("apply");
        RecordingHost::applyBootstrap(answer, provider);
    }
    void synchronizeOfflineDataInTurns(const QVBootstrap& answer, std::function<void()> then) override
    {
        calls.push_back(answer.offline() ? "sync offline resource" : "sync");
        synced = std::move(then);
    }
    void getBootstrapKnownResources(QVResourceNameMap& names) override { names = offlineNames(); }
    std::function<void()> synced;
};

TEST_F(BootstrapTest, AnAnswerIsHandledOverTurnsInOrderAndNotPastTheEndOfItsSession)
{
    TurnsHost turns;
    turns.providerLink = provider.get();
    TestRuntimeRoles::setCurrent(&turns);
    server.route("POST", "bootstrap.xml", standin::Answer::xml(answerWithBoards(2000)));
    bootstrap();
    ASSERT_TRUE(waitFor([&] { return turns.synced != nullptr; }));
    EXPECT_EQ(turns.calls, (std::vector<std::string> { "apply", "addons-in", "sync offline resource" }));
    EXPECT_EQ(recorder->total(), 0) << "the success waits for the offline data";
    std::exchange(turns.synced, nullptr)();
    EXPECT_EQ(recorder->total(), 0) << "and comes in a turn of its own";
    ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
    EXPECT_EQ(recorder->successes, 1);

    // The client stops while the offline data is written: nothing more is done.
    bootstrap();
    ASSERT_TRUE(waitFor([&] { return turns.synced != nullptr; }));
    turns.providerLink = nullptr;
    std::exchange(turns.synced, nullptr)();
    loop().drain();
    settleNetwork();
    EXPECT_EQ(recorder->total(), 1);
    TestRuntimeRoles::setCurrent(&host);
}

TEST(BootstrapAnswer, OnlyABootstrapDocumentIsAnAnswer)
{
    EXPECT_FALSE(QVBootstrap::fromDocument(QVXmlDocument::xmlDocumentWithString("<resources/>")));
    EXPECT_FALSE(QVBootstrap::fromDocument(nullptr));
    auto b = QVBootstrap::fromDocument(QVXmlDocument::xmlDocumentWithString(
        "<bootstrap><has_twitter_credential>Yes</has_twitter_credential><location_sharing_enabled>0"
        "</location_sharing_enabled><unread_im_count>x</unread_im_count></bootstrap>"));
    ASSERT_TRUE(b);
    EXPECT_TRUE(b->hasNonDeviceCredential());
    EXPECT_EQ(b->userDistanceUnit(), QVDistanceUnit::LocationOff);
    EXPECT_EQ(b->unreadImCount, 0);
}

} // namespace
