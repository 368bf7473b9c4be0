// The stand-in keeps each player's word on every route: what one player
// writes stays theirs (a setting's key, a received challenge's record, in a
// folder an older service kept too), the report of a blob the storage host
// never got reaches every viewer's list, one bad value of a batch refuses
// itself alone, a range at int64's ends is answered without overflow, values
// no client sends that long (a device's id, a push token) or that often (one
// player named in an invitation or a challenge over and over) are refused or
// taken once, a request naming more receivers than a list's page holds is
// refused whole, and every list comes a page at a time as the client asks.
#include "StandInRequestSupport.h"

#include "social/services/QVServiceBounds.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

using standin_testing::KeptStandInTest;

namespace {

bool has(const std::string& body, const std::string& text) { return body.find(text) != std::string::npos; }

size_t count(const std::string& body, const std::string& text)
{
    size_t n = 0;
    for (size_t at = body.find(text); at != std::string::npos; at = body.find(text, at + text.size()))
        ++n;
    return n;
}

// The ids of the elements a list answer holds, in order: each `<tag><id>N`.
std::vector<std::string> ids(const std::string& body, const std::string& tag)
{
    std::vector<std::string> out;
    const std::string open = "<" + tag + "><id>";
    for (size_t at = body.find(open); at != std::string::npos; at = body.find(open, at + 1))
        out.push_back(body.substr(at + open.size(), body.find('<', at + open.size()) - at - open.size()));
    return out;
}

using StandInPlayersWord = KeptStandInTest;

} // namespace

