#include "engine/share_list.h"
#include "text/pipe_list.h"
#include "text/utf8_cut.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
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
// folder of the temp dir, listening on one loopback address only.
class SambaServer {
public:
    SambaServer(const std::filesystem::path& root, const std::string& address,
                const std::string& extra_global, const std::string& shares)
        : dir_(root / address) {
        for (const char* sub : {"pid", "lock", "state", "cache", "private", "ncalrpc", "data"}) {
            std::filesystem::create_directories(dir_ / sub);
        }
        std::ofstream(dir_ / "smb.conf")
            << "[global]\n"
            << "netbios name = SHARES" << address.substr(address.rfind('.') + 1) << "\n"
            << "workgroup = LABGROUP\n"
            << "interfaces = " << address << "/32\n"
            << "bind interfaces only = yes\n"
            << "pid directory = " << (dir_ / "pid").string() << "\n"
            << "lock directory = " << (dir_ / "lock").string() << "\n"
            << "state directory = " << (dir_ / "state").string() << "\n"
            << "cache directory = " << (dir_ / "cache").string() << "\n"
            << "private dir = " << (dir_ / "private").string() << "\n"
            << "ncalrpc dir = " << (dir_ / "ncalrpc").string() << "\n"
            << "log file = " << (dir_ / "log.%m").string() << "\n"
            << "map to guest = Bad User\n"
            << "load printers = no\n"
            << "disable spoolss = yes\n"
            << "printing = bsd\n"
            << "printcap name = /dev/null\n"
            << extra_global << shares;
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
    const std::string long_name(120, 'L');
    const SambaServer full(temp.Path(), "127.0.0.9", "",
                           "[C$]\npath = @\nguest ok = yes\n"
                           "[DATA]\npath = @\nguest ok = yes\ncomment = data share\n"
                           "[Laser]\npath = @\nprintable = yes\nguest ok = yes\n"
                           "print command = /bin/true\n"
                           "[WINDOWS$]\npath = @\nguest ok = yes\n"
                           "[" +
                               long_name +
                               "]\npath = @\nguest ok = yes\n"
                               "[Données]\npath = @\nguest ok = yes\n");
    const SambaServer netbios_port_only(temp.Path(), "127.0.0.10", "smb ports = 139\n",
                                        "[ONLY139]\npath = @\nguest ok = yes\n");
    const SambaServer printer_only(temp.Path(), "127.0.0.11", "",
                                   "[Laser]\npath = @\nprintable = yes\nguest ok = yes\n"
                                   "print command = /bin/true\n");
    const SambaServer smb1_only(temp.Path(), "127.0.0.13",
                                "server min protocol = NT1\nserver max protocol = NT1\n",
                                "[archive]\npath = @\nguest ok = yes\n"
                                "[photos]\npath = @\nguest ok = yes\n");
    const std::vector<const SambaServer*> servers = {&full, &netbios_port_only, &printer_only,
                                                     &smb1_only};
    for (const SambaServer* server : servers) {
        // Every share points at the server's own data folder.
        Shell("sed -i 's|^path = @$|path = " + server->data() + "|' " + server->config());
    }

    const auto output = RunInFreshNetNamespace([&] {
        std::ostringstream out;
        bool started = Shell("ip link set lo up");
        for (const char* address : {"127.0.0.9", "127.0.0.10", "127.0.0.11", "127.0.0.13"}) {
            started = started && Shell(std::string("ip addr add ") + address + "/32 dev lo");
        }
        for (const SambaServer* server : servers) {
            started = started && server->Start();
        }
        started = started && WaitForTcp(MakeAddress(127, 0, 0, 9), 445) &&
                  WaitForTcp(MakeAddress(127, 0, 0, 10), 139) &&
                  WaitForTcp(MakeAddress(127, 0, 0, 11), 445) &&
                  WaitForTcp(MakeAddress(127, 0, 0, 13), 445);
        out << "started=" << started << "\n";
        if (started) {
            out << "full=" << ListShares(MakeAddress(127, 0, 0, 9)) << "\n";
            out << "full_smbclient=" << SmbclientDiskShares("127.0.0.9", full.config()) << "\n";
            out << "port139=" << ListShares(MakeAddress(127, 0, 0, 10)) << "\n";
            out << "printer=" << ListShares(MakeAddress(127, 0, 0, 11)) << "\n";
            out << "printer_smbclient=" << SmbclientDiskShares("127.0.0.11", printer_only.config())
                << "\n";
            out << "nobody=" << ListShares(MakeAddress(127, 0, 0, 12)) << "\n";
            out << "smb1=" << ListShares(MakeAddress(127, 0, 0, 13)) << "\n";
            // Debian's smbclient refuses -m NT1 while its minimum stays SMB2.
            out << "smb1_smbclient="
                << SmbclientDiskShares("127.0.0.13", smb1_only.config(),
                                       "-m NT1 --option='client min protocol=NT1'")
                << "\n";
            out << "full_after_smb1=" << ListShares(MakeAddress(127, 0, 0, 9)) << "\n";
        }
        return out.str();
    });
    // Also when the child failed half-way: the servers are daemons outside it.
    for (const SambaServer* server : servers) {
        server->Stop();
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
