#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/probe_network.h"
#include "log/event_log.h"

namespace corvimap::testing {

// A network whose hosts answer as a test says. It records every question, counts how many node
// status questions run at once, and can run a hook while a question is under way.
class ScriptedNetwork final : public ProbeNetwork {
public:
    struct Host {
        // Initialised, so that a test may name only the fields it sets.
        std::optional<NodeStatusAnswer> node_status = {};  // nothing: silent to NetBIOS
        std::optional<uint32_t> ping_time = {};            // nothing: silent to ICMP
        std::optional<MacBlock> arp_mac = {};
        std::optional<std::string> shares = {};
        std::string dns_name = {};
    };

    void SetHost(NetAddress address, Host host) {
        std::lock_guard lock(mutex_);
        hosts_[address] = std::move(host);
    }
    void RemoveHost(NetAddress address) {
        std::lock_guard lock(mutex_);
        hosts_.erase(address);
    }

    std::optional<NodeStatusAnswer> QueryNodeStatus(NetAddress address, int,
                                                    const WaitCancel*) override {
        const int now = ++in_flight_;
        int seen = max_in_flight_.load();
        while (now > seen && !max_in_flight_.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(node_status_delay);
        Host host = Find(address, &node_status_asked);
        ++node_status_count;
        if (on_node_status) {
            on_node_status(address);
        }
        --in_flight_;
        return host.node_status;
    }
    std::optional<uint32_t> Ping(NetAddress address, int, const WaitCancel*) override {
        return Find(address, &pinged).ping_time;
    }
    bool CanPing() override { return icmp_available; }
    std::optional<MacBlock> LookupMac(NetAddress address) override { return Find(address).arp_mac; }
    std::optional<std::string> ListShares(NetAddress address, const WaitCancel*) override {
        if (on_list_shares) {
            on_list_shares(address);
        }
        return Find(address).shares;
    }
    std::string ResolveName(NetAddress address) override { return Find(address).dns_name; }

    std::vector<NetAddress> node_status_asked;
    std::vector<NetAddress> pinged;
    std::atomic<int> node_status_count{0};
    std::atomic<bool> icmp_available{true};
    std::atomic<int> max_in_flight_{0};
    std::chrono::milliseconds node_status_delay{0};
    std::function<void(NetAddress)> on_node_status;
    std::function<void(NetAddress)> on_list_shares;

private:
    // The scripted host at the address, or a silent one; the address noted in the list if given.
    Host Find(NetAddress address, std::vector<NetAddress>* asked = nullptr) {
        std::lock_guard lock(mutex_);
        if (asked != nullptr) {
            asked->push_back(address);
        }
        auto it = hosts_.find(address);
        return it == hosts_.end() ? Host{} : it->second;
    }

    mutable std::mutex mutex_;
    std::map<NetAddress, Host> hosts_;
    std::atomic<int> in_flight_{0};
};

// Keeps every log row for the test to read.
class CapturingLogSink final : public EventLogSink {
public:
    void AddRow(const LogRow& row) override {
        std::lock_guard lock(mutex_);
        rows_.push_back(row);
    }
    std::vector<std::string> Texts() const {
        std::lock_guard lock(mutex_);
        std::vector<std::string> texts;
        for (const auto& row : rows_) {
            texts.push_back(row.text);
        }
        return texts;
    }
    std::vector<LogRow> Rows() const {
        std::lock_guard lock(mutex_);
        return rows_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<LogRow> rows_;
};

}  // namespace corvimap::testing