TEST_F(StandInPlayersWord, WhatAPlayerWritesAndReceivesIsTheirs)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");

    // A setting's key the shared list does not offer is the player's own: no one else lists or reads it.
    const standin::Params evil { { "user_setting[key]", "free_gems_visit_evil_example" }, { "user_setting[value]", "1" } };
    ASSERT_EQ(send(ann, "POST", "users/@me/settings.xml", evil).status, 200);
    EXPECT_TRUE(has(send(ann, "GET", "users/@me/settings.xml").body, "<key>free_gems_visit_evil_example</key>"));
    const std::string bobs = send(bob, "GET", "users/@me/settings.xml").body;
    EXPECT_FALSE(has(bobs, "free_gems")) << bobs;
    EXPECT_EQ(send(bob, "GET", "users/@me/settings/free_gems_visit_evil_example.xml").status, 404);
    // Bob's own of the same name is his, and changing it leaves Ann's.
    ASSERT_EQ(send(bob, "POST", "users/@me/settings.xml",
                   { { "user_setting[key]", "free_gems_visit_evil_example" }, { "user_setting[value]", "0" } })
                  .status,
              200);
    EXPECT_TRUE(has(send(ann, "GET", "users/@me/settings/free_gems_visit_evil_example.xml").body, "<value>1</value>"));
    // A player keeps a handful of their own, not thousands on every page the service builds.
    int kept = 1, refused = 0;
    for (int i = 0; i < 40; ++i) {
        int status = send(ann, "POST", "users/@me/settings.xml",
                          { { "user_setting[key]", "flood_" + std::to_string(i) }, { "user_setting[value]", "1" } })
                         .status;
        (status == 200 ? kept : refused) += 1;
        if (status != 200) {
            EXPECT_EQ(status, 422);
        }
    }
    EXPECT_EQ(kept, 32);
    EXPECT_EQ(refused, 9);
    EXPECT_EQ(count(send(bob, "GET", "users/@me/settings.xml").body, "<user_setting>"), 4u);

    // A received challenge's record is answered from the state, to the player it went to alone.
    ASSERT_GT(state->addChallenge(standin::StandInState::kRivalUser, 51, "Lap of honour", "Catch me", ann), 0);
    ASSERT_GT(state->addChallenge(standin::StandInState::kRivalUser, 52, "Top this", "", ann), 0);
    const std::string first = queryText("SELECT MIN(id) FROM challenges_users WHERE user_id = " + std::to_string(ann));
    const std::string second = queryText("SELECT MAX(id) FROM challenges_users WHERE user_id = " + std::to_string(ann));
    auto record = send(ann, "GET", "challenges_users/" + first + ".xml");
    ASSERT_EQ(record.status, 200) << record.body;
    EXPECT_TRUE(has(record.body, "<challenges_user><id>" + first + "</id>")) << record.body;
    EXPECT_TRUE(has(record.body, "<description>Lap of honour</description>")) << record.body;
    EXPECT_TRUE(has(record.body, "<user_message>Catch me</user_message>")) << record.body;
    EXPECT_TRUE(has(record.body, "<user><id>18</id><name>Rival</name>")) << record.body;
    EXPECT_TRUE(has(send(ann, "GET", "challenges_users/" + second + ".xml").body, "<description>Top this</description>"));
    for (auto [who, path] : { std::pair { bob, first }, std::pair { ann, std::string("99999") } }) {
        auto refused = send(who, "GET", "challenges_users/" + path + ".xml");
        EXPECT_EQ(refused.status, 404) << path;
        EXPECT_FALSE(has(refused.body, "Lap of honour")) << refused.body;
    }
    auto unsignedAsk = standin_testing::sendRaw(server.port(), "GET /challenges_users/" + first
                                                                   + ".xml HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    EXPECT_EQ(unsignedAsk.status, 401);
    EXPECT_FALSE(has(unsignedAsk.body, "Lap of honour"));

    // A folder an older service kept: a key Ann made in the shared list with
    // her value beside it (an operator's setting there too), and a record of
    // hers twice. Started on it, the service gives the key to Ann alone (who
    // keeps it past her bound, adding none) and keeps one record.
    const std::string me = std::to_string(ann);
    ASSERT_TRUE(execSql("INSERT INTO settings VALUES (40, 'old_gems', 'old_gems', '0'), (41, 'location', 'Location', '0');"
                        "INSERT INTO user_settings VALUES (" + me + ", 40, '1'), (" + me + ", 41, '1');"
                        "INSERT INTO challenges_users (challenge_id, user_id) SELECT challenge_id, user_id FROM"
                        " challenges_users WHERE id = " + first));
    standin::StandInServer again;
    restartAs(again);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(queryText("SELECT group_concat(key) FROM (SELECT key FROM settings ORDER BY id)"),
              "share_online_status,notify_challenges,newsletter_quorvel,location");
    EXPECT_EQ(queryText("SELECT user_id || '=' || value FROM own_settings WHERE key = 'old_gems'"), me + "=1");
    const std::string token = "token-" + me, secret = "secret-" + me;
    EXPECT_EQ(standin_testing::ask(again.port(), "POST", "users/@me/settings.xml",
                                   { { "user_setting[key]", "newer" }, { "user_setting[value]", "1" } }, token, secret)
                  .status,
              422);
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM challenges_users WHERE user_id = " + me), "2");
    again.stop();
}

