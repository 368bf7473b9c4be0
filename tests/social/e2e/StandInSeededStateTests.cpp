// What a new service folder is seeded with and answers from its state rather
// than from fixtures: challenge definitions with each player's record, the
// ticker, spread ranges of a leaderboard's scores, and linked networks; the
// client's cloud upload at its own path; and the storage host's blobs kept in
// the state so that they outlive a restart.
#include "StandInRequestSupport.h"

#include <gtest/gtest.h>

using standin_testing::KeptStandInTest;

namespace {

bool has(const std::string& body, const std::string& text) { return body.find(text) != std::string::npos; }

size_t occurrences(const std::string& body, const std::string& text)
{
    size_t n = 0;
    for (size_t at = body.find(text); at != std::string::npos; at = body.find(text, at + 1))
        ++n;
    return n;
}

using StandInSeededState = KeptStandInTest;

TEST_F(StandInSeededState, ChallengeDefinitionsComeFromTheStateWithEachPlayersRecord)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");
    auto all = send(ann, "GET", "challenge_definitions.xml").body;
    EXPECT_EQ(occurrences(all, "<challenge_definition>"), 3u) << all;
    EXPECT_TRUE(has(all, "<name>Fastest Lap</name><client_application_id>321</client_application_id>"
                         "<image_url></image_url><multi_attempt>true</multi_attempt>"))
        << all;
    auto one = send(ann, "GET", "challenge_definitions/52.xml").body;
    EXPECT_EQ(occurrences(one, "<challenge_definition>"), 1u) << one;
    EXPECT_TRUE(has(one, "<name>High Score</name>"));
    EXPECT_EQ(send(ann, "GET", "challenge_definitions/99.xml").status, 404);
    EXPECT_EQ(send(ann, "GET", "challenge_definitions/x.xml").status, 404);

    // A definition added to the state is one a challenge can be sent with; an unknown one is not.
    ASSERT_TRUE(execSql("INSERT INTO challenge_definitions VALUES (54, 'Sprint', NULL, 0)"));
    std::string to = std::to_string(bob);
    EXPECT_EQ(send(ann, "POST", "challenges.xml",
                   { { "challenge_definition_id", "54" }, { "challenge_description", "Sprint" }, { "challenge_user_ids[]", to } })
                  .status,
              200);
    EXPECT_EQ(send(ann, "POST", "challenges.xml",
                   { { "challenge_definition_id", "55" }, { "challenge_description", "?" }, { "challenge_user_ids[]", to } })
                  .status,
              400);
    // Bob wins it: his record shows the win, Ann's the loss and the comparison.
    ASSERT_EQ(send(bob, "POST", "challenges_users/71/update.xml", { { "challenges_user[result]", "win" } }).status, 200);
    auto stats = send(bob, "GET", "challenge_definitions.xml",
                      { { "challenge_definition_stats", "1" }, { "per_page", "20" }, { "page", "1" } })
                     .body;
    EXPECT_EQ(occurrences(stats, "<challenge_definition_stats>"), 4u) << stats;
    EXPECT_TRUE(has(stats, "<name>Sprint</name><client_application_id>321</client_application_id><image_url></image_url>"
                           "<multi_attempt>false</multi_attempt></challenge_definition><local_users_wins>1"))
        << stats;
    auto compared = send(ann, "GET", "challenge_definitions.xml",
                         { { "challenge_definition_stats", "1" }, { "compared_user_id", to } })
                        .body;
    EXPECT_TRUE(has(compared, "<local_users_wins>0</local_users_wins><local_users_losses>1</local_users_losses>"
                              "<local_users_ties>0</local_users_ties><compared_users_wins>1</compared_users_wins>"))
        << compared;
}

TEST_F(StandInSeededState, TheTickerAndRangesAreAnsweredFromTheState)
{
    int64_t ann = addPlayer("Ann");
    auto ticker = send(ann, "GET", "tickers.xml", { { "page", "1" } }).body;
    EXPECT_EQ(occurrences(ticker, "<ticker>"), 3u) << ticker;
    EXPECT_TRUE(has(ticker, "<message>Cave Diver tops the charts this week</message><date>2026-12-06T10:00:00Z</date>"));
    ASSERT_TRUE(execSql("INSERT INTO tickers (message, date) VALUES ('Ann & Bob <tied>', 'today')"));
    EXPECT_TRUE(has(send(ann, "GET", "tickers.xml").body, "<message>Ann &amp; Bob &lt;tied&gt;</message>"));

    // Normal holds the rival's 900; three more players' bests.
    for (auto [name, score] : { std::pair { "Bo", 1200 }, { "Cy", 1210 }, { "Di", 400 } })
        state->addScore(addPlayer(name), standin::StandInState::kNormalLeaderboard, score);
    state->addScore(ann, standin::StandInState::kNormalLeaderboard, 950);
    // From 500 in bands of 100: 950 (Ann over the rival's 900) and 1210 (Cy over Bo); 400 is below.
    auto first = send(ann, "GET", "leaderboards/5/high_scores/range/500/100/1/2.xml");
    ASSERT_EQ(first.status, 200) << first.body;
    EXPECT_EQ(occurrences(first.body, "<high_score>"), 2u) << first.body;
    EXPECT_TRUE(has(first.body, "<score>950</score><rank>3</rank>")) << first.body;
    EXPECT_TRUE(has(first.body, "<score>1210</score><rank>1</rank>")) << first.body;
    auto second = send(ann, "GET", "leaderboards/5/high_scores/range/500/100/2/2.xml").body;
    EXPECT_EQ(occurrences(second, "<high_score>"), 0u) << "an empty page ends the range";
    EXPECT_TRUE(has(second, "<total_objects>2</total_objects>")) << second;
    EXPECT_EQ(send(ann, "GET", "leaderboards/5/high_scores/range/500/0/1/2.xml").status, 400);
    EXPECT_EQ(send(ann, "GET", "leaderboards/5/high_scores/range/500/100/999999999999/100.xml").status, 200);
    EXPECT_EQ(send(ann, "GET", "leaderboards/9/high_scores/range/0/10/1/10.xml").status, 404);
    EXPECT_EQ(send(ann, "GET", "leaderboards/5/high_scores/range/0/10.xml").status, 404);
}

