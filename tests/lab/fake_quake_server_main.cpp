// Runs one fake game server on 127.0.0.1 until interrupted, for trying clients by hand:
//   fake_quake_server qw|q2|q3   (prints the port it listens on)
#include <csignal>
#include <cstdio>
#include <cstring>

#include "lab/fake_quake_server.h"

using corvimap::testing::FakeGame;
using corvimap::testing::FakeQuakeServer;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s qw|q2|q3\n", argv[0]);
        return 2;
    }
    FakeGame game;
    corvimap::testing::FakeServerState state;
    if (std::strcmp(argv[1], "qw") == 0) {
        game = FakeGame::kQuakeWorld;
        state = corvimap::testing::RealisticQuakeWorldServer();
    } else if (std::strcmp(argv[1], "q2") == 0) {
        game = FakeGame::kQuake2;
        state = corvimap::testing::RealisticQuake2Server();
    } else if (std::strcmp(argv[1], "q3") == 0) {
        game = FakeGame::kQuake3;
        state = corvimap::testing::RealisticQuake3Server();
    } else {
        std::fprintf(stderr, "unknown game: %s\n", argv[1]);
        return 2;
    }
    // Blocked before the server thread starts, so only sigwait below takes them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    FakeQuakeServer server(game, state);
    if (!server.Ok()) {
        std::perror("fake_quake_server");
        return 1;
    }
    std::printf("%u\n", server.Port());
    std::fflush(stdout);
    int received = 0;
    sigwait(&signals, &received);
    return 0;
}
