// Challenges against the stand-in: every request's path and parameters, the
// send with its data part and recipients, results and rejections, the data
// download, the local file of a challenge-to-user, the records read from the
// fixtures, and the fetches that show a received challenge.
#include "ServiceTestSupport.h"

#include "platform/foundation/Boxed.h"
#include "social/runtime/QVCompressableData.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVSettings.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeDefinition.h"
#include "social/services/QVChallengeService.h"
#include "social/services/QVScreensRole.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace quorvel;
using namespace service_testing;
using platform::Ref;
using standin::Params;

namespace {

// The facade and the screens it would open for the service.
class ChallengeHost : public FacadeHost<net_testing::RecordingHost>, public QVScreensRole {
public:
    std::vector<BackgroundNotice> background;
    std::vector<std::string> shown;
    std::vector<QVChallengeScreen> screens;
    QVDelegate bootstrapSuccess, bootstrapFailure;
    void showBackgroundNotice(const BackgroundNotice& n) override { background.push_back(n); }
    bool addBootstrapDelegates(const QVDelegate& s, const QVDelegate& f) override
    {
        bootstrapSuccess = s;
        bootstrapFailure = f;
        return true;
    }
    void showChallengeDetail(const std::string& id) override { shown.push_back("detail " + id); }
    void showChallengeNotice(QVChallengeToUser* c) override { shown.push_back("notice " + c->resourceId()); }
    bool presentChallengeScreen(const QVChallengeScreen& s) override
    {
        screens.push_back(s);
        return true;
    }
};

class ChallengeTest : public ServiceNetTest {
protected:
    void SetUp() override
    {
        ServiceNetTest::SetUp();
        challenges.providerLink = provider.get();
        auto me = QVUser::create();
        me->setResourceId("17");
        me->setName("Player");
        challenges.local = me;
        TestRuntimeRoles::setCurrent(&challenges);
        QVSettings::InitializeWithFile(home.write(
            "settings.xml", "<quorvel_internal_settings><environment-release><config><server-url>" + server.baseUrl()
                                + "</server-url></config></environment-release></quorvel_internal_settings>"));
        auto file = [](const char* name) { return standin::Answer::xml(fixture(name)); };
        server.route("GET", "challenges_users.xml", file("challenges_users.xml"));
        server.route("GET", "challenges_users/71.xml", file("challenges_users.xml"));
        server.route("GET", "challenges_users/73.xml", file("empty_resources.xml"));
        server.route("GET", "challenges.xml", file("challenges.xml"));
        server.route("POST", "challenges.xml", file("challenges.xml"));
        server.route("POST", "challenges_users/71/update.xml", file("challenges_users.xml"));
        server.route("GET", "challenge_definitions.xml", file("challenge_definitions.xml"));
        server.route("GET", "challenge_definitions/51.xml", file("challenge_definitions.xml"));
        server.route("GET", "challenge_definitions/59.xml", file("empty_resources.xml"));
        QVScreensRole::setCurrent(&challenges);
    }
    void TearDown() override
    {
        QVChallenge::setDelegate(nullptr);
        QVChallengeToUser::setDelegate(nullptr);
        QVChallengeDefinition::setDelegate(nullptr);
        QVScreensRole::setCurrent(nullptr);
        TestRuntimeRoles::setCurrent(&facade);
        QVChallengeService::shutdownService();
        QVChallengeDefinitionService::shutdownService();
        QVSettings::Uninitialize();
        ServiceNetTest::TearDown();
    }
    // The records of a fixture, read as the challenge service reads answers.
    Ref<QVPaginatedSeries> read(const std::string& name)
    {
        std::string xml = fixture(name);
        return QVResource::resourcesFromData(xml.data(), xml.size(), QVChallengeService::service().getKnownResources());
    }
    Ref<QVChallengeToUser> received(size_t i = 0)
    {
        auto series = read("challenges_users.xml");
        return Ref<QVChallengeToUser>(dynamic_cast<QVChallengeToUser*>(series->objectAtIndex(i)));
    }
    // Sends a call expected to fail at once with null and to send nothing.
    void expectRefusedAtOnce(const ServiceCall& call)
    {
        server.clearLog();
        recorder = net_testing::CallbackRecorder::create();
        call(recorder->onSuccess(), recorder->onFailure());
        EXPECT_EQ(recorder->failures, 1);
        EXPECT_EQ(recorder->failureArg, nullptr);
        settleNetwork();
        EXPECT_EQ(server.requestCount(), 0u);
    }

