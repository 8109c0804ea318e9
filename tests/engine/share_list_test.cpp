#include "engine/share_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "lab/netns_sandbox.h"
#include "support/temp_dir.h"

namespace corvimap {
namespace {

using testing::ProgramExists;
using testing::RunInFreshNetNamespace;
using testing::Shell;
using testing::TempDir;

// A Samba server of the test's own, listening on one loopback address only: a private smb.conf
// and every directory it writes to in a folder of its own.
class SambaServer {
public:
    SambaServer(const std::filesystem::path& root, const std::string& address,
                const std::string& shares)
        : dir_(root / address), address_(address) {
        std::string conf = "[global]\n";
        for (const char* sub : {"pid", "lock", "state", "cache", "private", "ncalrpc"}) {
            std::filesystem::create_directories(dir_ / sub);
            const bool dir = sub == std::string("private") || sub == std::string("ncalrpc");
            conf += sub + std::string(dir ? " dir = " : " directory = ") + (dir_ / sub).string();
            conf += "\n";
        }
        testing::WriteWholeFile(
            dir_ / "smb.conf",
            conf + "netbios name = SHARES" + address.substr(address.rfind('.') + 1) +
                "\ninterfaces = " + address + "/32\nlog file = " + (dir_ / "log.%m").string() + R"(
workgroup = LABGROUP
bind interfaces only = yes
map to guest = Bad User
load printers = no
disable spoolss = yes
printing = bsd
printcap name = /dev/null
)" + shares);
    }

    // Starts smbd and waits up to ten seconds for it to listen.
    bool Start() const {
        return Shell("smbd -D -s " + (dir_ / "smb.conf").string()) &&
               Shell("timeout 10 sh -c 'until ss -Hltn src " + address_ +
                     " | grep -q .; do sleep 0.1; done'");
    }
    // smbd and the RPC helper it starts.
    void Stop() const {
        testing::StopDaemons({dir_ / "pid" / "smbd.pid", dir_ / "pid" / "samba-dcerpcd.pid"});
    }

private:
    std::filesystem::path dir_;
    std::string address_;
};

// The scan lab test compares ListShares with smbclient -N -L on the lab's Samba hosts; here each
// case of listing has a server of its own.
TEST(ListSharesTest, DiskSharesOfRealSambaServersOnLoopback) {
    if (!ProgramExists("smbd")) {
        GTEST_SKIP() << "Samba's smbd is not installed";
    }
    TempDir temp;
    const auto share = [&temp](const std::string& name) {
        return "[" + name + "]\npath = " + temp.Path().string() + "\nguest ok = yes\n";
    };
    const std::string printer = share("Laser") + "printable = yes\nprint command = /bin/true\n";
    const std::pair<std::string, std::string> configs[] = {
        {"127.0.0.9", share("C$") + share("DATA") + "comment = data share\n" + printer +
                          share("WINDOWS$") + share(std::string(120, 'L')) + share("Données")},
        {"127.0.0.10", "smb ports = 139\n" + share("ONLY139")},
        {"127.0.0.11", printer},
        {"127.0.0.13", "server min protocol = NT1\nserver max protocol = NT1\n" + share("archive") +
                           share("photos")},
    };
    std::vector<SambaServer> servers;
    for (const auto& [address, shares] : configs) {
        servers.emplace_back(temp.Path(), address, shares);
    }
    const auto output = RunInFreshNetNamespace([&] {
        bool started = Shell("ip link set lo up");
        for (size_t i = 0; i < servers.size(); ++i) {
            started = started && Shell("ip addr add " + configs[i].first + "/32 dev lo") &&
                      servers[i].Start();
        }
        if (!started) {
            return std::string("smbd did not start");
        }
        // .12 runs no server; .13 speaks only SMB1 and is asked again over it, after which .9
        // is asked once more with the dialects set back.
        std::string lines;
        for (const uint8_t last : {9, 10, 11, 12, 13, 9}) {
            lines += ListShares(MakeAddress(127, 0, 0, last)) + "\n";
        }
        return lines;
    });
    // Also when the child failed half-way: the servers are daemons outside it.
    for (const SambaServer& server : servers) {
        server.Stop();
    }
    if (!output) {
        GTEST_SKIP() << "cannot create a network namespace (needs root)";
    }
    const std::string full = "C$|DATA|WINDOWS$|" + std::string(100, 'L') + "|Données\n";
    EXPECT_EQ(*output, full + "ONLY139\n\n\narchive|photos\n" + full);
}

}  // namespace
}  // namespace corvimap
