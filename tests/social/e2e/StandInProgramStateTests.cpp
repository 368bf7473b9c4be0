// The stand-in program with its state folder, as the showcase or a person
// runs it: the client logs in and sends a score, the program is killed hard
// (SIGKILL) and started again on the same folder and another port, and the
// client's next login (signed with the token the first run issued) finds the
// score. A folder that cannot be made ends the program with status 1.
#include "StandInRequestSupport.h"
#include "social/core/QuorvelTestSupport.h"

#include "social/runtime/QVPaginatedSeries.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVAchievement.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVLeaderboard.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVUser.h"

#include <gtest/gtest.h>

#include <chrono>
#include <tuple>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvel;
using platform::Object;
using platform::Ref;

namespace {

// One run of the program; its output is read on demand.
class Program {
public:
    explicit Program(std::vector<std::string> args)
    {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            return;
        std::vector<char*> argv { const_cast<char*>(QUORVEL_STANDIN_PATH) };
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            dup2(out[1], 2);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        out_ = out[0];
    }
    ~Program()
    {
        stop(SIGKILL);
        if (out_ >= 0)
            close(out_);
    }
    // Reads until `text` shows in the output, or to the end.
    bool readUntil(const std::string& text)
    {
        auto deadline = std::chrono::steady_clock::now() + testing_support::kHungAfter;
        while (output.find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            pollfd fd { out_, POLLIN, 0 };
            if (poll(&fd, 1, 100) <= 0)
                continue;
            char buffer[4096];
            ssize_t n = ::read(out_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            output.append(buffer, static_cast<size_t>(n));
        }
        return output.find(text) != std::string::npos;
    }
    // Takes what the program has written so far, without waiting.
    const std::string& pump()
    {
        pollfd fd { out_, POLLIN, 0 };
        char buffer[4096];
        while (poll(&fd, 1, 0) > 0) {
            ssize_t n = ::read(out_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            output.append(buffer, static_cast<size_t>(n));
        }
        return output;
    }
    std::string value(const std::string& key) const
    {
        size_t at = output.find(key + " ");
        if (at == std::string::npos)
            return {};
        at += key.size() + 1;
        return output.substr(at, output.find('\n', at) - at);
    }
    int stop(int signal)
    {
        if (pid_ <= 0)
            return status_;
        kill(pid_, signal);
        int status = 0;
        waitpid(pid_, &status, 0);
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        pid_ = -1;
        return status_;
    }

    pid_t pid() const { return pid_; }

    std::string output;

private:
    pid_t pid_ { -1 };
    int out_ { -1 };
    int status_ { -1 };
};

class PageRecorder final : public Object {
public:
    static Ref<PageRecorder> create() { return platform::adoptRef(new PageRecorder); }
    void succeeded(Object* page)
    {
        done = true;
        if (auto* series = dynamic_cast<QVPaginatedSeries*>(page))
            for (auto& o : series->objects())
                if (auto* score = dynamic_cast<QVHighScore*>(o.get()))
                    scores.push_back(score->score());
    }
    void failed(Object*) { done = failed_ = true; }
    bool done { false }, failed_ { false };
    std::vector<int64_t> scores;
};

class StandInProgramState : public core_testing::QuorvelTest {
protected:
    void pointClientAt(const std::string& url)
    {
        bundle.write("quorvel_internal_settings.xml",
                     "<quorvel_internal_settings><environment-release><config><server-url>" + url
                         + "</server-url></config></environment-release></quorvel_internal_settings>");
    }
    testing_support::TempDir folder;
};

TEST_F(StandInProgramState, AScoreSurvivesAHardKillAndTheNextLoginUsesTheKeptToken)
{
    Program first({ "--state", folder.path() + "/service" });
    ASSERT_TRUE(first.readUntil("state ")) << first.output;
    pointClientAt(first.value("server-url"));
    QuorvelInternal::options().setUserApprovedQuorvel();
    QuorvelInternal::options().setDoneWithGetTheMost(true);
    startClient();
    ASSERT_TRUE(waitFor([] { return QuorvelInternal::login().successfullyBootstrapped() && !QuorvelInternal::login().isBootstrapInProgress(); }));
    QVHighScoreService::setHighScore(700, "5", {}, {});
    ASSERT_TRUE(waitFor(
        [&] {
            advance(0.1); // the score's send delay
            return first.pump().find("POST client_applications/@me/high_scores.xml 200") != std::string::npos;
        }));
    // Hard: no chance to close anything.
    first.stop(SIGKILL);
    Quorvel::shutdown();

    Program second({ "--state", folder.path() + "/service" });
    ASSERT_TRUE(second.readUntil("state ")) << second.output;
    pointClientAt(second.value("server-url"));
    reloadUserDefaults();
    startClient();
    ASSERT_TRUE(waitFor([] { return !QuorvelInternal::login().isBootstrapInProgress(); }));
    ASSERT_TRUE(QuorvelInternal::login().successfullyBootstrapped()) << second.output;
    auto page = PageRecorder::create();
    QVHighScoreService::getPage(1, "5", false, QVDelegate(page.get(), BRISKO_SELECTOR(PageRecorder, succeeded)),
                                QVDelegate(page.get(), BRISKO_SELECTOR(PageRecorder, failed)));
    ASSERT_TRUE(waitFor([&] { return page->done; }));
    EXPECT_FALSE(page->failed_);
    EXPECT_EQ(page->scores, (std::vector<int64_t> { 900, 700 }));
    second.readUntil("GET client_applications/@me/high_scores.xml");
    EXPECT_NE(second.output.find("POST bootstrap.xml 200 signature verified"), std::string::npos) << second.output;
    EXPECT_EQ(second.output.find("NOT verified"), std::string::npos) << second.output;
}

// A developer tries the game's own key, secret and ids: the file given with
// --game replaces the built-in ones, and a login brings them to the device.
TEST_F(StandInProgramState, AGameFileGivesTheServiceTheGamesKeySecretLeaderboardsAndAchievements)
{
    std::string game = folder.write("tapgame.standin", "# the game as the service knows it\n"
                                                       "product-key    tapgame-key\n"
                                                       "product-secret tapgame-secret\n\n"
                                                       "leaderboard 7 lower Speed Run\n"
                                                       "achievement 30 50 Marathon | Tap a thousand times.\n");
    Program program({ "--state", folder.path() + "/service", "--game", game });
    ASSERT_TRUE(program.readUntil("state ")) << program.output;
    pointClientAt(program.value("server-url"));
    QuorvelInternal::options().setUserApprovedQuorvel();
    QuorvelInternal::options().setDoneWithGetTheMost(true);
    Quorvel::initializeWithProductKey("tapgame-key", "tapgame-secret", kDisplayName, {}, nullptr);
    ASSERT_TRUE(waitFor([] { return !QuorvelInternal::login().isBootstrapInProgress(); }));
    ASSERT_TRUE(QuorvelInternal::login().successfullyBootstrapped()) << program.pump();
    Ref<QVLeaderboard> speedRun = QVLeaderboardService::getLeaderboard("7");
    ASSERT_TRUE(speedRun);
    EXPECT_EQ(speedRun->name(), "Speed Run");
    EXPECT_FALSE(QVLeaderboardService::getLeaderboard("5")) << "the built-in boards are replaced";
    EXPECT_EQ(QVAchievement::achievement("30")->title(), std::optional<std::string>("Marathon"));
    EXPECT_EQ(QVAchievement::achievement("30")->gamerscore(), 50u);
}

TEST(StandInProgramStateFolder, AGameFileItCannotTakeEndsTheProgramSayingWhy)
{
    testing_support::TempDir folder;
    std::string bad = folder.write("bad.standin", "product-key k\nleaderboard 7 sideways Speed Run\n");
    Program unreadable({ "--state", folder.path() + "/service", "--game", bad });
    unreadable.readUntil("\n");
    EXPECT_EQ(unreadable.stop(0), 2);
    EXPECT_NE(unreadable.output.find(bad + ":2: a leaderboard is \"leaderboard ID higher|lower NAME\""),
              std::string::npos)
        << unreadable.output;

    // An id listed twice is the file's mistake too, named by its line; so is a file that lists nothing.
    for (auto [name, text, line, why] :
         { std::tuple<const char*, const char*, int, const char*> {
               "boards.standin", "leaderboard 7 lower Speed Run\n# again\nleaderboard 7 higher Taps\n", 3,
               "leaderboard 7 is listed twice (first on line 1)" },
           { "achievements.standin", "achievement 30 50 Marathon\nachievement 30 10 Sprint\n", 2,
             "achievement 30 is listed twice (first on line 1)" } }) {
        std::string file = folder.write(name, text);
        Program twice({ "--state", folder.path() + "/service", "--game", file });
        twice.readUntil("\n");
        EXPECT_EQ(twice.stop(0), 2) << twice.output;
        EXPECT_NE(twice.output.find(file + ":" + std::to_string(line) + ": " + why), std::string::npos) << twice.output;
    }
    std::string empty = folder.write("empty.standin", "# nothing yet\n\n");
    Program nothing({ "--state", folder.path() + "/service", "--game", empty });
    nothing.readUntil("\n");
    EXPECT_EQ(nothing.stop(0), 2);
    EXPECT_NE(nothing.output.find(empty + ": the file lists nothing"), std::string::npos) << nothing.output;

    std::string good = folder.write("good.standin", "achievement 30 50 Marathon\n");
    Program stateless({ "--game", good });
    stateless.readUntil("\n");
    EXPECT_EQ(stateless.stop(0), 2);
    EXPECT_NE(stateless.output.find("needs --state DIR"), std::string::npos) << stateless.output;

    // What the message quotes from the file is escaped: no control byte of it
    // reaches the terminal, and a NUL ends nothing.
    std::string binary = folder.write("binary.standin",
                                      std::string("\x1b[2Jleaderboard\a 7 lower") + '\0' + "Speed Run\n");
    Program escaped({ "--state", folder.path() + "/service", "--game", binary });
    escaped.readUntil("Run");
    EXPECT_EQ(escaped.stop(0), 2);
    EXPECT_NE(escaped.output.find(binary + ":1: unknown entry \"\\x1b[2Jleaderboard\\x07\" "
                                           "(\"\\x1b[2Jleaderboard\\x07 7 lower\\x00Speed Run\")"),
              std::string::npos)
        << escaped.output;
    EXPECT_EQ(escaped.output.find_first_of(std::string("\x1b\a\0", 3)), std::string::npos);

    // Two games are one too many: the second file is refused, not a silent replacement.
    Program both({ "--state", folder.path() + "/service", "--game", good, "--game", empty });
    both.readUntil("serves one game");
    EXPECT_EQ(both.stop(0), 2);
    EXPECT_NE(both.output.find("quorvel_standin: --game is given twice (\"" + good + "\" and \"" + empty
                               + "\"): the service serves one game"),
              std::string::npos)
        << both.output;
    EXPECT_EQ(both.output.find("usage:"), std::string::npos) << "an argument it takes is not met with the usage";
}

TEST(StandInProgramStateFolder, ARequestTakenBeforeAHardKillIsRefusedAfterIt)
{
    testing_support::TempDir folder;
    auto port = [](const Program& program) {
        const std::string url = program.value("server-url");
        return std::atoi(url.c_str() + url.rfind(':') + 1);
    };
    // The folder and its missing parent are made; the store, which holds
    // every token's secret, is the owner's alone.
    const std::string kept = folder.path() + "/kept/service";
    Program first({ "--state", kept });
    ASSERT_TRUE(first.readUntil("state ")) << first.output;
    struct stat st {};
    ASSERT_EQ(::stat(kept.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat((kept + "/standin.sqlite").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // A device's first login, signed by the game: captured, and sent again after the kill.
    const std::string bootstrap =
        standin_testing::signedRequest(port(first), "POST", "bootstrap.xml", { { "udid", "phone-k" } }, "", "");
    EXPECT_EQ(standin_testing::sendRaw(port(first), bootstrap).status, 200);
    first.stop(SIGKILL);

    Program second({ "--state", kept });
    ASSERT_TRUE(second.readUntil("state ")) << second.output;
    EXPECT_EQ(standin_testing::sendRaw(port(second), bootstrap).status, 401);
    EXPECT_TRUE(second.readUntil("POST bootstrap.xml 401 signature NOT verified (nonce already used: a replayed request)"))
        << second.output;
    const std::string fresh =
        standin_testing::signedRequest(port(second), "POST", "bootstrap.xml", { { "udid", "phone-k" } }, "", "");
    EXPECT_EQ(standin_testing::sendRaw(port(second), fresh).status, 200);
}

// Two services on one folder would each issue tokens the other refuses and
// take a request the other took: the second refuses to start, naming the
// folder and the service that holds it, and starts once that one is gone.
TEST(StandInProgramStateFolder, ASecondServiceOnAFolderInUseRefusesToStartNamingTheFirst)
{
    testing_support::TempDir folder;
    const std::string kept = folder.path() + "/service";
    // The exit status of a program that should end at once (one serving is killed: -1).
    auto ended = [](Program& program) {
        program.readUntil("\n");
        return program.stop(program.output.find("server-url") == std::string::npos ? 0 : SIGKILL);
    };
    auto first = std::make_unique<Program>(std::vector<std::string> { "--state", kept });
    ASSERT_TRUE(first->readUntil("state ")) << first->output;
    Program second({ "--state", kept });
    EXPECT_EQ(ended(second), 1) << second.output;
    EXPECT_NE(second.output.find("quorvel_standin: the state folder " + kept + " is in use by another stand-in"
                                 " service (process " + std::to_string(first->pid()) + ")"),
              std::string::npos)
        << second.output;
    EXPECT_EQ(second.output.find("server-url"), std::string::npos) << second.output;

    // A service in this process holds it the same way.
    first->stop(SIGTERM);
    first.reset();
    {
        standin::StandInState held(kept);
        ASSERT_TRUE(held.isOpen()) << held.error();
        standin::StandInState again(kept);
        EXPECT_TRUE(again.isOpen()) << "a test starting its service again in place: " << again.error();
        Program third({ "--state", kept });
        EXPECT_EQ(ended(third), 1) << third.output;
        EXPECT_NE(third.output.find("(process " + std::to_string(::getpid()) + ")"), std::string::npos) << third.output;
    }
    Program fourth({ "--state", kept });
    EXPECT_TRUE(fourth.readUntil("state ")) << fourth.output;
}

TEST(StandInProgramStateFolder, AFolderThatCannotBeMadeEndsTheProgram)
{
    Program program({ "--state", "/proc/no-such-folder/service" });
    program.readUntil("\n");
    EXPECT_EQ(program.stop(0), 1);
    EXPECT_NE(program.output.find("cannot make the state directory"), std::string::npos) << program.output;
}

} // namespace