    ChallengeHost challenges;
    std::vector<std::string>& shown { challenges.shown };
    std::vector<QVChallengeScreen>& screens { challenges.screens };
    QVDelegate& bootstrapSuccess { challenges.bootstrapSuccess };
};

TEST_F(ChallengeTest, ListsSendTheirPathParametersAndNotice)
{
    struct Case {
        const char* name;
        ServiceCall call;
        const char* path;
        Params params;
        std::vector<std::string> notices;
    };
    const std::vector<std::string> downloaded { "Downloaded Challenge Information" };
    const std::vector<std::string> downloading { "Downloading Challenge Information" };
    const Case cases[] = {
        { "one", [](auto& s, auto& f) { QVChallengeService::getChallengeToUserWithId("71", s, f); },
          "challenges_users/71.xml", {}, {} },
        { "pending here",
          [](auto& s, auto& f) { QVChallengeService::getPendingChallengesForLocalUserAndLocalApplication(2, s, f); },
          "challenges_users.xml", { { "incomplete", "1" }, { "page", "2" }, { "mark_as_viewed", "1" } }, downloaded },
        { "pending compared",
          [](auto& s, auto& f) {
              QVChallengeService::getPendingChallengesForLocalUserAndApplication("302", 1, "44", s, f);
          },
          "challenges_users.xml",
          { { "incomplete", "1" }, { "page", "1" }, { "mark_as_viewed", "1" }, { "client_application_id", "302" },
            { "compared_user_id", "44" } },
          downloaded },
        { "completed",
          [](auto& s, auto& f) { QVChallengeService::getCompletedChallengesForLocalUserAndLocalApplication(3, s, f); },
          "challenges_users.xml", { { "complete", "1" }, { "page", "3" } }, downloaded },
        { "sent", [](auto& s, auto& f) { QVChallengeService::getSentChallengesForLocalUserAndLocalApplication(1, s, f); },
          "challenges.xml", { { "page", "1" } }, downloaded },
        { "history of a type",
          [](auto& s, auto& f) { QVChallengeService::getChallengeHistoryForType("51", std::string("301"), 2, "44", s, f); },
          "challenges_users.xml",
          { { "history", "1" }, { "page", "2" }, { "challenge_definition_id", "51" }, { "client_application_id", "301" },
            { "compared_user_id", "44" } },
          downloading },
        { "history of a type, any game",
          [](auto& s, auto& f) { QVChallengeService::getChallengeHistoryForType("51", std::nullopt, 1, s, f); },
          "challenges_users.xml", { { "history", "1" }, { "page", "1" }, { "challenge_definition_id", "51" } },
          downloading },
        { "history", [](auto& s, auto& f) { QVChallengeService::getChallengeHistoryAcrossAllTypes(4, s, f); },
          "challenges_users.xml", { { "history", "1" }, { "page", "4" } }, downloading },
        { "users to challenge", [](auto& s, auto& f) { QVChallengeService::getUsersToChallenge("21", 1, s, f); },
          "users.xml",
          { { "page", "1" }, { "user_id", "me" }, { "scope", "people-of-interest" },
            { "with_client_application", "301" }, { "not_sectioned", "yes" }, { "challenger_user_id", "21" } },
          { "Downloaded Friends" } },
        { "receivers, this game",
          [](auto& s, auto& f) { QVChallengeService::getUsersWhoReceivedChallengeWithId("61", std::nullopt, 2, s, f); },
          "challenges_users.xml", { { "challenge_id", "61" }, { "client_application_id", "301" }, { "page", "2" } },
          {} },
    };
    for (const Case& c : cases) {
        challenges.notices.clear();
        auto r = sendOne(c.call);
        EXPECT_EQ(r.method, "GET") << c.name;
        EXPECT_EQ(r.path, c.path) << c.name;
        EXPECT_EQ(ownParams(r), c.params) << c.name;
        EXPECT_EQ(challenges.notices, c.notices) << c.name;
    }
}

TEST_F(ChallengeTest, SendingPutsTheRecipientsInOrderAfterTheData)
{
    platform::Bytes data { 'r', 'u', 'n', 0, 1 };
    auto r = sendOne([&](auto& s, auto& f) {
        QVChallengeService::sendChallenge("51", "Beat my lap", data, std::string("Go!"), "lap=93", { "21", "22", "23" },
                                          std::string("71"), s, f);
    });
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.path, "challenges.xml");
    EXPECT_EQ(challenges.notices, std::vector<std::string> { "Challenge Sent" });
    EXPECT_EQ(r.param("challenge_hidden_text"), "lap=93");
    EXPECT_EQ(r.param("challenger_id"), "me");
    EXPECT_EQ(r.param("challenge_description"), "Beat my lap");
    EXPECT_EQ(r.param("challenge_definition_id"), "51");
    EXPECT_EQ(r.param("challenge_response_to_challenge_id"), "71");
    EXPECT_EQ(r.param("challenge_user_message"), "Go!");
    EXPECT_EQ(r.param("challenge_user_data"), std::string("run\0\1", 5));
    std::vector<std::string> ids;
    for (const auto& [name, value] : r.params)
        if (name == "challenge_user_ids[]")
            ids.push_back(value);
    EXPECT_EQ(ids, (std::vector<std::string> { "21", "22", "23" }));
    // On the wire the data part comes first, then the recipients in order.
    const std::vector<std::string> order { "challenge_hidden_text", "challenger_id", "challenge_description",
                                           "challenge_definition_id", "challenge_response_to_challenge_id",
                                           "challenge_user_message", "challenge_user_data",
                                           "challenge_user_ids[]=21", "challenge_user_ids[]=22",
                                           "challenge_user_ids[]=23" };
    auto wire = QVChallengeService::sendChallengeParameters("51", "Beat my lap", data, std::string("Go!"), "lap=93",
                                                            { "21", "22", "23" }, std::string("71"));
    std::vector<std::string> names;
    for (const auto& p : wire->getQueryParametersAsArray())
        names.push_back(p->name() + (p->name() == "challenge_user_ids[]" ? "=" + p->value() : ""));
    EXPECT_EQ(names, order);
    names.clear();
    for (const auto& [name, value] : r.params)
        if (name.rfind("challenge", 0) == 0)
            names.push_back(name + (name == "challenge_user_ids[]" ? "=" + value : ""));
    EXPECT_EQ(names, order) << "the multipart body keeps the parameters' order";

