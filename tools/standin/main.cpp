// quorvel_standin: the stand-in service as a program a person can run.
//   quorvel_standin [--port N] [--stomp-port N] [--storage-port N] [--address A] [--fixtures DIR]
//                   [--state DIR] [--game FILE] [--answer-delay MIN,MAX] [--presence]
// Serves HTTP, STOMP and a blob storage host on a loopback address until interrupted,
// prints the "server-url", "presence-host" and "storage-url" to use, then one
// line per request.
#include "platform/net/TcpSocket.h"
#include "tools/standin/StandInServer.h"
#include "tools/standin/StandInState.h"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const char* kUsage =
    "usage: quorvel_standin [--port N] [--stomp-port N] [--storage-port N] [--address A]\n"
    "                       [--fixtures DIR] [--state DIR] [--game FILE]\n"
    "                       [--answer-delay MIN,MAX] [--presence]\n"
    "\n"
    "The stand-in social service on loopback: signed HTTP requests and the STOMP\n"
    "presence channel (which also carries requests when the client routes them).\n"
    "\n"
    "  --port N          HTTP port (0, the default: the system chooses)\n"
    "  --stomp-port N    STOMP port (0, the default: the system chooses)\n"
    "  --storage-port N  port of the blob storage host that signed forms post\n"
    "                    to (0, the default: the system chooses)\n"
    "  --address A       the loopback address all three listen on (127.0.0.1, the\n"
    "                    default, or another of 127.0.0.0/8: a service restarted\n"
    "                    on its ports there finds them free whatever else runs)\n"
    "  --fixtures DIR    answer GET requests from the files under DIR\n"
    "                    (default: the program's own fixtures)\n"
    "  --state DIR       keep players, devices, tokens, scores, achievements,\n"
    "                    friends, challenges, the community's data, cloud values\n"
    "                    and the storage host's blobs in DIR/standin.sqlite and\n"
    "                    answer from them (the folder is made when missing; a\n"
    "                    restart on the same DIR finds everything again); other\n"
    "                    requests still come from the fixtures\n"
    "  --game FILE       the game's product key and secret, leaderboards and\n"
    "                    achievements, one a line, instead of the built-in ones\n"
    "                    (product-key product-key, product-secret product-secret,\n"
    "                    leaderboards 5 and 6, achievements 11 and 12):\n"
    "                        product-key    KEY\n"
    "                        product-secret SECRET\n"
    "                        leaderboard    ID higher|lower NAME\n"
    "                        achievement    ID POINTS TITLE [| DESCRIPTION]\n"
    "                    ('#' starts a comment); leaderboards and achievements\n"
    "                    need --state, which keeps them; one game, one file\n"
    "  --answer-delay MIN,MAX\n"
    "                    answer each request a random MIN to MAX milliseconds\n"
    "                    after it was handled, as a slow service would (also\n"
    "                    set by BRISKO_STANDIN_DELAY_MS=MIN,MAX)\n"
    "  --presence        the login answer enables presence: the client opens the\n"
    "                    presence channel and sends its requests inside it\n"
    "                    (also set by BRISKO_STANDIN_PRESENCE=1)\n"
    "  --help            print this text\n"
    "\n"
    "Prints \"server-url URL\", \"presence-host HOST:PORT\" and \"storage-url URL\",\n"
    "then one line per request: method, path, status and the signature verdict.\n"
    "A signed request whose signature does not verify, that was taken before (the\n"
    "same nonce and timestamp; with --state, before a restart too), whose nonce is\n"
    "over 128 bytes or whose timestamp is over five minutes off is answered 401.\n";

// A port from 0 to 65535, or -1.
int parsePort(const char* text)
{
    if (!text || !*text)
        return -1;
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < 0 || value > 65535 || !std::isdigit(static_cast<unsigned char>(text[0])))
        return -1;
    return static_cast<int>(value);
}

// The program's own fixtures: installed beside it (PREFIX/bin and
// PREFIX/share/brisko/standin/fixtures), else the checkout it was built from.
std::string defaultFixtures()
{
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        std::filesystem::path installed = exe.parent_path().parent_path() / "share/brisko/standin/fixtures";
        if (std::filesystem::is_directory(installed, ec))
            return installed.string();
    }
    return QUORVEL_STANDIN_FIXTURES;
}

// The reason alone, so it is the last thing on the screen; --help prints the
// whole usage. An argument the program does not take is shown the short form.
int startError(const std::string& message)
{
    std::fprintf(stderr, "quorvel_standin: %s\n", message.c_str());
    return 2;
}

