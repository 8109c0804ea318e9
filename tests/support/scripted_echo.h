#pragma once

#include <poll.h>

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "netutils/echo_source.h"
#include "netutils/host_lookup.h"
#include "netutils/utility_run.h"

namespace corvimap::testing {

// An echo source that answers as the test's function says and records every request.
class ScriptedEcho final : public EchoSource {
public:
    struct Request {
        NetAddress address;
        uint32_t timeout_ms;
        uint16_t size;
        uint8_t ttl;
    };
    using Answer = std::function<std::optional<EchoReply>(const Request&, const EchoCancel&)>;

    explicit ScriptedEcho(Answer answer) : answer_(std::move(answer)) {}

    bool Available() const override { return available; }
    std::optional<EchoReply> Echo(NetAddress address, uint32_t timeout_ms, uint16_t size,
                                  uint8_t ttl, const EchoCancel& cancel) override {
        const Request request{address, timeout_ms, size, ttl};
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        return answer_(request, cancel);
    }
    std::vector<Request> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }

    bool available = true;

private:
    Answer answer_;
    mutable std::mutex mutex_;
    std::vector<Request> requests_;
};

inline EchoReply Reply(uint32_t status, NetAddress from, uint32_t ms = 0, uint8_t ttl = 0) {
    return EchoReply{.address = from, .status = status, .round_trip_ms = ms, .ttl = ttl};
}

// Waits until the cancel fires, as a request to a silent host with an endless time-out would.
inline EchoReply WaitForCancel(const EchoCancel& cancel) {
    pollfd entry{cancel.WaitFd(), POLLIN, 0};
    while (!cancel.Cancelled()) {
        poll(&entry, 1, 1000);
    }
    return Reply(icmp_status::kTimedOut, 0);
}

// Names and addresses from a table; nothing else resolves, and nothing reaches a real resolver.
class ScriptedLookup final : public HostLookup {
public:
    std::optional<NameAnswer> ByName(const std::string& name) override {
        names_asked.push_back(name);
        auto it = names.find(name);
        return it == names.end() ? std::nullopt : std::optional<NameAnswer>(it->second);
    }
    std::string ByAddress(NetAddress address) override {
        auto it = reverse.find(address);
        return it == reverse.end() ? "" : it->second;
    }

    std::map<std::string, NameAnswer> names;
    std::map<NetAddress, std::string> reverse;
    std::vector<std::string> names_asked;
};

// Keeps what a run showed: every text in order, and the rows.
class RecordingSink final : public UtilitySink {
public:
    void ShowText(const std::string& text) override {
        std::lock_guard lock(mutex_);
        texts_.push_back(text);
    }
    void ClearRows() override {
        std::lock_guard lock(mutex_);
        rows_.clear();
    }
    void AddRow(const std::vector<std::string>& cells) override {
        std::lock_guard lock(mutex_);
        rows_.push_back(cells);
        rows_.back().resize(5);
    }
    void SetCell(int row, int column, const std::string& text) override {
        std::lock_guard lock(mutex_);
        rows_.at(static_cast<size_t>(row)).at(static_cast<size_t>(column)) = text;
    }

    std::vector<std::string> Texts() const {
        std::lock_guard lock(mutex_);
        return texts_;
    }
    std::string LastText() const {
        std::lock_guard lock(mutex_);
        return texts_.empty() ? "" : texts_.back();
    }
    std::vector<std::vector<std::string>> Rows() const {
        std::lock_guard lock(mutex_);
        return rows_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace corvimap::testing