    // Data that compresses travels in the stored blob form.
    platform::Bytes run(4000, 'a');
    r = sendOne([&](auto& s, auto& f) {
        QVChallengeService::sendChallenge("51", "Again", run, std::nullopt, "", { "21" }, std::nullopt, s, f);
    });
    EXPECT_FALSE(r.hasParam("challenge_response_to_challenge_id"));
    EXPECT_FALSE(r.hasParam("challenge_user_message"));
    std::string sent = r.param("challenge_user_data");
    EXPECT_EQ(sent.rfind("QVZLHDR0", 0), 0u);
    EXPECT_LT(sent.size(), run.size());
    EXPECT_EQ(QVCompressableData::uncompressedDataFromSerializedData(platform::Bytes(sent.begin(), sent.end())), run);

    expectRefusedAtOnce([](auto& s, auto& f) {
        EXPECT_EQ(QVChallengeService::sendChallenge("", "x", std::nullopt, std::nullopt, "", { "21" }, std::nullopt, s, f),
                  nullptr);
    });
}

TEST_F(ChallengeTest, ResultsAndRejectionsGoInsideTheRecordScope)
{
    auto r = sendOne([](auto& s, auto& f) { QVChallengeService::rejectChallenge("71", s, f); });
    EXPECT_EQ(challenges.notices, std::vector<std::string> { "Rejected Challenge" });
    challenges.notices.clear();
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.path, "challenges_users/71/update.xml");
    EXPECT_EQ(ownParams(r), (Params { { "challenges_user[ignored]", "1" } }));

    r = sendOne([](auto& s, auto& f) { QVChallengeService::submitChallengeResult("71", 0, "played", s, f); });
    EXPECT_EQ(ownParams(r), (Params { { "challenges_user[result_text]", "played" } }));
    challenges.notices.clear();
    r = sendOne([](auto& s, auto& f) { QVChallengeService::submitChallengeResult("71", 2, "%@ lost", s, f); });
    EXPECT_EQ(ownParams(r), (Params { { "challenges_user[result_text]", "%@ lost" }, { "challenges_user[result]", "lose" } }));
    EXPECT_EQ(challenges.notices, std::vector<std::string> { "Submitted Challenge" });

    expectRefusedAtOnce([](auto& s, auto& f) { QVChallengeService::submitChallengeResult("", 1, "x", s, f); });
    expectRefusedAtOnce([](auto& s, auto& f) { QVChallengeService::rejectChallenge("", s, f); });

    // Completing with no result sends nothing; a result is set before it is sent.
    auto mine = received();
    server.clearLog();
    EXPECT_EQ(mine->completeWithResult(0), nullptr);
    EXPECT_EQ(mine->result(), 1);
    ASSERT_NE(mine->completeWithResult(3), nullptr);
    EXPECT_EQ(mine->result(), 3);
    ASSERT_TRUE(waitForRequests(1));
    EXPECT_EQ(server.requests()[0].param("challenges_user[result]"), "tie");
    EXPECT_EQ(server.requests()[0].param("challenges_user[result_text]"), "%@ won by 20 points");
}

