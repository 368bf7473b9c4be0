// Whatever text a player sends and the stand-in keeps, every answer that
// carries it is XML every client can read: control characters and bytes that
// are not UTF-8 reach others as U+FFFD, on every route that keeps free text.
#include "StandInRequestSupport.h"

#include "social/runtime/QVXmlDocument.h"

#include <gtest/gtest.h>

using standin_testing::KeptStandInTest;

namespace {

// A control character, a byte that begins nothing, an overlong NUL, a surrogate, U+FFFF, and markup.
const std::string kHostile = "Ri\x01val\xff-\xc0\x80-\xed\xa0\x80-\xef\xbf\xbf <&>";
// What of it survives: each byte of what XML cannot carry one U+FFFD, the markup escaped.
const std::string kU = "\xEF\xBF\xBD"; // U+FFFD
const std::string kShown = "Ri" + kU + "val" + kU + "-" + kU + kU + "-" + kU + kU + kU + "-" + kU + kU + kU + " &lt;&amp;&gt;";

bool readable(const std::string& body) { return quorvel::QVXmlDocument::xmlDocumentWithString(body) != nullptr; }

using StandInWellFormed = KeptStandInTest;

} // namespace

TEST_F(StandInWellFormed, EveryRouteThatKeepsFreeTextAnswersReadableXmlToEveryPlayer)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");
    const std::string a = std::to_string(ann), b = std::to_string(bob);
    ASSERT_TRUE(execSql("INSERT INTO friends VALUES (" + a + ", " + b + "); INSERT INTO friends VALUES (" + b + ", " + a + ")"));

    // Ann puts the text everywhere she can write.
    auto write = [&](const std::string& method, const std::string& path, const standin::Params& form) {
        auto reply = send(ann, method, path, form);
        EXPECT_EQ(reply.status, 200) << path << ": " << reply.body;
        EXPECT_TRUE(readable(reply.body)) << path;
        return reply.body;
    };
    write("POST", "users/update_name.xml", { { "user[name]", kHostile } });
    write("POST", "client_applications/@me/high_scores.xml",
          { { "high_scores[][leaderboard_id]", "5" }, { "high_scores[][score]", "777" }, { "high_scores[][display_text]", kHostile } });
    write("POST", "topics/201/discussions.xml", { { "discussion[subject]", kHostile }, { "discussion[body]", kHostile } });
    const std::string thread = queryText("SELECT MAX(id) FROM discussions WHERE user_id = " + a);
    write("POST", "discussions/" + thread + "/posts.xml", { { "post[body]", kHostile } });
    write("GET", "chat_room_instances/join", { { "chat_room_instance_id", "511" } });
    write("POST", "chat_messages.xml", { { "chat_message[message]", kHostile } });
    write("POST", "challenges.xml", { { "challenge_definition_id", "51" }, { "challenge_user_ids[]", b },
                                      { "challenge_description", kHostile }, { "challenge_user_message", kHostile } });
    write("POST", "invites.xml", { { "key", "brisko-friends" }, { "invite[receivers][]", b }, { "invite[sender_message]", kHostile } });
    write("POST", "client_applications/321/users/review.xml", { { "client_application_user[review]", kHostile } });
    write("POST", "cloud_stores", { { "key", kHostile }, { "blob", "v" } });
    auto conversation = write("POST", "discussions.xml", { { "discussion[other_user_id]", b } });
    size_t id = conversation.find("<id>");
    ASSERT_NE(id, std::string::npos) << conversation;
    const std::string talk = conversation.substr(id + 4, conversation.find('<', id + 4) - id - 4);
    write("POST", "discussions/" + talk + "/posts.xml", { { "post[body]", kHostile } });
    ASSERT_EQ(send(bob, "GET", "chat_room_instances/join", { { "chat_room_instance_id", "511" } }).status, 200);

    // Every page that shows it reads, to Bob and to Ann, with the text shown as far as XML can.
    struct Page {
        int64_t reader;
        std::string path;
        standin::Params query;
    };
    const std::vector<Page> pages {
        { bob, "client_applications/@me/high_scores.xml", { { "leaderboard_id", "5" } } },
        { bob, "users/" + a + ".xml", {} },
        { bob, "users.xml", {} },
        { bob, "topics/201/discussions.xml", {} },
        { bob, "discussions/" + thread + "/posts.xml", {} },
        { bob, "users/@me/activities.xml", {} },
        { bob, "challenges_users.xml", {} },
        { bob, "invites.xml", {} },
        { bob, "client_applications/321/users/" + a + ".xml", {} },
        { bob, "subscriptions.xml", {} },
        { bob, "discussions/" + talk + "/posts.xml", {} },
        { ann, "cloud_stores.xml", {} },
        { ann, "challenges.xml", {} },
    };
    for (auto& page : pages) {
        auto reply = send(page.reader, "GET", page.path, page.query);
        EXPECT_EQ(reply.status, 200) << page.path << ": " << reply.body.substr(0, 200);
        EXPECT_TRUE(readable(reply.body)) << page.path;
        EXPECT_NE(reply.body.find(kShown), std::string::npos) << page.path << ": " << reply.body;
    }
    // The kept text is what she sent: only the answers carry it readably.
    EXPECT_EQ(queryText("SELECT length(CAST(name AS BLOB)) FROM users WHERE id = " + a), std::to_string(kHostile.size()));
}

