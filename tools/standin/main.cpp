// quorvel_standin: the stand-in service as a program for the showcase.
//   quorvel_standin [--port N] [--stomp-port N] [--fixtures DIR]
// Serves on 127.0.0.1 until interrupted; prints the ports it listens on.
#include "tools/standin/StandInServer.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) { stopRequested = 1; }
} // namespace

int main(int argc, char** argv)
{
    int port = 0, stompPort = 0;
    std::string fixtures;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--port"))
            port = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--stomp-port"))
            stompPort = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--fixtures"))
            fixtures = argv[i + 1];
        else {
            std::fprintf(stderr, "usage: %s [--port N] [--stomp-port N] [--fixtures DIR]\n", argv[0]);
            return 2;
        }
    }
    standin::StandInServer server;
    if (!fixtures.empty())
        server.setFixtureDirectory(fixtures);
    server.installDefaultRoutes();
    if (server.start(port) < 0) {
        std::fprintf(stderr, "quorvel_standin: cannot listen on port %d\n", port);
        return 1;
    }
    standin::StompStandIn stomp;
    if (stomp.start(stompPort) < 0) {
        std::fprintf(stderr, "quorvel_standin: cannot listen on STOMP port %d\n", stompPort);
        return 1;
    }
    std::printf("server-url %s\npresence-host 127.0.0.1:%d\n", server.baseUrl().c_str(), stomp.port());
    std::fflush(stdout);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    while (!stopRequested)
        pause();
    return 0;
}