TEST_F(ChallengeTest, RecordsReadFromTheServer)
{
    auto first = received(0);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->result(), 1);
    EXPECT_TRUE(first->isCompleted());
    EXPECT_TRUE(first->hasBeenViewed());
    EXPECT_EQ(first->attempts(), 2u);
    ASSERT_TRUE(first->challenge());
    EXPECT_EQ(first->challenge()->hiddenText(), "lap=93.2");
    EXPECT_TRUE(first->challenge()->usesChallengeData());
    ASSERT_TRUE(first->challenge()->challengeDefinition());
    EXPECT_TRUE(first->challenge()->challengeDefinition()->multiAttempt());
    EXPECT_EQ(first->challenge()->challenger()->name(), "Ann");
    EXPECT_EQ(first->formattedResultDescription(), std::optional<std::string>("Bo won by 20 points"));

    auto second = received(1);
    EXPECT_EQ(second->result(), 0) << "\"draw\" leaves the result unchanged";
    EXPECT_EQ(second->getResultAsString(), "");
    EXPECT_FALSE(second->isCompleted());
    EXPECT_EQ(second->getIsCompletedAsString(), "0");
    EXPECT_FALSE(second->challenge()->usesChallengeData());
    EXPECT_FALSE(second->challenge()->challengeDefinition()->multiAttempt());
    second->challenge()->setDataUrl("");
    EXPECT_FALSE(second->challenge()->usesChallengeData());

    // The server's text is not a format: only the first "%@" is replaced.
    second->setResultDescription(std::string("%@ won %d%s, %@ %n"));
    EXPECT_EQ(second->formattedResultDescription(), std::optional<std::string>("You won %d%s, %@ %n"));
    second->setRecipient(nullptr);
    second->setResultDescription(std::string("%@ won"));
    EXPECT_EQ(second->formattedResultDescription(), std::optional<std::string>("You won"));
    second->setResultDescription(std::nullopt);
    EXPECT_EQ(second->formattedResultDescription(), std::nullopt);

    EXPECT_EQ(QVChallengeToUser::getChallengeResultIconName(2), std::optional<std::string>("QVChallengeIconLost.png"));
    EXPECT_EQ(QVChallengeToUser::getChallengeResultIconName(0), std::nullopt);
}

