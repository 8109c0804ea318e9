// Builds the lab of the window's lab test (two Samba hosts, 198.18.0.11 FILESRV and
// 198.18.0.12 MEDIABOX, and 198.18.0.13 that only answers ICMP), runs a command in its scanner
// namespace, prints what the command printed and takes the lab down again. For demos and trying
// the program by hand against real hosts; needs root.
//
//   lab_run [--timeout SECONDS] -- COMMAND [ARGUMENTS...]
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "lab/lab.h"
#include "lab/lab_hosts.h"

namespace {

using corvimap::lab::FileServer;
using corvimap::lab::Lab;
using corvimap::lab::MediaBox;

int Usage(const char* program) {
    std::fprintf(stderr, "usage: %s [--timeout SECONDS] -- COMMAND [ARGUMENTS...]\n", program);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int timeout_seconds = 600;
    int first = 1;
    if (first + 1 < argc && std::string(argv[first]) == "--timeout") {
        timeout_seconds = std::atoi(argv[first + 1]);
        first += 2;
    }
    if (first >= argc || std::string(argv[first]) != "--" || first + 1 >= argc ||
        timeout_seconds <= 0) {
        return Usage(argv[0]);
    }
    const std::vector<std::string> command(argv + first + 1, argv + argc);

    const std::string unavailable =
        corvimap::lab::LabUnavailableReason(corvimap::lab::LabNeeds::kSamba);
    if (!unavailable.empty()) {
        std::fprintf(stderr, "lab_run: %s\n", unavailable.c_str());
        return 1;
    }
    try {
        Lab lab;
        lab.AddSambaHost("h1", 11, FileServer());
        lab.AddSambaHost("h2", 12, MediaBox());
        lab.AddIcmpHost("icmp", 13);
        if (const auto ready = lab.WaitForSamba(std::chrono::seconds(90)); !ready) {
            std::fprintf(stderr, "lab_run: the Samba hosts did not answer: %s\n", ready.message());
            return 1;
        }
        const auto result = lab.RunInScanner(command, std::chrono::seconds(timeout_seconds));
        std::fwrite(result.out.data(), 1, result.out.size(), stdout);
        std::fwrite(result.err.data(), 1, result.err.size(), stderr);
        if (result.timed_out) {
            std::fprintf(stderr, "lab_run: the command ran out of time\n");
            return 1;
        }
        return result.exit_code < 0 ? 1 : result.exit_code;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lab_run: %s\n", error.what());
        return 1;
    }
}
