#include "engine/share_list.h"
#include "text/pipe_list.h"
#include "text/utf8_cut.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "lab/netns_sandbox.h"
#include "support/temp_dir.h"

namespace corvimap {
namespace {

using testing::ParseFields;
using testing::ProgramExists;
using testing::RunInFreshNetNamespace;
using testing::Shell;
using testing::ShellOutput;
using testing::TempDir;

// True once a TCP connection to the address and port is accepted, within about ten seconds.
bool WaitForTcp(NetAddress address, uint16_t port) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = htons(port);
        target.sin_addr.s_addr = address;
        const bool connected =
            connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof(target)) == 0;
        close(fd);
        if (connected) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// A Samba server of the test's own: a private smb.conf and every directory it writes to in a
// folder of the temp dir, listening on one loopback address only. "@" in the shares stands for
// the server's data folder.
class SambaServer {
public:
    SambaServer(const std::filesystem::path& root, const std::string& address,
                const std::string& extra_global, std::string shares)
        : dir_(root / address) {
        std::filesystem::create_directories(dir_);
        std::ofstream conf(dir_ / "smb.conf");
        conf << "[global]\n";
        for (const char* sub : {"pid", "lock", "state", "cache", "private", "ncalrpc", "data"}) {
            std::filesystem::create_directories(dir_ / sub);
            const bool dir = sub == std::string("private") || sub == std::string("ncalrpc");
            conf << sub << (dir ? " dir = " : " directory = ") << (dir_ / sub).string() << "\n";
        }
        for (size_t at = shares.find('@'); at != std::string::npos; at = shares.find('@')) {
            shares.replace(at, 1, data());
        }
        conf << "netbios name = SHARES" << address.substr(address.rfind('.') + 1) << "\n"
             << "interfaces = " << address << "/32\nlog file = " << (dir_ / "log.%m").string()
             << R"(
workgroup = LABGROUP
bind interfaces only = yes
map to guest = Bad User
load printers = no
disable spoolss = yes
printing = bsd
printcap name = /dev/null
)" << extra_global
             << shares;
    }
    std::string data() const { return (dir_ / "data").string(); }
    std::string config() const { return (dir_ / "smb.conf").string(); }
    bool Start() const { return Shell("smbd -D -s " + config()); }

    // smbd and the RPC helper it starts.
    void Stop() const {
        testing::StopDaemons({dir_ / "pid" / "smbd.pid", dir_ / "pid" / "samba-dcerpcd.pid"});
    }

private:
    std::filesystem::path dir_;
};

// The disk shares that smbclient -N -L lists, in its order, joined by "|".
std::string SmbclientDiskShares(const std::string& address, const std::string& config,
                                const std::string& options = "") {
    const std::string listing = ShellOutput("smbclient -N -L //" + address + " -s " + config + " " +
                                            options + " 2>/dev/null");
    std::string shares;
    std::istringstream lines(listing);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t disk = line.find(" Disk ");
        if (disk == std::string::npos || line.empty() || line[0] != '\t') {
            continue;
        }
        std::string name = line.substr(1, disk - 1);
        name.erase(name.find_last_not_of(' ') + 1);
        AppendField(shares, CutUtf8(name, kShareNameLimit));
    }
    return shares;
}

TEST(ListSharesTest, DiskSharesOfRealSambaServersOnLoopback) {
    if (!ProgramExists("smbd") || !ProgramExists("smbclient")) {
        GTEST_SKIP() << "Samba's smbd and smbclient are not installed";
    }
    TempDir temp;
    const std::string shared = "path = @\nguest ok = yes\n";
    const std::string printer =
        "[Laser]\n" + shared + "printable = yes\nprint command = /bin/true\n";
    const std::string smb1 = "server min protocol = NT1\nserver max protocol = NT1\n";
    const std::vector<std::tuple<std::string, uint16_t, std::string, std::string>> specs = {
        {"127.0.0.9", 445, "",
         "[C$]\n" + shared + "[DATA]\ncomment = data share\n" + shared + printer + "[WINDOWS$]\n" +
             shared + "[" + std::string(120, 'L') + "]\n" + shared + "[Données]\n" + shared},
        {"127.0.0.10", 139, "smb ports = 139\n", "[ONLY139]\n" + shared},
        {"127.0.0.11", 445, "", printer},
        {"127.0.0.13", 445, smb1, "[archive]\n" + shared + "[photos]\n" + shared},
    };
    std::vector<SambaServer> servers;
    for (const auto& [address, port, extra_global, shares] : specs) {
        servers.emplace_back(temp.Path(), address, extra_global, shares);
    }
    const auto output = RunInFreshNetNamespace([&] {
        std::ostringstream out;
        bool started = Shell("ip link set lo up");
        for (size_t i = 0; i < specs.size(); ++i) {
            const auto& [address, port, extra_global, shares] = specs[i];
            started = started && Shell("ip addr add " + address + "/32 dev lo") &&
                      servers[i].Start() && WaitForTcp(InetAddr(address), port);
        }
        out << "started=" << started << "\n";
        if (started) {
            out << "full=" << ListShares(MakeAddress(127, 0, 0, 9)) << "\n";
            out << "full_smbclient=" << SmbclientDiskShares("127.0.0.9", servers[0].config())
                << "\n";
            out << "port139=" << ListShares(MakeAddress(127, 0, 0, 10)) << "\n";
            out << "printer=" << ListShares(MakeAddress(127, 0, 0, 11)) << "\n";
            out << "printer_smbclient=" << SmbclientDiskShares("127.0.0.11", servers[2].config())
                << "\n";
            out << "nobody=" << ListShares(MakeAddress(127, 0, 0, 12)) << "\n";
            out << "smb1=" << ListShares(MakeAddress(127, 0, 0, 13)) << "\n";
            // Debian's smbclient refuses -m NT1 while its minimum stays SMB2.
            out << "smb1_smbclient="
                << SmbclientDiskShares("127.0.0.13", servers[3].config(),
                                       "-m NT1 --option='client min protocol=NT1'")
                << "\n";
            out << "full_after_smb1=" << ListShares(MakeAddress(127, 0, 0, 9)) << "\n";
        }
        return out.str();
    });
    // Also when the child failed half-way: the servers are daemons outside it.
    for (const SambaServer& server : servers) {
        server.Stop();
    }
    if (!output) {
        GTEST_SKIP() << "cannot create a network namespace (needs root)";
    }
    const auto fields = ParseFields(*output);
    ASSERT_EQ(fields.at("started"), "1") << "smbd did not start: " << *output;
    EXPECT_EQ(fields.at("full"), "C$|DATA|WINDOWS$|" + std::string(100, 'L') + "|Données");
    EXPECT_EQ(fields.at("full"), fields.at("full_smbclient"));
    EXPECT_EQ(fields.at("port139"), "ONLY139");
    EXPECT_EQ(fields.at("printer"), "");
    EXPECT_EQ(fields.at("printer_smbclient"), "");
    EXPECT_EQ(fields.at("nobody"), "");
    EXPECT_EQ(fields.at("smb1"), "archive|photos") << "an SMB1-only host, asked again over NT1";
    EXPECT_EQ(fields.at("smb1"), fields.at("smb1_smbclient"));
    EXPECT_EQ(fields.at("full_after_smb1"), fields.at("full")) << "the dialects are set back";
}

}  // namespace
}  // namespace corvimap