TEST_F(ChallengeTest, AChallengeToUserSurvivesAFileRoundTrip)
{
    testing_support::TempDir dir;
    EXPECT_EQ(QVChallengeToUser::readFromFile(dir.file("missing.xml")), nullptr);
    EXPECT_EQ(QVChallengeToUser::readFromFile(dir.write("broken.xml", "<resources><challenges_user><id>")), nullptr);
    EXPECT_EQ(QVChallengeToUser::readFromFile(dir.write("other.xml", "<resources><user><id>5</id></user></resources>")),
              nullptr);

    auto original = received(0);
    original->setHasDecrementedChallengeCount(true);
    std::string path = dir.file("challenge.xml");
    ASSERT_TRUE(original->writeToFile(path));
    auto back = QVChallengeToUser::readFromFile(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->resourceId(), "71");
    EXPECT_EQ(back->result(), 1);
    EXPECT_EQ(back->resultDescription(), original->resultDescription());
    EXPECT_TRUE(back->isCompleted());
    EXPECT_TRUE(back->hasBeenViewed());
    EXPECT_EQ(back->attempts(), 2u);
    EXPECT_FALSE(back->hasDecrementedChallengeCount());
    ASSERT_TRUE(back->recipient());
    EXPECT_EQ(back->recipient()->name(), "Bo");
    ASSERT_TRUE(back->challenge());
    EXPECT_EQ(back->challenge()->resourceId(), "61");
    EXPECT_EQ(back->challenge()->challengeDescription(), "Beat my lap");
    EXPECT_EQ(back->challenge()->challengeDataUrl(), "/challenges/61/data.blob");
    EXPECT_EQ(back->challenge()->challenger()->name(), "Ann");
    ASSERT_TRUE(back->challenge()->challengeDefinition());
    EXPECT_EQ(back->challenge()->challengeDefinition()->title(), "Fastest Lap");
    EXPECT_TRUE(back->challenge()->challengeDefinition()->multiAttempt());
    // Written again, the file is the same.
    EXPECT_EQ(back->toResourceArrayXml(), original->toResourceArrayXml());

    // It holds the challenge's hidden text: the player's alone whatever the
    // umask, and nothing planted beside it (a link at the name a writer of
    // this process would pick) is written through.
    testing_support::ScopedUmask open(0);
    std::string victim = dir.write("victim.txt", "keep");
    std::string kept = dir.file("kept.xml");
    ASSERT_EQ(::symlink(victim.c_str(), (kept + ".tmp." + std::to_string(::getpid())).c_str()), 0);
    ASSERT_TRUE(original->writeToFile(kept));
    EXPECT_EQ(testing_support::readFile(victim), "keep");
    EXPECT_EQ(testing_support::fileMode(kept), 0600);
    ASSERT_TRUE(QVChallengeToUser::readFromFile(kept));
}

class DataRecorder : public QVChallengeResourceDelegate {
public:
    std::vector<std::string> calls;
    void didDownloadChallengeData(const std::optional<platform::Bytes>& data, QVChallenge*) override
    {
        calls.push_back(data ? std::string(data->begin(), data->end()) : std::string("none"));
    }
    void didFailDownloadChallengeDataQVChallenge(QVChallenge*) override { calls.push_back("failed"); }
};

