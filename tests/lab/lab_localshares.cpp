#include "lab_localshares.h"

#include <signal.h>

#include <stdexcept>

namespace corvimap::lab {

SambaHostOptions LocalSharesServer() {
    SambaHostOptions options;
    options.netbios_name = "LOCALSRV";
    options.workgroup = "LABGROUP";
    options.shares = {
        {"limited",
         "Three at most",
         {},
         {{"a.txt", "alpha\n"}, {"b.txt", "beta\n"}},
         {"max connections = 3"}},
        {"docs", "Read only", {}, {{"readme.txt", "read me\n"}}, {"read only = yes"}},
        {"drop", "", {}, {}, {"read only = no"}},
    };
    return options;
}

void AddSambaPassword(const Lab& lab, const LabHost& server, const std::string& user,
                      const std::string& password) {
    // smbpasswd reads the new password twice from stdin, which RunCommand cannot feed; a shell
    // pipe is fine for a test peer.
    const std::string conf = lab.SmbConfPath(server).string();
    const CommandResult result = RunCommand(
        {"sh", "-c", "printf '%s\\n%s\\n' \"$2\" \"$2\" | smbpasswd -c \"$1\" -s -a \"$3\"", "sh",
         conf, password, user},
        milliseconds(20000));
    if (!result.Ok()) {
        throw std::runtime_error("smbpasswd failed: " + result.Describe());
    }
}

std::vector<std::string> SmbclientSessionCommand(const LabHost& server, const std::string& share,
                                                 const std::string& user,
                                                 const std::string& password) {
    const std::string login = user.empty() ? "-N" : "--user=" + user + "%" + password;
    // smbclient keeps its session while its input stays open.
    return {"sh",
            "-c",
            "sleep 100000 | smbclient \"$1\" \"$2\"",
            "sh",
            "//" + server.address + "/" + share,
            login};
}

std::vector<std::string> HoldFilesCommand(const LabHost& server,
                                          const std::vector<std::string>& files, int seconds,
                                          const std::string& user, const std::string& password) {
    std::vector<std::string> argv = {"/usr/bin/python3", CORVIMAP_LAB_DIR "/lab_hold_files.py",
                                     std::to_string(seconds), user, password};
    for (const std::string& file : files) {
        argv.push_back("smb://" + server.address + "/" + file);
    }
    return argv;
}

void StopClient(Lab& lab, const LabHost& client) {
    lab.StopCommand(client);
    for (const pid_t pid : lab.ProcessesIn(client)) {
        ::kill(pid, SIGKILL);
    }
    if (!WaitUntil([&] { return lab.ProcessesIn(client).empty(); }, milliseconds(5000))) {
        throw std::runtime_error("the client in " + client.netns + " does not end");
    }
}

}  // namespace corvimap::lab
