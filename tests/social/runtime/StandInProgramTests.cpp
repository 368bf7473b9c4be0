// The stand-in service as a person meets it: the program's arguments, its
// refusal of a port in use, its own fixtures and its request log; and the
// server's 401 for a signature that does not verify.
#include "social/runtime/OAuthURLRequest.h"
#include "tools/standin/StandInServer.h"

#include "support/TestSupport.h"

#include <httplib.h>
#include <sqlite3.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// One run of the program with its output. Reading stops when the program
// ends or when `until` is found in its output (a hung program ends the wait).
class Program {
public:
    explicit Program(std::vector<std::string> args)
    {
        int out[2], err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
            return;
        // Built before fork: the child of a threaded process only execs.
        std::vector<char*> argv { const_cast<char*>(QUORVEL_STANDIN_PATH) };
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            dup2(err[1], 2);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~Program()
    {
        stop(SIGKILL);
        if (out_ >= 0)
            close(out_);
        if (err_ >= 0)
            close(err_);
    }

    bool read(const std::string& until = {})
    {
        auto deadline = std::chrono::steady_clock::now() + testing_support::kHungAfter;
        while (std::chrono::steady_clock::now() < deadline) {
            if (!until.empty() && output.find(until) != std::string::npos)
                return true;
            pollfd fds[2] = { { out_, POLLIN, 0 }, { err_, POLLIN, 0 } };
            if (poll(fds, 2, 100) < 0)
                return false;
            bool open = false;
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0)
                    continue;
                char buffer[4096];
                ssize_t n = fds[i].revents ? ::read(fds[i].fd, buffer, sizeof buffer) : 1;
                if (n > 0 && fds[i].revents)
                    (i == 0 ? output : errors).append(buffer, static_cast<size_t>(n));
                open |= n != 0;
            }
            if (!open)
                return until.empty();
        }
        return false;
    }
    // Ends the program (if it still runs) and answers its exit status, or -1.
    int stop(int signal = SIGTERM)
    {
        if (pid_ <= 0)
            return status_;
        kill(pid_, signal);
        return wait();
    }
    // The exit status; a program that hangs is killed (-1).
    int wait()
    {
        auto deadline = std::chrono::steady_clock::now() + testing_support::kHungAfter;
        int status = 0;
        while (pid_ > 0) {
            pid_t done = waitpid(pid_, &status, WNOHANG);
            if (done == pid_) {
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                break;
            }
            if (done < 0)
                break;
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            poll(nullptr, 0, 10);
        }
        pid_ = -1;
        return status_;
    }

    std::string output, errors;

private:
    pid_t pid_ { -1 };
    int out_ { -1 }, err_ { -1 };
    int status_ { -1 };
};

TEST(StandInProgramTest, ChecksItsArguments)
{
    Program help({ "--help" });
    help.read();
    EXPECT_EQ(help.wait(), 0);
    EXPECT_NE(help.output.find("usage: quorvel_standin"), std::string::npos);

    for (std::vector<std::string> args : { std::vector<std::string> { "--port", "http" },
                                           { "--port", "65536" },
                                           { "--stomp-port", "-1" },
                                           { "--port", "80x" },
                                           { "--port" },
                                           { "--verbose" } }) {
        SCOPED_TRACE(args[0] + (args.size() > 1 ? " " + args[1] : ""));
        Program bad(args);
        bad.read();
        EXPECT_EQ(bad.wait(), 2);
        EXPECT_NE(bad.errors.find("quorvel_standin: "), std::string::npos);
        EXPECT_EQ(bad.output.find("server-url"), std::string::npos);
    }

    // A mistake in a value is named, not met later as a service that answers 404 or never waits.
    const std::vector<std::pair<std::vector<std::string>, std::string>> named {
        { { "--fixtures", "/no/such/folder" }, "--fixtures names no folder: \"/no/such/folder\"" },
        { { "--answer-delay", "800,200" }, "--answer-delay MIN (800) must not exceed MAX (200)" },
        { { "--answer-delay", "800" }, "--answer-delay wants MIN,MAX in milliseconds" },
    };
    for (auto& [args, message] : named) {
        Program bad(args);
        bad.read();
        EXPECT_EQ(bad.wait(), 2) << message;
        EXPECT_NE(bad.errors.find("quorvel_standin: " + message), std::string::npos) << bad.errors;
    }
}