TEST_F(StandInPlayersWord, AMissingBlobsReportFromAnyViewerTakesItsAddressOffTheList)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");
    standin::StorageHostStandIn host;
    state->keepObjectsOf(host);
    ASSERT_GT(host.start(), 0);
    // Ann's score comes with a blob whose upload never comes.
    auto posted = send(ann, "POST", "client_applications/@me/high_scores.xml",
                       { { "high_scores[][leaderboard_id]", "5" }, { "high_scores[][score]", "5000" },
                         { "high_scores[][has_blob]", "1" } });
    ASSERT_EQ(posted.status, 200) << posted.body;
    const std::string score = queryText("SELECT id FROM high_scores WHERE user_id = " + std::to_string(ann));
    const std::string key = queryText("SELECT key FROM score_blobs WHERE score_id = " + score);
    ASSERT_FALSE(key.empty());
    auto listing = [&] { return send(bob, "GET", "client_applications/@me/high_scores.xml", { { "leaderboard_id", "5" } }).body; };
    ASSERT_TRUE(has(listing(), "<blob_url>" + host.baseUrl() + key + "</blob_url>")) << listing();

    // Bob was shown it, fetched it and met a 404: his report takes the address off everyone's list.
    auto reported = send(bob, "POST", "high_scores/" + score + "/invalidate_blob.xml");
    EXPECT_EQ(reported.status, 200) << reported.body;
    EXPECT_FALSE(has(listing(), "<blob_url>")) << listing();
    EXPECT_FALSE(has(send(ann, "GET", "client_applications/@me/high_scores.xml", { { "leaderboard_id", "5" } }).body,
                     "<blob_url>"));
    EXPECT_EQ(send(bob, "POST", "high_scores/" + score + "/invalidate_blob.xml").status, 200) << "said twice";
    EXPECT_EQ(send(bob, "POST", "high_scores/99999/invalidate_blob.xml").status, 404);
    // The upload arriving late lists the blob again; a report of a blob the host holds changes nothing.
    host.storeObject(key, "QVZLHDR0 late");
    EXPECT_TRUE(has(listing(), "<blob_url>" + host.baseUrl() + key + "</blob_url>")) << listing();
    auto wrong = send(bob, "POST", "high_scores/" + score + "/invalidate_blob.xml");
    EXPECT_EQ(wrong.status, 422) << wrong.body;
    EXPECT_TRUE(has(wrong.body, "The storage host holds the blob of score " + score)) << wrong.body;
    EXPECT_TRUE(has(listing(), "<blob_url>")) << listing();
    host.stop();
}

TEST_F(StandInPlayersWord, OneBadValueOfABatchRefusesItselfAlone)
{
    // Progress that is no number between 0 and 100 is refused by itself; the
    // valid unlock beside it is kept and confirmed.
    for (const char* bad : { "nan", "NaN", "-nan", "inf", "1e999", "150", "-1" }) {
        int64_t player = addPlayer(std::string("Player ") + bad);
        auto reply = send(player, "POST", "users/@me/unlocked_achievements.xml",
                          { { "achievement_list[][achievement_definition_id]", "11" },
                            { "achievement_list[][percent_complete]", "100" },
                            { "achievement_list[][achievement_definition_id]", "12" },
                            { "achievement_list[][percent_complete]", bad } });
        ASSERT_EQ(reply.status, 200) << bad << ": " << reply.body;
        EXPECT_EQ(count(reply.body, "<result>ok</result>"), 1u) << bad << ": " << reply.body;
        EXPECT_TRUE(has(reply.body, "<achievement_definition><id>12</id></achievement_definition><result>invalid</result>"))
            << bad << ": " << reply.body;
        EXPECT_EQ(queryText("SELECT group_concat(achievement_id || '=' || percent_complete) FROM unlocks WHERE user_id = "
                            + std::to_string(player)),
                  "11=100.0")
            << bad;
    }
}

TEST_F(StandInPlayersWord, ARangeAtTheEndsOfSixtyFourBitsIsAnsweredWithoutOverflow)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");
    state->addScore(ann, 5, -50);
    state->addScore(bob, 5, 10);
    const std::string lowest = "-9223372036854775808", highest = "9223372036854775807";
    struct Row {
        std::string path;
        int status;
        std::vector<std::string> scores; // in the order listed
    };
    const std::vector<Row> rows {
        // Every band from the lowest start: the bands in the board's order of values.
        { lowest + "/1/1/10", 200, { "-50", "10", "900" } },
        // Two bands as wide as int64 is high: below 0 and above, each with its best.
        { lowest + "/" + highest + "/1/10", 200, { "-50", "900" } },
        { "-100/" + highest + "/1/10", 200, { "900" } },
        { highest + "/1/1/10", 200, {} },
        { "0/1/2/2", 200, {} },
        // A page past the highest a list reads is that one, empty; a number past int64 is none.
        { "0/1/" + highest + "/100", 200, {} },
        { "0/1/9223372036854775808/10", 400, {} },
        { "0/0/1/10", 400, {} },
    };
    for (const Row& row : rows) {
        auto reply = send(ann, "GET", "leaderboards/5/high_scores/range/" + row.path + ".xml");
        EXPECT_EQ(reply.status, row.status) << row.path << ": " << reply.body;
        if (reply.status != 200)
            continue;
        std::vector<std::string> listed;
        for (size_t at = reply.body.find("<score>"); at != std::string::npos; at = reply.body.find("<score>", at + 1))
            listed.push_back(reply.body.substr(at + 7, reply.body.find('<', at + 7) - at - 7));
        EXPECT_EQ(listed, row.scores) << row.path << ": " << reply.body;
        // The header's offset is its page's, counted without wrapping.
        auto header = [&](const std::string& name) {
            return std::stoll(reply.body.substr(reply.body.find("<" + name + ">") + name.size() + 2));
        };
        EXPECT_EQ(header("current_offset"), (header("current_page") - 1) * header("per_page"))
            << row.path << ": " << reply.body;
    }
}