TEST_F(ChallengeTest, ANewDataDownloadCancelsTheRunningOne)
{
    DataRecorder delegate;
    QVChallenge::setDelegate(&delegate);
    standin::Answer slow = standin::Answer::xml("first run");
    slow.hold = true;
    server.route("GET", "challenges/61/data.blob", slow);
    server.route("GET", "challenges/62/data.blob", standin::Answer::xml("second run"));
    server.route("GET", "challenges/63/data.blob", standin::Answer::xml("gone", 404));
    platform::Bytes stored = QVCompressableData::serializedDataFromData(platform::Bytes(3000, 'z'));
    server.route("GET", "challenges/64/data.blob", standin::Answer::xml(std::string(stored.begin(), stored.end())));
    std::string broken(stored.begin(), stored.begin() + 20);
    server.route("GET", "challenges/65/data.blob", standin::Answer::xml(broken));

    auto record = received(0);
    QVChallenge* first = record->challenge();
    auto second = QVChallenge::create();
    second->setDataUrl("/challenges/62/data.blob");
    ASSERT_NE(first->downloadChallengeData(), nullptr);
    ASSERT_TRUE(waitForRequests(1));
    ASSERT_NE(second->downloadChallengeData(), nullptr);
    ASSERT_TRUE(waitFor([&] { return !delegate.calls.empty(); }));
    server.releaseHeld();
    settleNetwork();
    EXPECT_EQ(delegate.calls, std::vector<std::string> { "second run" });

    auto missing = QVChallenge::create();
    missing->setDataUrl("/challenges/63/data.blob");
    missing->downloadChallengeData();
    ASSERT_TRUE(waitFor([&] { return delegate.calls.size() == 2; }));
    EXPECT_EQ(delegate.calls.back(), "failed");

    EXPECT_EQ(QVChallenge::create()->downloadChallengeData(), nullptr);
    EXPECT_EQ(delegate.calls.size(), 2u);

    // Stored blobs arrive expanded; one that does not expand is a failure.
    auto packed = QVChallenge::create();
    packed->setDataUrl("/challenges/64/data.blob");
    packed->downloadChallengeData();
    ASSERT_TRUE(waitFor([&] { return delegate.calls.size() == 3; }));
    EXPECT_EQ(delegate.calls.back(), std::string(3000, 'z'));
    packed->setDataUrl("/challenges/65/data.blob");
    packed->downloadChallengeData();
    ASSERT_TRUE(waitFor([&] { return delegate.calls.size() == 4; }));
    EXPECT_EQ(delegate.calls.back(), "failed");
}

TEST_F(ChallengeTest, ChallengeDataIsSentOnlyWhenARecipientCanReadItBack)
{
    // The largest data a recipient expands: sent, and downloaded whole.
    platform::Bytes largest(QVChallengeService::kMaxChallengeData, 'd');
    auto r = sendOne([&](auto& s, auto& f) {
        QVChallengeService::sendChallenge("51", "Long run", largest, std::nullopt, "", { "21" }, std::nullopt, s, f);
    });
    server.route("GET", "challenges/66/data.blob", standin::Answer::xml(r.param("challenge_user_data")));
    DataRecorder delegate;
    QVChallenge::setDelegate(&delegate);
    auto challenge = QVChallenge::create();
    challenge->setDataUrl("/challenges/66/data.blob");
    challenge->downloadChallengeData();
    ASSERT_TRUE(waitFor([&] { return !delegate.calls.empty(); }));
    EXPECT_EQ(delegate.calls[0].size(), largest.size());

    // One byte more could never reach anyone: refused when sent.
    platform::Bytes tooLarge(QVChallengeService::kMaxChallengeData + 1, 'd');
    expectRefusedAtOnce([&](auto& s, auto& f) {
        EXPECT_EQ(QVChallengeService::sendChallenge("51", "Too long", tooLarge, std::nullopt, "", { "21" }, std::nullopt,
                                                    s, f),
                  nullptr);
    });
}

TEST_F(ChallengeTest, ReceivedChallengesAreShownOnceFetched)
{
    QVChallengeService::getChallengeToUserAndShowNotification("71");
    ASSERT_TRUE(waitFor([&] { return !shown.empty(); }));
    EXPECT_EQ(shown, std::vector<std::string> { "notice 71" });

    // Offline, the detail waits for the next bootstrap.
    challenges.onlineFlag = false;
    server.clearLog();
    QVChallengeService::getChallengeToUserAndShowDetailView("71");
    settleNetwork();
    EXPECT_EQ(server.requestCount(), 0u);
    challenges.onlineFlag = true;
    bootstrapSuccess.invoke(nullptr);
    ASSERT_TRUE(waitFor([&] { return shown.size() == 2; }));
    EXPECT_EQ(shown.back(), "detail 61");

    // A failed fetch shows the error notice; an empty answer shows nothing.
    QVChallengeService::getChallengeToUserAndShowNotification("72");
    ASSERT_TRUE(waitFor([&] { return !challenges.background.empty(); }));
    EXPECT_EQ(challenges.background[0].text, "Error downloading challenge.");
    EXPECT_EQ(challenges.background[0].statusImage, "QuorvelStatusIconNotificationFailure.png");
    EXPECT_EQ(challenges.background[0].imageName, "") << "the failure is the notice's status, not its picture";
    EXPECT_EQ(challenges.background[0].category, 3);
    EXPECT_EQ(challenges.background[0].type, 3);
    server.clearLog();
    QVChallengeService::getChallengeToUserAndShowDetailView("73");
    ASSERT_TRUE(waitForRequests(1));
    settleNetwork();
    EXPECT_EQ(shown.size(), 2u);
}

