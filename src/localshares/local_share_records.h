#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvimap {

// What the local Samba server shares, who is connected to it and which of its files are open,
// as one enumeration read them. Plain values: copied freely between the enumeration thread and
// the UI thread.

struct LocalShare {
    std::string net_name;
    std::string path;
    std::string remark;
    bool read_only = true;
    int32_t max_uses = -1;  // -1: no limit
    uint32_t current_uses = 0;
    friend bool operator==(const LocalShare&, const LocalShare&) = default;
};

struct LocalSession {
    std::string client_name;
    std::string user_name;
    int64_t connected_at = 0;  // seconds since 1970 (UTC)
    friend bool operator==(const LocalSession&, const LocalSession&) = default;
};

// The access a client holds to an open file.
enum FileAccess : uint32_t {
    kFileAccessNone = 0,
    kFileAccessRead = 1,
    kFileAccessWrite = 2,
};

struct LocalOpenFile {
    std::string path;
    std::string user_name;
    uint32_t access = kFileAccessNone;  // FileAccess bits
    friend bool operator==(const LocalOpenFile&, const LocalOpenFile&) = default;
};

// The local Samba server's state as of one enumeration. Each kind holds the records of its last
// successful reading (a failed reading keeps the previous ones).
struct LocalSharesSnapshot {
    uint64_t generation = 0;   // 0: nothing read yet; grows with every enumeration
    bool shares_read = false;  // the shares were read at least once
    std::vector<LocalShare> shares;
    std::vector<LocalSession> sessions;
    std::vector<LocalOpenFile> open_files;
    // What could not be read and why, plainly, for the pane's status; empty when all was read.
    std::string note;
};

}  // namespace corvimap
