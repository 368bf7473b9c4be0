// The stand-in keeps its word: a success is answered only for what it kept
// (on a full disk too), an account opens only on a device that holds it, and
// a signed request is taken once, within its time.
#include "StandInRequestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using standin_testing::KeptStandInTest;

namespace {

bool has(const std::string& body, const std::string& text) { return body.find(text) != std::string::npos; }

// No file this process writes may grow past `bytes` for a scope, as on a
// full disk; a write past it fails (EFBIG) instead of raising the signal
// that would end the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        if (getrlimit(RLIMIT_FSIZE, &saved_) != 0 || (saved_.rlim_max != RLIM_INFINITY && saved_.rlim_max < bytes))
            return;
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        applied_ = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
        if (!applied_)
            std::signal(SIGXFSZ, previous_);
    }
    ~FileSizeLimit()
    {
        if (!applied_)
            return;
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    bool applied() const { return applied_; }

private:
    rlimit saved_ {};
    void (*previous_)(int) { SIG_DFL };
    bool applied_ { false };
};

class StandInKeptWord : public KeptStandInTest {
protected:
    // The service stops and starts again on its folder: only what it kept is there.
    void restart()
    {
        server.stop();
        state = std::make_unique<standin::StandInState>(home.path());
        ASSERT_TRUE(state->isOpen()) << state->error();
    }
    long fileSize() const
    {
        struct stat info {};
        return stat(state->databasePath().c_str(), &info) == 0 ? static_cast<long>(info.st_size) : -1;
    }
};

} // namespace

TEST_F(StandInKeptWord, ASuccessIsAnsweredOnlyForWhatWasKeptOnAFullDisk)
{
    int64_t ann = addPlayer("Ann");
    standin::Params batch;
    for (int i = 0; i < 40; ++i) {
        batch.emplace_back("high_scores[][leaderboard_id]", "5");
        batch.emplace_back("high_scores[][score]", std::to_string(1000 + i));
        batch.emplace_back("high_scores[][display_text]", std::string(600, 'd'));
    }
    const standin::Params cloud { { "key", "save-1" }, { "blob", std::string(200 * 1024, 'c') } };
    const standin::Params thread { { "discussion[subject]", "Full" }, { "discussion[body]", std::string(100 * 1024, 'b') } };
    standin_testing::Reply scores, stored, posted;
    {
        // The store's file cannot grow any more: nothing new fits.
        FileSizeLimit full(static_cast<rlim_t>(fileSize()));
        if (!full.applied())
            GTEST_SKIP() << "this machine does not let a test limit the size of the files it writes";
        scores = send(ann, "POST", "client_applications/@me/high_scores.xml", batch);
        stored = send(ann, "POST", "cloud_stores", cloud);
        posted = send(ann, "POST", "topics/201/discussions.xml", thread);
    }
    for (auto* reply : { &scores, &stored, &posted }) {
        EXPECT_EQ(reply->status, 500) << reply->body.substr(0, 200);
        EXPECT_TRUE(has(reply->body, "The service could not keep what the request asked to: ")) << reply->body;
    }
    EXPECT_TRUE(has(log.at(log.size() - 3), "POST client_applications/@me/high_scores.xml 500 signature verified: "
                                            "The service could not keep what the request asked to: "))
        << log.at(log.size() - 3);

    restart();
    const std::string who = std::to_string(ann);
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM high_scores WHERE user_id = " + who), "0");
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM cloud_values WHERE user_id = " + who), "0");
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM discussions WHERE user_id = " + who), "0");

    // With room again, the same requests are kept and say so.
    {
        standin::StandInServer again;
        state->install(again);
        again.setRejectsBadSignatures(true);
        ASSERT_GT(again.start(), 0);
        auto ask = [&](const std::string& path, const standin::Params& form) {
            return standin_testing::ask(again.port(), "POST", path, form, "token-" + who, "secret-" + who).status;
        };
        EXPECT_EQ(ask("client_applications/@me/high_scores.xml", batch), 200);
        EXPECT_EQ(ask("cloud_stores", cloud), 200);
        EXPECT_EQ(ask("topics/201/discussions.xml", thread), 200);
    }
    restart();
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM high_scores WHERE user_id = " + who), "40");
    EXPECT_EQ(queryText("SELECT length(value) FROM cloud_values WHERE user_id = " + who), "204800");
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM discussions WHERE user_id = " + who), "1");
}

TEST_F(StandInKeptWord, AnAccountOpensOnlyOnADeviceThatHoldsIt)
{
    // Signed with the product key alone, as every device's first bootstrap is.
    auto bootstrap = [&](const std::string& udid, const std::string& userId) {
        standin::Params form { { "udid", udid } };
        if (!userId.empty())
            form.emplace_back("user_id", userId);
        return standin_testing::ask(server.port(), "POST", "bootstrap.xml", form, "", "");
    };
    auto player = [](const standin_testing::Reply& reply) {
        size_t at = reply.body.find("<user><id>");
        return at == std::string::npos ? std::string() : reply.body.substr(at + 10, reply.body.find('<', at + 10) - at - 10);
    };
    const std::string ann = player(bootstrap("phone-a", ""));
    ASSERT_FALSE(ann.empty());
    const std::string tokens = "SELECT COUNT(*) FROM tokens WHERE user_id = " + ann;
    ASSERT_EQ(queryText(tokens), "1");

    // Another device cannot take Ann's account, nor the rival's, by naming it.
    for (const std::string& taken : { ann, std::string("18") }) {
        auto refused = bootstrap("phone-b", taken);
        EXPECT_EQ(refused.status, 403) << taken;
        EXPECT_TRUE(has(refused.body, "The account " + taken + " is not held by this device")) << refused.body;
        EXPECT_FALSE(has(refused.body, "access_token")) << refused.body;
    }
    EXPECT_EQ(queryText(tokens), "1");
    EXPECT_TRUE(has(log.back(), "POST bootstrap.xml 403 signature verified: The account 18 is not held by this device"))
        << log.back();

    // Her own device opens it; so does one she opened it on before.
    EXPECT_EQ(player(bootstrap("phone-a", ann)), ann);
    ASSERT_TRUE(execSql("INSERT INTO device_accounts VALUES ('phone-b', " + ann + ")"));
    EXPECT_EQ(player(bootstrap("phone-b", ann)), ann);
    EXPECT_EQ(queryText(tokens), "3");
    // An id nobody has is no one's account: the device gets its own, as without one.
    const std::string own = player(bootstrap("phone-c", "99999"));
    EXPECT_FALSE(own.empty());
    EXPECT_NE(own, ann);
}