TEST_F(ChallengeTest, CompletionOpensTheScreenThatFitsTheDefinition)
{
    auto multi = received(0); // multi-attempt definition, won
    multi->displayCompletionWithData(platform::Bytes { 'x' }, "Beat this");
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(screens[0].controllerName, "SendChallenge");
    EXPECT_EQ(screens[0].title, "Challenge Result");
    EXPECT_EQ(screens[0].challengeDefinitionId, "51");
    EXPECT_EQ(screens[0].challengeText, "Beat this");
    EXPECT_TRUE(screens[0].isCompleted);
    EXPECT_EQ(screens[0].userChallenge.get(), multi.get());

    multi->setResult(2); // lost a multi-attempt challenge: it stays open
    multi->displayCompletionWithData(std::nullopt, "");
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[1].controllerName, "CompletedChallengeHeader");
    EXPECT_FALSE(multi->isCompleted());

    auto single = received(1);
    single->displayCompletionWithData(std::nullopt, "");
    EXPECT_EQ(screens.size(), 2u) << "no result: nothing opens";
    single->setResult(2);
    single->displayCompletionWithData(std::nullopt, "");
    ASSERT_EQ(screens.size(), 3u);
    EXPECT_TRUE(single->isCompleted());

    QVChallenge::initWithDefinition(multi->challenge()->challengeDefinition(), "Race me", platform::Bytes { 'd' })
        ->displayAndSendChallenge();
    ASSERT_EQ(screens.size(), 4u);
    EXPECT_EQ(screens[3].title, "Challenge Friends");
    EXPECT_EQ(screens[3].challengeText, "Race me");
    EXPECT_FALSE(screens[3].isCompleted);
}

// -- definitions ------------------------------------------------------------------------------------

class DefinitionRecorder : public QVChallengeDefinitionDelegate {
public:
    std::vector<std::string> calls;
    void didDownloadChallengeDefinition(QVChallengeDefinition* d) override { calls.push_back("one " + d->title()); }
    void didFailDownloadChallengeDefinition() override { calls.push_back("one failed"); }
    void didDownloadAllChallengeDefinitions(const std::vector<Ref<QVChallengeDefinition>>& all) override
    {
        calls.push_back("all " + std::to_string(all.size()));
    }
    void didGetIcon(platform::Image*, QVChallengeDefinition* d) override { calls.push_back("icon " + d->title()); }
    void getFailGetIconQVChallengeDefinition(QVChallengeDefinition* d) override
    {
        calls.push_back("no icon " + d->title());
    }
};