TEST_F(StandInPlayersWord, ValuesPastTheirBoundAreRefusedAndAPlayerIsInvitedOnce)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");
    ASSERT_TRUE(execSql("INSERT INTO device_accounts VALUES ('phone-ann', " + std::to_string(ann) + ")"));
    const std::string devices = "SELECT (SELECT COUNT(*) FROM devices) + (SELECT COUNT(*) FROM device_accounts)"
                                " + (SELECT COUNT(*) FROM device_tokens) + (SELECT COUNT(*) FROM users)";
    const std::string before = queryText(devices);
    const std::string longUdid(1'000'004, 'u'), longToken(900'000, 'a');
    struct Row {
        std::string method, path;
        standin::Params form;
        bool signedByGame;
        std::string field;
    };
    const std::vector<Row> rows {
        { "POST", "bootstrap.xml", { { "udid", longUdid } }, true, "udid" },
        { "POST", "bootstrap.xml", { { "udid", "phone-ann" }, { "device_token", longToken } }, true, "device_token" },
        { "GET", "users/for_device.xml", { { "udid", std::string(65, 'u') } }, true, "udid" },
        { "POST", "push_notification_device_tokens.xml", { { "udid", longUdid }, { "device_token", "ab" } }, false, "udid" },
        { "POST", "push_notification_device_tokens.xml", { { "udid", "phone-ann" }, { "device_token", longToken } }, false,
          "device_token" },
        { "POST", "push_notification_device_tokens.xml",
          { { "udid", "phone-ann" }, { "device_token", "ab" }, { "apns_environment", std::string(33, 'e') } }, false,
          "apns_environment" },
        { "POST", "session.xml",
          { { "credential_type", "http_basic" }, { "credential[email]", "a@b.c" }, { "credential[password]", "x" },
            { "udid", longUdid } },
          true, "udid" },
        { "POST", "invites.xml", { { "key", "brisko-friends" }, { "invite[email_receivers][]", std::string(250, 'e') + "@b.co" } },
          false, "email_receivers" },
    };
    for (const Row& row : rows) {
        auto reply = row.signedByGame ? standin_testing::ask(server.port(), row.method, row.path, row.form, "", "")
                                      : send(ann, row.method, row.path, row.form);
        EXPECT_EQ(reply.status, 422) << row.path << " " << row.field << ": " << reply.body.substr(0, 300);
        EXPECT_TRUE(has(reply.body, "<field>" + row.field + "</field><reason>is too long (at most "))
            << row.path << ": " << reply.body.substr(0, 300);
        EXPECT_LT(reply.body.size(), 1000u) << row.path;
    }
    EXPECT_EQ(queryText(devices), before);
    // At their bounds they are taken.
    const std::string udid(64, 'u');
    EXPECT_EQ(standin_testing::ask(server.port(), "POST", "bootstrap.xml", { { "udid", udid } }, "", "").status, 200);
    EXPECT_EQ(send(ann, "POST", "push_notification_device_tokens.xml",
                   { { "udid", "phone-ann" }, { "device_token", std::string(512, 'a') } })
                  .status,
              200);

    // One player named over and over is invited once.
    standin::Params invite { { "key", "brisko-friends" }, { "invite[sender_message]", "Race me" } };
    for (int i = 0; i < 2000; ++i)
        invite.emplace_back("invite[receivers][]", std::to_string(bob));
    invite.emplace_back("invite[sms_receivers][]", "555 0101");
    invite.emplace_back("invite[sms_receivers][]", "555 0101");
    auto sent = send(ann, "POST", "invites.xml", invite);
    ASSERT_EQ(sent.status, 200);
    EXPECT_EQ(count(sent.body, "<invite>"), 2u);
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM invites WHERE sender_id = " + std::to_string(ann)), "2");
    EXPECT_TRUE(has(send(bob, "GET", "invites.xml").body, "<total_objects>1</total_objects>"));
    // Invited again in later requests, they keep the invites they have.
    for (int i = 0; i < 5; ++i)
        send(ann, "POST", "invites.xml", invite);
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM invites WHERE sender_id = " + std::to_string(ann)), "2");

    // A request naming more receivers or players than a page holds is refused
    // whole and briefly; at the bound it is kept; one named 30,000 times is one.
    ASSERT_TRUE(execSql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 101)"
                        " INSERT INTO users SELECT 6000 + i, 'Crowd', '2026-01-01' FROM n"));
    auto naming = [bob](const char* path, const std::string& name, int count, bool same) {
        standin::Params form { { "key", "brisko-friends" }, { "challenge_definition_id", "51" } };
        for (int i = 1; i <= count; ++i)
            form.emplace_back(name, same ? std::to_string(bob)
                                         : path[0] == 'i' ? std::to_string(i) + "@b.co" : std::to_string(6000 + i));
        return form;
    };
    const struct {
        const char* path;
        standin::Params form;
        int status;
        const char* kept; // invites and challenge records then
    } bounds[] {
        { "invites.xml", naming("invites", "invite[email_receivers][]", 15000, false), 422, "2 0" },
        { "invites.xml", naming("invites", "invite[email_receivers][]", 101, false), 422, "2 0" },
        { "invites.xml", naming("invites", "invite[email_receivers][]", 100, false), 200, "102 0" },
        { "challenges.xml", naming("challenges", "challenge_user_ids[]", 101, false), 422, "102 0" },
        { "challenges.xml", naming("challenges", "challenge_user_ids[]", 100, false), 200, "102 100" },
        { "challenges.xml", naming("challenges", "challenge_user_ids[]", 30000, true), 200, "102 101" },
    };
    for (const auto& bound : bounds) {
        auto reply = send(ann, "POST", bound.path, bound.form);
        EXPECT_EQ(reply.status, bound.status) << bound.path << " " << bound.form.size() << ": " << reply.body.substr(0, 300);
        EXPECT_LT(reply.body.size(), bound.status == 200 ? 200'000u : 1000u) << bound.path;
        EXPECT_EQ(queryText("SELECT (SELECT COUNT(*) FROM invites) || ' ' || (SELECT COUNT(*) FROM challenges_users)"),
                  bound.kept)
            << bound.path << " " << bound.form.size();
    }
    EXPECT_EQ(count(send(bob, "GET", "challenges_users.xml", { { "incomplete", "1" } }).body, "<challenges_user>"), 1u);

    // A player follows a bounded number: the whole list of them fits an answer.
    ASSERT_TRUE(execSql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 4999)"
                        " INSERT INTO friends SELECT " + std::to_string(ann) + ", 100000 + i FROM n"));
    EXPECT_EQ(send(ann, "POST", "users/" + std::to_string(bob) + "/following.xml").status, 200);
    EXPECT_EQ(send(ann, "POST", "users/18/following.xml").status, 422);
}

