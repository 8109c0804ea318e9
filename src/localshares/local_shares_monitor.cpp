#include "localshares/local_shares_monitor.h"

#include <signal.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

namespace corvimap {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;

constexpr char kSessionsMissing[] = "Sessions and open files cannot be read: ";
constexpr char kSharesMissing[] = "Shares cannot be read: ";

microseconds ThreadCpu() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) +
           std::chrono::duration_cast<microseconds>(std::chrono::nanoseconds(now.tv_nsec));
}

std::string FirstLine(const std::string& text) {
    const auto start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos) {
        return "no message";
    }
    return text.substr(start, text.find_first_of("\r\n", start) - start);
}

// Why a tool gave nothing usable, in the user's words.
std::string ToolFailure(const std::string& tool, const ToolResult& result) {
    if (!result.started) {
        return result.start_error == ENOENT
                   ? tool + " (part of Samba) is not installed"
                   : tool + " could not be started (" + std::strerror(result.start_error) + ")";
    }
    if (result.timed_out) {
        return tool + " did not answer in time";
    }
    if (result.truncated) {
        return tool + " gave more output than can be read";
    }
    return tool + " failed (" + FirstLine(result.err) + ")";
}

std::string ModificationStamp(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        return "-";
    }
    return std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
}

// The configuration file testparm names on stderr ("Load smb config files from PATH").
std::string LoadedConfigPath(const std::string& err) {
    constexpr std::string_view kLead = "Load smb config files from ";
    const auto at = err.find(kLead);
    if (at == std::string::npos) {
        return {};
    }
    const auto start = at + kLead.size();
    return err.substr(start, err.find_first_of("\r\n", start) - start);
}

bool ProcessAlive(const std::string& pid_file) {
    std::ifstream in(pid_file);
    long pid = 0;
    if (!(in >> pid) || pid <= 0) {
        return false;
    }
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

void AddNote(std::string& note, const std::string& text) {
    if (!note.empty()) {
        note += "; ";
    }
    note += text;
}

}  // namespace

// What one enumeration found; starts as the previous snapshot.
struct LocalSharesMonitor::Reading {
    LocalSharesSnapshot snapshot;
    std::string note;
    bool status_read = false;
};

LocalSharesMonitor::LocalSharesMonitor(Options options)
    : options_(std::move(options)), latest_(std::make_shared<LocalSharesSnapshot>()) {}

LocalSharesMonitor::~LocalSharesMonitor() {
    Stop();
}

void LocalSharesMonitor::Start() {
    if (!thread_.joinable() && !stop_.load()) {
        thread_ = std::thread([this] { Run(); });
    }
}