TEST_F(ChallengeTest, DefinitionsAndTheirStatistics)
{
    auto r = sendOne([](auto& s, auto& f) {
        QVChallengeDefinitionService::getChallengeDefinitionStatsForLocalUser(2, std::nullopt, s, f);
    });
    EXPECT_EQ(r.path, "challenge_definitions.xml");
    EXPECT_EQ(ownParams(r), (Params { { "challenge_definition_stats", "1" }, { "per_page", "20" }, { "page", "2" },
                                      { "client_application_id", "301" } }));
    EXPECT_EQ(challenges.notices, std::vector<std::string> { "Downloading Challenge Information" });
    r = sendOne([](auto& s, auto& f) {
        QVChallengeDefinitionService::getChallengeDefinitionStatsForLocalUser(1, std::string("302"), "44", s, f);
    });
    EXPECT_EQ(r.param("client_application_id"), "302");
    EXPECT_EQ(r.param("compared_user_id"), "44");
    expectRefusedAtOnce(
        [](auto& s, auto& f) { QVChallengeDefinitionService::getChallengeDefinitionWithId("", s, f); });

    std::string xml = fixture("challenge_definition_stats.xml");
    auto stats = QVResource::resourcesFromData(xml.data(), xml.size(),
                                               QVChallengeDefinitionService::service().getKnownResources());
    auto* alone = dynamic_cast<QVChallengeDefinitionStats*>(stats->objectAtIndex(0));
    auto* compared = dynamic_cast<QVChallengeDefinitionStats*>(stats->objectAtIndex(1));
    ASSERT_TRUE(alone && compared);
    EXPECT_FALSE(alone->comparison());
    EXPECT_EQ(alone->localUsersWins(), 4);
    EXPECT_EQ(alone->localUsersTies(), 1);
    EXPECT_EQ(alone->comparedUsersWins(), 0);
    EXPECT_EQ(alone->challengeDefinition()->title(), "Fastest Lap");
    EXPECT_TRUE(compared->comparison());
    EXPECT_EQ(compared->comparedUsersLosses(), 5);

    DefinitionRecorder delegate;
    QVChallengeDefinition::setDelegate(&delegate);
    QVChallengeDefinition::downloadAllChallengeDefinitions();
    QVChallengeDefinition::downloadChallengeDefinitionWithId("51");
    ASSERT_TRUE(waitFor([&] { return delegate.calls.size() == 2; }));
    QVChallengeDefinition::downloadChallengeDefinitionWithId("59");
    ASSERT_TRUE(waitFor([&] { return delegate.calls.size() == 3; }));
    std::sort(delegate.calls.begin(), delegate.calls.begin() + 2);
    EXPECT_EQ(delegate.calls, (std::vector<std::string> { "all 3", "one Fastest Lap", "one failed" }));

    // Clearing the delegate forgets the class's running requests.
    QVChallengeDefinition::downloadAllChallengeDefinitions();
    EXPECT_EQ(QVRequestHandlesForModule::handleCount(QVChallengeDefinitionClass::module()), 1u);
    QVChallengeDefinition::setDelegate(nullptr);
    EXPECT_EQ(QVRequestHandlesForModule::handleCount(QVChallengeDefinitionClass::module()), 0u);
}

TEST_F(ChallengeTest, IconsComeFromTheCacheAtOnceAndBytesThatAreNoImageFail)
{
    QVImageCache::initializeCache();
    DefinitionRecorder delegate;
    QVChallengeDefinition::setDelegate(&delegate);
    auto definition = QVChallengeDefinition::create();
    definition->setTitle("Lap");
    definition->setIconUrl("images/lap.png");
    server.route("GET", "images/lap.png", standin::Answer::xml("<not-an-image/>"));
    EXPECT_TRUE(definition->getIcon());
    ASSERT_TRUE(waitFor([&] { return delegate.calls.size() == 1; }));
    QVImageCache::sharedInstance()->store(platform::Image::imageWithRGBA(1, 1, platform::Bytes { 1, 2, 3, 255 }),
                                          definition->iconUrl());
    EXPECT_FALSE(definition->getIcon());
    EXPECT_EQ(delegate.calls, (std::vector<std::string> { "no icon Lap", "icon Lap" }));
    QVImageCache::shutdownCache();
}

TEST_F(ChallengeTest, MultiAttemptReadsAsAFlag)
{
    std::string xml = fixture("challenge_definitions.xml");
    auto all = QVResource::resourcesFromData(xml.data(), xml.size(),
                                             QVChallengeDefinitionService::service().getKnownResources());
    std::vector<std::string> flags;
    for (const auto& o : all->objects())
        flags.push_back(dynamic_cast<QVChallengeDefinition*>(o.get())->getMultiAttemptAsString());
    EXPECT_EQ(flags, (std::vector<std::string> { "1", "0", "0" }));
}

} // namespace
