#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/host_record.h"
#include "engine/ipv4.h"
#include "engine/mac_vendors.h"

namespace corvimap {

// The host list view. Notifications arrive on the thread that changed the table, after the
// table's lock is released, so a listener may call back into the table.
class HostTableListener {
public:
    virtual ~HostTableListener() = default;
    // Rows were added or the table was cleared; n is the new row count.
    virtual void CountChanged(std::size_t n) = 0;
    // Rows first..last (inclusive) changed.
    virtual void RowsChanged(std::size_t first, std::size_t last) = 0;
};

// A probe's hold on the record it created or updated. It stays valid when the table is cleared
// meanwhile; the table then ignores it. It gives no access to the record's fields, which only
// the table reads, under its lock.
class HostHandle {
public:
    HostHandle() = default;
    explicit operator bool() const { return record_ != nullptr; }
    friend bool operator==(const HostHandle&, const HostHandle&) = default;

private:
    friend class HostTable;
    explicit HostHandle(std::shared_ptr<HostRecord> record) : record_(std::move(record)) {}
    std::shared_ptr<HostRecord> record_;
};

// A host with shares, as the file search's walk hands it out.
struct ShareHost {
    NetAddress address = 0;
    std::string name;
    std::string shares;  // share names joined by "|"
};

using HostRowTexts = std::array<std::string, kHostColumnCount>;

// Every host found since start or loaded from the host list file, in view order. Probe workers,
// the scan driver, the file search and the window use it at once; one lock guards all of it.
class HostTable {
public:
    HostTable() = default;
    HostTable(const HostTable&) = delete;
    HostTable& operator=(const HostTable&) = delete;

    // The listener is kept alive by the table until it is replaced, so a notification that is
    // under way when the view goes away still reaches a live object.
    void SetListener(std::shared_ptr<HostTableListener> listener);

    // Creates the record (flags NewHost, appended at the end) or finds it, then sets its state
    // (bits above the state byte keep their values) and replaces time, name, workgroup and the
    // whole MAC block. Texts end at a zero byte, as they would in a C string. `is_new`, when
    // given, tells whether the record was created. An empty handle means the record could not
    // be allocated; the table is then unchanged.
    HostHandle AddOrUpdate(NetAddress address, uint32_t time, std::string_view name,
                           std::string_view workgroup, const MacBlock& mac, HostState state,
                           bool* is_new = nullptr);

    // State 3, FastFound cleared, NewHost and ShareWalkVisited kept. False when absent.
    bool MarkDead(NetAddress address);

    // State 2 and NewHost cleared when the record still has NewHost, else state 0.
    void FinishProbe(NetAddress address);

    // Both do nothing when the record is no longer in the table.
    void SetState(const HostHandle& record, HostState state);
    void AttachMarker(const HostHandle& record, HostMarker marker);

    // Sets flag bits (NewHost, ShareWalkVisited, FastFound; other bits of the mask are ignored)
    // on the record, when it is still in the table. The rows look the same, so no notification.
    void SetFlags(const HostHandle& record, uint32_t mask);

    // A copy of the record's first marker of that kind.
    std::optional<HostMarker> CopyMarker(NetAddress address, uint8_t kind) const;

    // flags AND mask, 0 when the address is absent.
    uint32_t TestFlags(NetAddress address, uint32_t mask) const;

    // The next record in table order not yet passed by the walk that has shares; every record
    // looked at is marked passed. Nothing once the walk has reached the end.
    std::optional<ShareHost> NextShareHost();
    void ResetShareWalk();

    void Clear();
    void Sort(HostColumn column, bool descending);

    // The registry the vendor column reads (none: the column is empty). Setting it repaints
    // every row, since their vendor texts may change.
    void SetVendors(std::shared_ptr<const MacVendors> vendors);
    std::shared_ptr<const MacVendors> Vendors() const;

    // Reads for the view. A row that no longer exists (the table was cleared or shrank since the
    // view counted) reads as "", state 0 and address 0.
    std::string ColumnText(std::size_t row, HostColumn column) const;
    HostState StateAt(std::size_t row) const;
    NetAddress AddressAt(std::size_t row) const;
    std::size_t Count() const;

    // All column texts of one row, read at once; nothing past the last row.
    std::optional<HostRowTexts> RowTexts(std::size_t row) const;

    // A copy of the whole record of a row, for reports that need the raw values.
    std::optional<HostRecord> RecordAt(std::size_t row) const;

private:
    struct Notice {
        enum class Kind { None, Count, Rows } kind = Kind::None;
        std::size_t first = 0;
        std::size_t last = 0;
    };

    // Row of the address, or nothing.
    std::optional<std::size_t> RowOf(NetAddress address) const;
    // Row of the record itself: nothing when it was cleared away.
    std::optional<std::size_t> RowOf(const HostHandle& record) const;
    void RebuildIndex();
    Notice RowNotice(std::size_t row) const;
    // Calls the listener; the lock must not be held.
    void Deliver(const Notice& notice, std::shared_ptr<HostTableListener> listener) const;

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<HostRecord>> rows_;
    std::unordered_map<NetAddress, std::size_t> row_of_address_;
    // Every row below this one has ShareWalkVisited, so the walk need not look at them again.
    std::size_t share_walk_start_ = 0;
    std::shared_ptr<HostTableListener> listener_;
    std::shared_ptr<const MacVendors> vendors_;
};

}  // namespace corvimap
