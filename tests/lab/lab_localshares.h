#pragma once

#include <string>
#include <vector>

#include "lab.h"

namespace corvimap::lab {

// The Samba server of the local shares tests: "limited" (at most three connections, files a.txt
// and b.txt), "docs" (read only) and "drop" (writable), all open to guests.
SambaHostOptions LocalSharesServer();

// A password for an account of this machine in the server's own user database (its private
// folder), so a client can log in as that user besides the guest.
void AddSambaPassword(const Lab& lab, const LabHost& server, const std::string& user,
                      const std::string& password);

// `smbclient` connected to //server/share, kept open until the host is stopped.
// user "": guest.
std::vector<std::string> SmbclientSessionCommand(const LabHost& server, const std::string& share,
                                                 const std::string& user,
                                                 const std::string& password);

// A libsmbclient client that holds the files ("share/path") open for `seconds` (0: until
// stopped), as `user` ("": guest).
std::vector<std::string> HoldFilesCommand(const LabHost& server,
                                          const std::vector<std::string>& files, int seconds,
                                          const std::string& user, const std::string& password);

// Ends a client host's command and everything it started in its namespace, and waits for it.
void StopClient(Lab& lab, const LabHost& client);

}  // namespace corvimap::lab