TEST_F(StandInSeededState, LinkingANetworkIsKeptAndListedBack)
{
    int64_t ann = addPlayer("Ann");
    auto linked = send(ann, "POST", "users_credentials.xml",
                       { { "credential[username]", "ann" }, { "credential[password]", "pw" }, { "credential_type", "twitter" } });
    ASSERT_EQ(linked.status, 200) << linked.body;
    auto listed = send(ann, "GET", "users_credentials", { { "only_include_linked_credentials", "1" } }).body;
    EXPECT_TRUE(has(listed, "<credential_type>twitter</credential_type>")) << listed;
    EXPECT_FALSE(has(listed, "fbconnect"));
    EXPECT_EQ(queryText("SELECT credential_type FROM linked_networks WHERE user_id = " + std::to_string(ann)), "twitter");
    // Securing the account checks what it is sent and links no network.
    EXPECT_EQ(send(ann, "POST", "users_credentials.xml",
                   { { "credential[email]", "ann" }, { "credential[password]", "a" }, { "credential_type", "http_basic" } })
                  .status,
              406);
    EXPECT_EQ(send(ann, "POST", "users_credentials.xml",
                   { { "credential[email]", "ann@example.com" }, { "credential[password]", "a" },
                     { "credential[password_confirmation]", "b" }, { "credential_type", "http_basic" } })
                  .status,
              406);
    EXPECT_EQ(send(ann, "POST", "users_credentials.xml", { { "credential_type", "myspace" } }).status, 422);
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM linked_networks"), "1");
}

TEST_F(StandInSeededState, TheStorageHostsBlobsAreKeptInTheStateAndOutliveARestart)
{
    standin::StorageHostStandIn host;
    state->keepObjectsOf(host);
    ASSERT_GT(host.start(), 0);
    std::string blob("QVZLHDR0\0\x01\xff blob", 16);
    std::string body;
    for (auto& [field, value] : host.uploadForm("blobs/901"))
        body += "--b\r\nContent-Disposition: form-data; name=\"" + field + "\"\r\n\r\n" + value + "\r\n";
    body += "--b\r\nContent-Disposition: form-data; name=\"file\"; filename=\"test.blob\"\r\n\r\n" + blob + "\r\n--b--";
    auto posted = standin_testing::sendRaw(host.port(), "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: "
                                                        "multipart/form-data; boundary=b\r\nContent-Length: "
                                                            + std::to_string(body.size()) + "\r\n\r\n" + body);
    EXPECT_EQ(posted.status, 204);
    // A form issued before the restart, posted after it.
    standin::Params issued = host.uploadForm("blobs/904");
    issued.emplace_back("file", "late");
    host.stop();

    // A new host on a new state opened on the same folder answers it.
    server.stop();
    state.reset();
    state = std::make_unique<standin::StandInState>(home.path());
    standin::StorageHostStandIn again;
    state->keepObjectsOf(again);
    ASSERT_GT(again.start(), 0);
    auto fetched = standin_testing::sendRaw(again.port(), "GET /blobs/901 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    EXPECT_EQ(fetched.status, 200);
    EXPECT_TRUE(fetched.body == blob) << fetched.body.size() << " bytes came back";
    EXPECT_EQ(standin_testing::sendRaw(again.port(), "GET /blobs/902 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n").status, 404);
    ASSERT_TRUE(again.storedObject("blobs/901"));
    again.storeObject("blobs/903", "x");
    EXPECT_EQ(queryText("SELECT bytes FROM storage_objects WHERE key = 'blobs/903'"), "x");
    // The host signs with the secret the state keeps: its forms outlive the
    // restart, and a host of another secret takes none of them.
    std::string why;
    EXPECT_EQ(again.checkUploadForm(issued, &why), 0) << why;
    standin::StorageHostStandIn stranger;
    EXPECT_EQ(stranger.checkUploadForm(issued, &why), 403);
    EXPECT_EQ(why, "the form's signature does not match its policy");
    again.stop();
}

} // namespace