// A start-up error is the last thing the program prints, not followed by the
// whole usage: the reason with its cause, or the short usage for an argument
// it does not take.
TEST(StandInProgramTest, AStartUpErrorIsPrintedLastWithItsCause)
{
    auto lastLine = [](const std::string& text) {
        std::string trimmed = text.substr(0, text.find_last_not_of('\n') + 1);
        return trimmed.substr(trimmed.rfind('\n') + 1);
    };
    testing_support::TempDir folder;
    std::string twice = folder.write("twice.standin", "product-key one\n# the key again\nproduct-key two\n");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases {
        { { "--game", folder.file("nosuch.standin") },
          "cannot read " + folder.file("nosuch.standin") + ": No such file or directory" },
        { { "--game", folder.path() }, "cannot read " + folder.path() + ": it is a folder" },
        { { "--game", twice }, twice + ":3: product-key is listed twice (first on line 1) (\"product-key two\")" },
        { { "--port", "http" }, "--port wants a port number from 0 to 65535, not \"http\"" },
        { { "--verbose" }, "unknown argument \"--verbose\"" },
    };
    for (auto& [args, message] : cases) {
        SCOPED_TRACE(message);
        Program bad(args);
        bad.read();
        EXPECT_EQ(bad.wait(), 2);
        EXPECT_EQ(lastLine(bad.errors), "quorvel_standin: " + message) << bad.errors;
        EXPECT_EQ(bad.errors.find("--answer-delay MIN,MAX\n"), std::string::npos) << "no whole usage";
    }
    Program unknown({ "--verbose" });
    unknown.read();
    EXPECT_EQ(unknown.errors.find("usage: quorvel_standin [--port N]"), 0u) << unknown.errors;
}

TEST(StandInProgramTest, SaysAtStartUpThatItsAnswersAreDelayed)
{
    Program slow({ "--answer-delay", "0,1" });
    ASSERT_TRUE(slow.read("answers are delayed")) << slow.output << slow.errors;
    EXPECT_NE(slow.output.find("answers are delayed 0 to 1 ms (--answer-delay)\n"), std::string::npos) << slow.output;
    EXPECT_EQ(slow.stop(), 0);
}

TEST(StandInProgramTest, RefusesAPortInUse)
{
    standin::StandInServer occupant;
    int port = occupant.start();
    ASSERT_GT(port, 0);
    Program second({ "--port", std::to_string(port) });
    second.read("server-url");
    EXPECT_EQ(second.stop(), 1) << second.output;
    EXPECT_NE(second.errors.find("cannot listen"), std::string::npos);
}

TEST(StandInProgramTest, ServesItsOwnFixturesAndLogsEachRequest)
{
    Program program({});
    ASSERT_TRUE(program.read("presence-host")) << program.errors;
    auto at = program.output.find("server-url http://127.0.0.1:");
    ASSERT_NE(at, std::string::npos);
    int port = std::atoi(program.output.c_str() + at + 28);
    httplib::Client client("127.0.0.1", port);
    auto scores = client.Get("/leaderboards/5/high_scores.xml");
    ASSERT_TRUE(scores);
    EXPECT_EQ(scores->status, 200);
    EXPECT_NE(scores->body.find("<high_score id=\"901\">"), std::string::npos);
    auto forged = client.Get("/leaderboards/5/high_scores.xml",
                             { { "Authorization", "OAuth oauth_consumer_key=\"product-key\", oauth_signature_method="
                                                  "\"HMAC-SHA1\", oauth_signature=\"forged\"" } });
    ASSERT_TRUE(forged);
    EXPECT_EQ(forged->status, 401);
    EXPECT_TRUE(program.read("(signature mismatch)"));
    EXPECT_NE(program.output.find("GET leaderboards/5/high_scores.xml 200 unsigned\n"), std::string::npos);
    EXPECT_NE(program.output.find("GET leaderboards/5/high_scores.xml 401 signature NOT verified"), std::string::npos);
    EXPECT_EQ(program.stop(), 0);
}

TEST(StandInProgramTest, PresenceIsEnabledInTheLoginAnswerOnlyWhenAsked)
{
    for (bool presence : { false, true }) {
        SCOPED_TRACE(presence);
        if (!presence && std::getenv("BRISKO_STANDIN_PRESENCE"))
            continue; // the environment turns it on for every stand-in
        Program program(presence ? std::vector<std::string> { "--presence" } : std::vector<std::string> {});
        ASSERT_TRUE(program.read("presence-host")) << program.errors;
        auto at = program.output.find("server-url http://127.0.0.1:");
        ASSERT_NE(at, std::string::npos);
        httplib::Client client("127.0.0.1", std::atoi(program.output.c_str() + at + 28));
        auto login = client.Post("/bootstrap.xml");
        ASSERT_TRUE(login);
        EXPECT_EQ(login->status, 200);
        EXPECT_EQ(login->body.find("<presence_enabled>true</presence_enabled><presence_queue>/queue/presence.1"
                                   "</presence_queue>") != std::string::npos,
                  presence)
            << login->body;
        EXPECT_EQ(login->body.find("<presence_enabled>false</presence_enabled>") != std::string::npos, !presence);
        EXPECT_EQ(program.stop(), 0);
    }
}