void LocalSharesMonitor::Stop() {
    {
        std::lock_guard lock(wake_mutex_);
        stop_.store(true);
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void LocalSharesMonitor::SetPaneShown(bool shown) {
    if (shown_.exchange(shown) != shown) {
        std::lock_guard lock(wake_mutex_);
        wake_.notify_all();
    }
}

std::shared_ptr<const LocalSharesSnapshot> LocalSharesMonitor::Latest() const {
    std::lock_guard lock(snapshot_mutex_);
    return latest_;
}

void LocalSharesMonitor::EnumerateOnce() {
    Enumerate();
}

void LocalSharesMonitor::Run() {
    while (!stop_.load()) {
        const auto started = Clock::now();
        Enumerate();
        std::unique_lock lock(wake_mutex_);
        while (!stop_.load()) {
            const auto base = shown_.load() ? options_.shown_period : options_.hidden_period;
            const auto due =
                started + std::max<Clock::duration>(base, cost_ * options_.cost_factor);
            if (Clock::now() >= due) {
                break;
            }
            wake_.wait_until(lock, due);
        }
    }
}

ToolResult LocalSharesMonitor::Tool(const std::string& program, std::vector<std::string> args) {
    std::vector<std::string> argv = options_.command_prefix;
    argv.push_back(program);
    if (!options_.smb_conf.empty()) {
        argv.push_back("-s");
        argv.push_back(options_.smb_conf);
    }
    argv.insert(argv.end(), args.begin(), args.end());
    ToolResult result = RunTool(argv, options_.tool_timeout, stop_);
    cost_ += result.cpu;
    return result;
}

void LocalSharesMonitor::Enumerate() {
    const microseconds cpu_before = ThreadCpu();
    cost_ = microseconds(0);
    Reading reading{*Latest(), {}, false};
    ReadStatus(reading);
    ReadShares(reading);
    if (stop_.load()) {
        return;
    }
    if (reading.status_read && !config_.pid_directory.empty() &&
        !ProcessAlive(config_.pid_directory + "/smbd.pid")) {
        AddNote(reading.note, "the Samba server (smbd) is not running, so nobody can connect");
    }
    cost_ += ThreadCpu() - cpu_before;
    last_cost_us_.store(cost_.count());
    Publish(reading);
}

void LocalSharesMonitor::ReadStatus(Reading& reading) {
    const ToolResult result = Tool(options_.smbstatus, {"--json"});
    if (result.stopped) {
        return;
    }
    if (result.Ok()) {
        SambaStatus status = ParseSmbstatusJson(result.out);
        if (!status.sessions) {
            AddNote(reading.note,
                    std::string(kSessionsMissing) + "smbstatus gave an unreadable answer");
            return;
        }
        const int64_t now = ::time(nullptr);
        std::map<std::string, int64_t> seen;
        reading.snapshot.sessions.clear();
        for (const SambaSession& session : *status.sessions) {
            // A session without a tree connection has no time of its own: count from when it
            // was first seen.
            int64_t at = now;
            if (session.connected_at) {
                at = *session.connected_at;
            } else if (auto it = first_seen_.find(session.session_id); it != first_seen_.end()) {
                at = it->second;
            }
            seen[session.session_id] = at;
            reading.snapshot.sessions.push_back({session.client_name, session.user_name, at});
        }
        first_seen_ = std::move(seen);
        share_uses_ = std::move(status.share_uses);
        if (status.open_files) {
            reading.snapshot.open_files = std::move(*status.open_files);
        } else if (result.err.find("not initialised") != std::string::npos) {
            reading.snapshot.open_files.clear();  // no client has opened anything yet
        } else {
            AddNote(reading.note, "Open files cannot be read: smbstatus gave an unreadable answer");
        }
        reading.status_read = true;
        return;
    }
    if (result.started && result.err.find("only works as root") != std::string::npos) {
        AddNote(reading.note,
                std::string(kSessionsMissing) + "reading them needs administrator (root) rights");
    } else {
        AddNote(reading.note, kSessionsMissing + ToolFailure("smbstatus", result));
    }
}

bool LocalSharesMonitor::ConfigChanged() {
    return ModificationStamp(config_path_) + "|" + ModificationStamp(usershare_dir_) !=
           config_stamp_;
}

void LocalSharesMonitor::ReadShares(Reading& reading) {
    const auto now = Clock::now();
    if (stop_.load()) {
        return;
    }
    if (!reading.snapshot.shares_read || ConfigChanged() ||
        now - config_read_at_ >= options_.config_recheck) {
        config_read_at_ = now;
        config_note_.clear();
        const ToolResult result = Tool(options_.testparm, {"-sv"});
        if (result.stopped) {
            return;
        }
        if (!result.Ok()) {
            config_note_ = kSharesMissing + ToolFailure("testparm", result);
        } else {
            SambaConfigShares config = ParseTestparmShares(result.out);
            if (config.usershares) {
                const ToolResult users = Tool(options_.net, {"usershare", "info", "--long"});
                if (users.Ok()) {
                    for (LocalShare& share : ParseUsershareInfo(users.out)) {
                        const bool known = std::any_of(
                            config.shares.begin(), config.shares.end(), [&](const LocalShare& s) {
                                return FoldCase(s.net_name) == FoldCase(share.net_name);
                            });
                        if (!known) {
                            config.shares.push_back(std::move(share));
                        }
                    }
                }
            }
            config_ = std::move(config);
            config_path_ = LoadedConfigPath(result.err);
            usershare_dir_ = config_.usershares ? config_.usershare_path : std::string();
            config_stamp_ =
                ModificationStamp(config_path_) + "|" + ModificationStamp(usershare_dir_);
            reading.snapshot.shares_read = true;
        }
    }
    if (!config_note_.empty()) {
        AddNote(reading.note, config_note_);
    }
    if (!reading.snapshot.shares_read) {
        return;
    }
    reading.snapshot.shares = config_.shares;
    for (LocalShare& share : reading.snapshot.shares) {
        const auto uses = share_uses_.find(FoldCase(share.net_name));
        share.current_uses = uses == share_uses_.end() ? 0 : uses->second;
    }
}

void LocalSharesMonitor::Publish(Reading& reading) {
    auto snapshot = std::make_shared<LocalSharesSnapshot>(std::move(reading.snapshot));
    snapshot->note = std::move(reading.note);
    std::lock_guard lock(snapshot_mutex_);
    snapshot->generation = latest_->generation + 1;
    latest_ = std::move(snapshot);
    enumerations_.fetch_add(1);
}

}  // namespace corvimap