TEST_F(StandInPlayersWord, EveryListComesAPageAtATimeAsTheClientAsks)
{
    int64_t ann = addPlayer("Ann");
    const std::string me = std::to_string(ann);
    // Thirty of everything a list shows Ann: players who follow her and whom
    // she follows, challenges to her and from her (one to all of them), and achievements.
    ASSERT_TRUE(execSql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30)"
                        " INSERT INTO users SELECT 5000 + i, 'Many', '2026-01-01' FROM n;"
                        "INSERT INTO friends SELECT id, " + me + " FROM users WHERE id > 5000;"
                        "INSERT INTO friends SELECT " + me + ", id FROM users WHERE id > 5000;"
                        "INSERT INTO achievements SELECT id - 4900, 'Feat', 'Do it', 5, id FROM users WHERE id > 5002;"
                        "INSERT INTO challenges (challenger_id, definition_id, description, created_at) SELECT " + me
                        + ", 51, 'Mine', '2026' FROM users WHERE id > 5001"));
    for (int i = 0; i < 30; ++i)
        state->addChallenge(standin::StandInState::kRivalUser, 51, "Race", "", ann);
    standin::Params toAll { { "challenge_definition_id", "52" } };
    for (int i = 1; i <= 30; ++i)
        toAll.emplace_back("challenge_user_ids[]", std::to_string(5000 + i));
    ASSERT_EQ(send(ann, "POST", "challenges.xml", toAll).status, 200);
    const std::string all = queryText("SELECT MAX(id) FROM challenges");
    // The pending list marks the records its page shows as viewed, those alone.
    send(ann, "GET", "challenges_users.xml", { { "incomplete", "1" }, { "mark_as_viewed", "1" } });
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM challenge_views"), "25");

    const struct {
        const char* path;
        standin::Params form;
        const char* tag; // the list's element
    } rows[] {
        { "challenges_users.xml", { { "incomplete", "1" } }, "challenges_user" },
        { "challenges_users.xml", { { "history", "1" }, { "challenge_definition_id", "51" } }, "challenges_user" },
        { "challenges_users.xml", { { "challenge_id", all } }, "challenges_user" },
        { "challenges.xml", {}, "challenge" },
        { "users.xml", { { "scope", "followers" } }, "user" },
        { "users.xml", { { "user_id", "me" }, { "scope", "people-of-interest" } }, "user" },
        { "users.xml", { { "scope", "people-of-interest" }, { "with_client_application", "321" } }, "game_player" },
        { "users.xml", { { "name", "Many" } }, "user" },
        { "client_applications/@me/achievement_definitions.xml", {}, "achievement" },
    };
    for (const auto& row : rows) {
        std::set<std::string> seen;
        for (auto [page, shown] : { std::pair { "1", 25u }, std::pair { "2", 5u }, std::pair { "3", 0u } }) {
            standin::Params form = row.form;
            form.emplace_back("page", page);
            auto body = send(ann, "GET", row.path, form).body;
            EXPECT_TRUE(has(body, std::string("<current_page>") + page + "</current_page><total_pages>2</total_pages>"
                                      "<per_page>25</per_page><total_objects>30</total_objects>"))
                << row.path << ": " << body.substr(0, 300);
            auto listed = ids(body, row.tag);
            EXPECT_EQ(listed.size(), shown) << row.path << " page " << page;
            seen.insert(listed.begin(), listed.end());
        }
        EXPECT_EQ(seen.size(), 30u) << row.path << ": a page repeats or skips a row";
        standin::Params whole = row.form;
        whole.emplace_back("per_page", "100");
        EXPECT_EQ(ids(send(ann, "GET", row.path, whole).body, row.tag).size(), 30u) << row.path;
    }
    // The picker's alphabetical list is whole, one page however long.
    auto picker = send(ann, "GET", "users.xml", { { "full_alphabetical_list", "1" }, { "scope", "people-of-interest" } });
    EXPECT_EQ(ids(picker.body, "user").size(), 30u);
    EXPECT_TRUE(has(picker.body, "<total_pages>1</total_pages>")) << picker.body.substr(0, 300);
}