TEST(StandInServerTest, RejectsWhatDoesNotVerifyWhenAskedAndLogsEveryAnswer)
{
    standin::StandInServer server;
    ASSERT_GT(server.start(), 0);
    server.setConsumer("key", "secret");
    server.route("POST", "scores.xml", standin::Answer::xml("<resources/>"));
    std::mutex mutex;
    std::vector<std::string> lines;
    server.setLogSink([&](const std::string& line) {
        std::lock_guard guard(mutex);
        lines.push_back(line);
    });
    auto send = [&](const std::string& secret) {
        auto request = quorvel::OAuthURLRequest::requestWithURL(server.baseUrl() + "scores.xml", "key", secret);
        request->setHttpMethod("POST");
        auto prepared = request->prepare();
        httplib::Client client("127.0.0.1", server.port());
        auto answer = client.Post("/scores.xml", { { "Authorization", prepared.header("Authorization") } },
                                  std::string(prepared.body.begin(), prepared.body.end()),
                                  "application/x-www-form-urlencoded");
        return answer ? answer->status : 0;
    };
    EXPECT_EQ(send("wrong"), 200); // in-process tests may look at what came
    server.setRejectsBadSignatures(true);
    EXPECT_EQ(send("wrong"), 401);
    EXPECT_EQ(send("secret"), 200);
    ASSERT_EQ(server.requestCount(), 3u);
    EXPECT_FALSE(server.requests()[1].signatureValid);
    std::lock_guard guard(mutex);
    EXPECT_EQ(lines, (std::vector<std::string> {
                         "POST scores.xml 200 signature NOT verified (signature mismatch)",
                         "POST scores.xml 401 signature NOT verified (signature mismatch): The request's signature does not verify",
                         "POST scores.xml 200 signature verified" }));
    server.stop();
}

// The first column of the first row a query on an SQLite file answers, or "".
std::string queryFile(const std::string& path, const std::string& sql)
{
    sqlite3* db = nullptr;
    std::string out;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 2000);
        sqlite3_stmt* q = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &q, nullptr) == SQLITE_OK && sqlite3_step(q) == SQLITE_ROW)
            out = reinterpret_cast<const char*>(sqlite3_column_text(q, 0));
        sqlite3_finalize(q);
    }
    sqlite3_close(db);
    return out;
}

} // namespace

TEST(StandInProgramTest, ServesAStorageHostForSignedForms)
{
    testing_support::TempDir state;
    Program program({ "--state", state.path() });
    // The three addresses are printed in one write.
    ASSERT_TRUE(program.read("storage-url")) << program.errors;
    auto at = program.output.find("storage-url http://127.0.0.1:");
    ASSERT_NE(at, std::string::npos);
    int port = std::atoi(program.output.c_str() + at + 29);
    httplib::Client client("127.0.0.1", port);
    auto formFrom = [](const standin::StorageHostStandIn& signer) {
        const std::string b = "XyZ";
        std::string form;
        for (auto& [field, value] : signer.uploadForm("blobs/1"))
            form += "--" + b + "\r\nContent-Disposition: form-data; name=\"" + field + "\"\r\n\r\n" + value + "\r\n";
        return form + "--" + b + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"test.blob\"\r\n\r\nxyz\r\n--"
            + b + "--";
    };
    // Only the host's secret signs a form it takes: another host's does not, and
    // no secret is written in the program for anyone to read.
    standin::StorageHostStandIn stranger;
    auto forged = client.Post("/", formFrom(stranger), "multipart/form-data;boundary=XyZ");
    ASSERT_TRUE(forged);
    EXPECT_EQ(forged->status, 403);
    EXPECT_NE(forged->body.find("the form's signature does not match its policy"), std::string::npos) << forged->body;
    // The secret is kept in the state, where the service signs its forms from.
    standin::StorageHostStandIn signer;
    signer.setSecret(queryFile(state.path() + "/standin.sqlite", "SELECT secret FROM storage_secret"));
    ASSERT_EQ(signer.secret().size(), 64u);
    auto posted = client.Post("/", formFrom(signer), "multipart/form-data;boundary=XyZ");
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->status, 204);
    auto fetched = client.Get("/blobs/1");
    ASSERT_TRUE(fetched);
    EXPECT_EQ(fetched->status, 200);
    EXPECT_EQ(fetched->body, "xyz");
    auto missing = client.Get("/blobs/2");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 404);
    EXPECT_TRUE(program.read("storage GET blobs/2 404"));
    EXPECT_EQ(program.stop(), 0);
}