int usageError(const std::string& message)
{
    std::string synopsis = kUsage;
    synopsis.resize(synopsis.find("\n\n") + 1);
    std::fprintf(stderr, "%s(quorvel_standin --help explains each option)\nquorvel_standin: %s\n", synopsis.c_str(),
                 message.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    int port = 0, stompPort = 0, storagePort = 0;
    std::string address = platform::kLoopbackAddress;
    std::string fixtures = defaultFixtures();
    std::string stateDirectory;
    std::optional<standin::StandInState::GameDefinition> game;
    std::string gameFile;
    std::optional<std::pair<int, int>> answerDelay;
    bool presence = false;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (option == "--presence") {
            presence = true;
            continue;
        }
        if (option != "--port" && option != "--stomp-port" && option != "--storage-port" && option != "--address"
            && option != "--fixtures" && option != "--state" && option != "--game" && option != "--answer-delay")
            return usageError("unknown argument \"" + option + "\"");
        if (i + 1 >= argc)
            return usageError(option + " needs a value");
        const char* value = argv[++i];
        if (option == "--fixtures") {
            std::error_code ec;
            if (!std::filesystem::is_directory(value, ec))
                return startError("--fixtures names no folder: \"" + std::string(value) + "\"");
            fixtures = value;
            continue;
        }
        if (option == "--answer-delay") {
            std::string why;
            answerDelay = standin::parseDelayRange(value, &why);
            if (!answerDelay)
                return startError("--answer-delay " + why);
            continue;
        }
        if (option == "--game") {
            // One service serves one game: a second file is a mistake, not a replacement.
            if (game)
                return startError("--game is given twice (\"" + gameFile + "\" and \"" + value
                                  + "\"): the service serves one game");
            gameFile = value;
            std::string error;
            game = standin::StandInState::readGameFile(value, error);
            if (!game)
                return startError(error);
            continue;
        }
        if (option == "--address") {
            in_addr parsed {};
            if (::inet_pton(AF_INET, value, &parsed) != 1 || (ntohl(parsed.s_addr) >> 24) != 127)
                return startError("--address wants a loopback address (127.0.0.0/8), not \"" + std::string(value) + "\"");
            address = value;
            continue;
        }
        if (option == "--state") {
            if (!*value)
                return startError("--state needs a folder");
            stateDirectory = value;
            continue;
        }
        int parsed = parsePort(value);
        if (parsed < 0)
            return startError(option + " wants a port number from 0 to 65535, not \"" + value + "\"");
        (option == "--port" ? port : option == "--stomp-port" ? stompPort : storagePort) = parsed;
    }

    // The server threads inherit a mask without SIGINT and SIGTERM, so the
    // main thread is the one that receives them (in sigwait below).
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    // Each idle client holds a descriptor: allow as many as the system lets us.
    rlimit files {};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }

    if (game && (!game->leaderboards.empty() || !game->achievements.empty()) && stateDirectory.empty())
        return startError("--game with leaderboards or achievements needs --state DIR, which keeps them");

    standin::StandInServer server;
    if (game && (!game->productKey.empty() || !game->productSecret.empty()))
        server.setConsumer(game->productKey.empty() ? "product-key" : game->productKey,
                           game->productSecret.empty() ? "product-secret" : game->productSecret);
    if (!fixtures.empty())
        server.setFixtureDirectory(fixtures);
    server.installDefaultRoutes();
    server.installAccountRoutes(1);
    std::unique_ptr<standin::StandInState> state;
    if (!stateDirectory.empty()) {
        state = std::make_unique<standin::StandInState>(stateDirectory);
        if (!state->isOpen()) {
            std::fprintf(stderr, "quorvel_standin: %s\n", state->error().c_str());
            return 1;
        }
        if (game && !state->defineGame(*game)) {
            std::fprintf(stderr, "quorvel_standin: the state cannot take the game's definitions: %s\n",
                         state->error().c_str());
            return 1;
        }
        state->install(server);
    }
    server.setRejectsBadSignatures(true);
    if (answerDelay)
        server.setAnswerDelay(answerDelay->first, answerDelay->second);
    if (presence)
        server.setPresenceEnabled(true);
    server.setLogSink([](const std::string& line) {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    });
    if (server.start(port, address) < 0) {
        std::fprintf(stderr, "quorvel_standin: cannot listen on %s port %d (in use?)\n", address.c_str(), port);
        return 1;
    }
    standin::StompStandIn stomp;
    stomp.setLogSink([](const std::string& line) {
        std::printf("presence %s\n", line.c_str());
        std::fflush(stdout);
    });
    if (stomp.start(stompPort, address) < 0) {
        std::fprintf(stderr, "quorvel_standin: cannot listen on %s STOMP port %d (in use?)\n", address.c_str(),
                     stompPort);
        return 1;
    }
    stomp.forwardRequestsTo(server);
    standin::StorageHostStandIn storage;
    if (state)
        state->keepObjectsOf(storage);
    storage.setLogSink([](const std::string& line) {
        std::printf("storage %s\n", line.c_str());
        std::fflush(stdout);
    });
    if (storage.start(storagePort, address) < 0) {
        std::fprintf(stderr, "quorvel_standin: cannot listen on %s storage port %d (in use?)\n", address.c_str(),
                     storagePort);
        return 1;
    }
    std::printf("server-url %s\npresence-host %s:%d\nstorage-url %s\n", server.baseUrl().c_str(), address.c_str(),
                stomp.port(), storage.baseUrl().c_str());
    if (state)
        std::printf("state %s\n", state->databasePath().c_str());
    // A slow service is chosen, and said so, so that nobody mistakes it for a slow machine.
    if (auto [low, high] = server.answerDelay(); high > 0)
        std::printf("answers are delayed %d to %d ms (%s)\n", low, high,
                    answerDelay ? "--answer-delay" : "BRISKO_STANDIN_DELAY_MS");
    std::fflush(stdout);
    int received = 0;
    while (sigwait(&stopSignals, &received) != 0) { }
    stomp.stop();
    storage.stop();
    server.stop();
    return 0;
}