// Each text a player writes is kept up to its bound in characters (however
// many bytes each takes) and refused one past it, naming the field and the
// bound; what was refused is not kept.
TEST_F(StandInWellFormed, EachTextIsKeptUpToItsBoundAndRefusedPastIt)
{
    int64_t ann = addPlayer("Ann");
    ASSERT_EQ(send(ann, "POST", "topics/201/discussions.xml", { { "discussion[subject]", "Laps" }, { "discussion[body]", "Go" } })
                  .status,
              200);
    const std::string thread = queryText("SELECT MAX(id) FROM discussions WHERE user_id = " + std::to_string(ann));
    auto letters = [](size_t count, const std::string& letter) {
        std::string text;
        for (size_t i = 0; i < count; ++i)
            text += letter;
        return text;
    };
    struct Case {
        std::string path;
        std::string field;
        size_t bound;
        standin::Params rest;
    };
    const std::vector<Case> cases {
        { "users/update_name.xml", "user[name]", 32, {} },
        { "topics/201/discussions.xml", "discussion[subject]", 100, { { "discussion[body]", "x" } } },
        { "discussions/" + thread + "/posts.xml", "post[body]", 2000, {} },
        { "client_applications/@me/high_scores.xml", "high_scores[][display_text]", 1000,
          { { "high_scores[][leaderboard_id]", "5" }, { "high_scores[][score]", "1" } } },
    };
    const std::string posts = "SELECT COUNT(*) FROM posts";
    for (auto& c : cases) {
        SCOPED_TRACE(c.field);
        for (size_t count : { c.bound, c.bound + 1 }) {
            standin::Params form = c.rest;
            form.insert(c.field.find("high_scores") == 0 ? form.end() : form.begin(), { c.field, letters(count, "\xC3\xA9") });
            const std::string before = queryText(posts);
            auto reply = send(ann, "POST", c.path, form);
            if (count == c.bound) {
                EXPECT_EQ(reply.status, 200) << reply.body.substr(0, 200);
                continue;
            }
            EXPECT_EQ(reply.status, 422);
            const std::string name = c.field.substr(c.field.rfind('[') + 1, c.field.size() - c.field.rfind('[') - 2);
            // A score's text is refused naming the score, so a batch can go again without it.
            if (c.field.find("high_scores") == 0)
                EXPECT_EQ(reply.body, "<errors><error>Score 1 of the batch: " + name + " is too long (at most "
                                          + std::to_string(c.bound) + " characters)</error></errors>");
            else
                EXPECT_EQ(reply.body, "<errors><error><field>" + name + "</field><reason>is too long (at most "
                                          + std::to_string(c.bound) + " characters)</reason></error></errors>");
            EXPECT_EQ(queryText(posts), before);
        }
    }
    EXPECT_EQ(queryText("SELECT length(name) FROM users WHERE id = " + std::to_string(ann)), "32");
    // A board closed to new scores refuses its score by its place in the batch, keeping none of the batch.
    ASSERT_TRUE(execSql("INSERT INTO closed_leaderboards VALUES (6)"));
    const std::string kept = queryText("SELECT COUNT(*) FROM high_scores");
    auto closed = send(ann, "POST", "client_applications/@me/high_scores.xml",
                       { { "high_scores[][leaderboard_id]", "5" }, { "high_scores[][score]", "2" },
                         { "high_scores[][leaderboard_id]", "6" }, { "high_scores[][score]", "3" } });
    EXPECT_EQ(closed.status, 422);
    EXPECT_EQ(closed.body, "<errors><error>Score 2 of the batch: leaderboard 6 is closed and takes no new scores</error></errors>");
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM high_scores"), kept);
    // An account form's refusal is the forms' own status; a password is hashed only within its bound.
    auto login = standin_testing::ask(server.port(), "POST", "session.xml",
                     { { "credential_type", "http_basic" }, { "credential[email]", "ann@example.com" },
                       { "credential[password]", std::string(129, 'p') } },
                     "", "");
    EXPECT_EQ(login.status, 406);
    EXPECT_NE(login.body.find("<field>password</field><reason>is too long (at most 128 characters)"), std::string::npos)
        << login.body;
}
