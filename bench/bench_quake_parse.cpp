// Players and rules parse of large game server replies: how long one reply takes to become a
// report, for the largest datagram a server may send and for bigger buffers (the parser itself
// takes any size), so that the cost per byte stays flat.
#include <chrono>
#include <cstdio>
#include <string>

#include "games/quake_reply_parser.h"
#include "games/quake_report.h"

namespace {

using corvimap::BuildQuake3Report;
using corvimap::BuildQuakeWorldReport;

const std::string kFF = "\xff\xff\xff\xff";

std::string Rules(size_t count) {
    std::string info;
    for (size_t i = 0; i < count; ++i) {
        info += "\\sv_rule" + std::to_string(i) + "\\^" + std::to_string(i % 8) + "value " +
                std::to_string(i * 7919);
    }
    return info;
}

// A QuakeWorld reply filled with players up to about target bytes.
std::string QuakeWorldReply(size_t rules, size_t target) {
    std::string reply =
        kFF + "n\\hostname\\Big Server\\map\\dm6\\maxclients\\32" + Rules(rules) + "\n";
    for (int id = 1;; ++id) {
        const std::string line = std::to_string(id) + " " + std::to_string(id * 3 % 50) + " 12 " +
                                 std::to_string(id % 200) + " \"Player number " +
                                 std::to_string(id) + "\" \"base\" 4 11\n";
        if (reply.size() + line.size() > target) {
            return reply;
        }
        reply += line;
    }
}

std::string Quake3Status(size_t rules, size_t target) {
    std::string reply = kFF + "statusResponse\n\\sv_hostname\\^1Big ^7Server" + Rules(rules) + "\n";
    for (int id = 1;; ++id) {
        const std::string line = std::to_string(id % 40) + " " + std::to_string(id % 200) + " \"^" +
                                 std::to_string(id % 8) + "Player ^7" + std::to_string(id) + "\"\n";
        if (reply.size() + line.size() > target) {
            return reply;
        }
        reply += line;
    }
}

// Many unclosed quotes, short lines and stray backslashes: the unfriendliest input for the
// searches.
std::string Hostile(size_t target) {
    std::string reply = kFF + "n";
    const std::string piece = "\\\\1 2 \"\n3\\ 4 \" 5\n";
    while (reply.size() + piece.size() <= target) {
        reply += piece;
    }
    return reply;
}

size_t FieldCount(const corvimap::ServerReport& report) {
    size_t fields = 1;
    for (const char c : report.Text()) {
        fields += c == '|' ? 1 : 0;
    }
    return fields;
}

// Runs build until about a quarter of a second has passed and prints the time per reply.
template <typename Build>
void Measure(const std::string& reply, Build build) {
    using Clock = std::chrono::steady_clock;
    const corvimap::ServerReport first = build();
    long rounds = 0;
    const Clock::time_point start = Clock::now();
    double seconds = 0;
    do {
        for (int i = 0; i < 10; ++i) {
            if (build().Length() != first.Length()) {
                std::printf("reports differ between runs\n");
            }
        }
        rounds += 10;
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    } while (seconds < 0.25);
    std::printf("%9zu bytes %7zu fields %10.2f us/reply %8.1f MB/s\n", reply.size(),
                FieldCount(first), seconds / static_cast<double>(rounds) * 1e6,
                static_cast<double>(reply.size()) * static_cast<double>(rounds) / seconds / 1e6);
}

void Heading(const char* what, const corvimap::StatusLists& lists) {
    std::printf("%-16s %6zu players %4zu rules: ", what, lists.players.size(), lists.rules.size());
}

}  // namespace

int main() {
    std::printf(
        "Players and rules parse, one reply to one report (4096 bytes is the largest "
        "datagram taken)\n");
    const std::string info = kFF +
                             "infoResponse\n\\hostname\\Big\\mapname\\q3dm17\\clients\\64"
                             "\\sv_maxclients\\64\\pure\\1";
    for (const size_t size : {size_t{4096}, size_t{65536}, size_t{1048576}}) {
        const std::string qw = QuakeWorldReply(100, size);
        Heading("QuakeWorld", corvimap::ParseQuakeWorldStatus(qw));
        Measure(qw, [&] { return BuildQuakeWorldReport("10.0.0.5:27500", qw); });

        const std::string q3 = Quake3Status(100, size);
        Heading("Quake III Arena", corvimap::ParseQuake3Status(q3));
        Measure(q3, [&] { return BuildQuake3Report("10.0.0.5:27960", q3, info); });

        const std::string hostile = Hostile(size);
        Heading("hostile bytes", corvimap::ParseQuakeWorldStatus(hostile));
        Measure(hostile, [&] { return BuildQuakeWorldReport("10.0.0.5:27500", hostile); });
    }
    return 0;
}
