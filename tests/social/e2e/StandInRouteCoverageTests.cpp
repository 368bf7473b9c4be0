// Every request path the client can send, gathered from its source (the
// services' endpoint constants, the forms' submission paths and the paths
// built in place), asked once of the stand-in with kept state, signed by a
// known player. None may answer 404 or 405, and none a 200 without a body.
#include "StandInRequestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;

struct Request {
    std::string method;
    std::string path; // "%@" per segment
    bool operator<(const Request& o) const { return std::tie(method, path) < std::tie(o.method, o.path); }
};

std::string readFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The client's requests, from the sources under social/.
std::set<Request> clientRequests(const fs::path& source)
{
    std::vector<std::string> texts;
    for (auto& entry : fs::recursive_directory_iterator(source / "social"))
        if (entry.path().extension() == ".cpp" || entry.path().extension() == ".h")
            texts.push_back(readFile(entry.path()));
    // Named path constants (kDefinitionsPath = "...").
    std::map<std::string, std::string> constants;
    const std::regex constant(R"re(\b(k\w+Path)\s*=\s*"([^"]+)")re");
    for (auto& text : texts)
        for (std::sregex_iterator i(text.begin(), text.end(), constant), end; i != end; ++i)
            constants[(*i)[1]] = (*i)[2];

    const std::regex endpoint(R"re(QVServiceEndpoint\s+\w+\s*\{\s*"([A-Z]+)",\s*(?:"([^"]+)"|\w+::(k\w+)))re");
    const std::regex form(R"re(getFormSubmissionUrl\(\)\s*override\s*\{\s*return\s*"([^"]+)";)re");
    const std::regex built(R"re(QVServicePath::build\("([^"]+)")re");
    std::set<Request> out;
    for (auto& text : texts) {
        for (std::sregex_iterator i(text.begin(), text.end(), endpoint), end; i != end; ++i) {
            std::string path = (*i)[2].matched ? (*i)[2].str() : constants[(*i)[3]];
            if (path.starts_with("/"))
                path.erase(0, 1);
            if (!path.empty())
                out.insert({ (*i)[1], path });
        }
        // Forms and in-place paths are posted.
        for (std::sregex_iterator i(text.begin(), text.end(), form), end; i != end; ++i)
            out.insert({ "POST", (*i)[1] });
        for (std::sregex_iterator i(text.begin(), text.end(), built), end; i != end; ++i)
            out.insert({ "POST", (*i)[1] });
    }
    // The review form's path is assembled from the game's id.
    out.insert({ "POST", "client_applications/%@/users/review.xml" });
    // The dashboard's banner image.
    out.insert({ "GET", "banners/featured-1.png" });
    return out;
}

// Fills the "%@" segments with records the seeded state and fixtures hold.
std::string concrete(const std::string& pattern)
{
    static const std::vector<std::pair<std::string, std::vector<std::string>>> fills {
        { "leaderboards/", { "5", "0", "100", "1", "25" } },
        { "client_applications/%@/users/%@", { "321", "18" } },
        { "client_applications/", { "321" } },
        { "users/@me/settings/", { "notify_challenges" } },
        { "users/", { "18" } },
        { "challenges_users/", { "71" } },
        { "challenge_definitions/", { "51" } },
        { "topics/", { "201" } },
        { "discussions/", { "301" } },
        { "profiles/", { "18" } },
        { "apps/", { "321" } },
        { "game_discovery_categories/", { "now_playing_featured_placement" } },
        { "invite_definitions/", { "brisko-friends" } },
        { "invites/", { "690" } },
        { "cloud_stores/", { "save" } },
        { "high_scores/", { "900" } },
        { "profile_picture/select/", { "upload" } },
        { "http_basic_credentials/", { "@me" } },
    };
    std::vector<std::string> values;
    for (auto& [prefix, v] : fills)
        if (pattern.starts_with(prefix)) {
            values = v;
            break;
        }
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern.compare(i, 2, "%@") == 0) {
            out += next < values.size() ? values[next++] : "1";
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

class StandInRouteCoverage : public standin_testing::KeptStandInTest {
protected:
    void SetUp() override
    {
        const char* source = std::getenv("BRISKO_SOURCE_DIR");
        if (!source)
            GTEST_SKIP() << "BRISKO_SOURCE_DIR is not set";
        sourceDir = source;
        fixtures = (sourceDir / "tools/standin/fixtures").string();
        KeptStandInTest::SetUp();
        user = addPlayer("Tester");
        ASSERT_TRUE(state->secureAccount(user, "tester@example.com", "secret"));
        // A challenge and an invite the rival sent the caller; the caller's kept value, linked
        // network and score.
        ASSERT_TRUE(execSql("INSERT INTO challenges (id, challenger_id, definition_id, description, created_at) VALUES"
                            " (61, 18, 51, 'Beat me', '2026-01-01 00:00:00');"
                            " INSERT INTO challenges_users (id, challenge_id, user_id) VALUES (71, 61, "
                            + std::to_string(user) + ");"
                              " INSERT INTO invites (id, definition_id, sender_id, receiver_id, user_message, state,"
                              " created_at) VALUES (690, 'brisko-friends', 18, "
                            + std::to_string(user) + ", 'Join me', 'pending', '2026-01-01 00:00:00');"
                              " INSERT INTO cloud_values VALUES ("
                            + std::to_string(user) + ", 'save', 'kept', '2026-01-01 00:00:00');"
                              " INSERT INTO linked_networks VALUES ("
                            + std::to_string(user) + ", 'twitter', '2026-01-01 00:00:00');"
                              " INSERT INTO high_scores (id, user_id, leaderboard_id, score, created_at) VALUES (900, "
                            + std::to_string(user) + ", 5, 10, '2026-01-01 00:00:00')"));
    }

    standin_testing::Reply send(const std::string& method, const std::string& path, const standin::Params& form = {})
    {
        return KeptStandInTest::send(user, method, path, form);
    }

    fs::path sourceDir;
    int64_t user { 0 };
};

} // namespace

TEST_F(StandInRouteCoverage, EveryRequestTheClientSendsIsAnswered)
{
    auto requests = clientRequests(sourceDir);
    // The scan finds the services' endpoints, the forms and the paths built in place.
    ASSERT_GT(requests.size(), 70u);
    EXPECT_TRUE(requests.count({ "GET", "client_applications/@me/achievement_definitions.xml" }));
    EXPECT_TRUE(requests.count({ "POST", "chat_messages.xml" }));
    EXPECT_TRUE(requests.count({ "POST", "users/%@/abuse_flags.xml" }));

    // A thread to subscribe to, post in and delete last.
    ASSERT_EQ(send("POST", "topics/201/discussions.xml", { { "discussion[subject]", "Hello" }, { "discussion[body]", "First" } })
                  .status,
              200);
    // What a request needs to reach a record rather than a refusal of its input.
    const std::map<std::string, standin::Params> forms {
        { "POST discussions.xml", { { "discussion[other_user_id]", "18" } } },
        { "POST chat_messages.xml", { { "chat_message[message]", "Hi all" } } },
        { "GET chat_room_instances.xml", { { "chat_room_definition_id", "501" } } },
        { "GET chat_room_instances/join", { { "chat_room_instance_id", "511" } } },
        { "POST cloud_stores", { { "key", "save" }, { "blob", "QVZLHDR0" } } },
        { "POST users_credentials/remove.xml", { { "credential_type", "twitter" } } },
        { "POST notifications.xml", { { "msg", "I won" }, { "image_type", "notification_images" }, { "image_name", "game_icon" } } },
        { "GET client_applications/%@/notification_images/show.xml", { { "image_name", "game_icon" } } },
        { "GET users_credentials/import_friends", { { "credential_name", "twitter" } } },
        { "POST push_notification_device_tokens.xml", { { "udid", "device-1" }, { "device_token", "abcd" } } },
        { "POST invites.xml", { { "key", "brisko-friends" }, { "invite[receivers][]", "18" } } },
        { "POST users/remove_from_device.xml", { { "udid", "device-1" } } },
        { "POST users/@me/settings.xml", { { "user_setting[key]", "notify_challenges" }, { "user_setting[value]", "0" } } },
    };
    std::vector<std::string> missing;
    // Deleting the thread comes last, after the requests that read it.
    std::vector<Request> ordered(requests.begin(), requests.end());
    std::stable_partition(ordered.begin(), ordered.end(),
                          [](const Request& r) { return r.path.find("/delete.xml") == std::string::npos; });
    for (auto& r : ordered) {
        std::string path = concrete(r.path);
        auto form = forms.find(r.method + " " + r.path);
        standin_testing::Reply reply = send(r.method, path, form == forms.end() ? standin::Params {} : form->second);
        bool answered = reply.status != 0 && reply.status != 404 && reply.status != 405 && reply.status != 401
            && reply.status < 500 && !(reply.status == 200 && reply.body.empty());
        if (!answered)
            missing.push_back(r.method + " " + r.path + " -> " + std::to_string(reply.status));
    }
    std::string report;
    for (auto& m : missing)
        report += "  " + m + "\n";
    EXPECT_TRUE(missing.empty()) << "not answered:\n" << report;
}
