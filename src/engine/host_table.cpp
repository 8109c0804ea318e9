#include "engine/host_table.h"

#include <algorithm>
#include <new>

#include "engine/host_columns.h"
#include "engine/host_sort.h"

namespace corvimap {
namespace {

// Texts end at the first zero byte, as the C strings they came from would.
std::string_view UpToZero(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

void SetStateByte(HostRecord& record, HostState state) {
    record.flags = (record.flags & ~HostFlags::StateMask) | static_cast<uint32_t>(state);
}

}  // namespace

void HostTable::SetListener(std::shared_ptr<HostTableListener> listener) {
    {
        std::lock_guard lock(mutex_);
        listener_.swap(listener);
    }
    // The previous listener, if this was its last owner, goes away here, outside the lock.
}

HostHandle HostTable::AddOrUpdate(NetAddress address, uint32_t time, std::string_view name,
                                  std::string_view workgroup, const MacBlock& mac, HostState state,
                                  bool* is_new) {
    Notice notice;
    std::shared_ptr<HostTableListener> listener;
    std::shared_ptr<HostRecord> record;
    bool created = false;
    try {
        // Copies made before the lock, so nothing below can fail after the table was changed.
        std::string name_text(UpToZero(name));
        std::string workgroup_text(UpToZero(workgroup));
        std::lock_guard lock(mutex_);
        std::optional<std::size_t> row = RowOf(address);
        if (row) {
            record = rows_[*row];
        } else {
            record = std::make_shared<HostRecord>();
            record->address = address;
            record->flags = HostFlags::NewHost;
            rows_.push_back(record);
            try {
                row_of_address_.emplace(address, rows_.size() - 1);
            } catch (...) {
                rows_.pop_back();
                throw;
            }
            row = rows_.size() - 1;
            created = true;
        }
        SetStateByte(*record, state);
        record->time = time;
        record->name = std::move(name_text);
        record->workgroup = std::move(workgroup_text);
        record->mac = mac;
        if (created) {
            notice = {Notice::Kind::Count, rows_.size(), 0};
        } else {
            notice = RowNotice(*row);
        }
        listener = listener_;
    } catch (const std::bad_alloc&) {
        return {};
    }
    if (is_new != nullptr) {
        *is_new = created;
    }
    Deliver(notice, std::move(listener));
    return HostHandle(std::move(record));
}

bool HostTable::MarkDead(NetAddress address) {
    Notice notice;
    std::shared_ptr<HostTableListener> listener;
    {
        std::lock_guard lock(mutex_);
        const std::optional<std::size_t> row = RowOf(address);
        if (!row) {
            return false;
        }
        // Clears the state byte's upper bits and FastFound; NewHost and ShareWalkVisited stay.
        HostRecord& record = *rows_[*row];
        record.flags = (record.flags & ~0x4FCu) | static_cast<uint32_t>(HostState::Dead);
        notice = RowNotice(*row);
        listener = listener_;
    }
    Deliver(notice, std::move(listener));
    return true;
}

void HostTable::FinishProbe(NetAddress address) {
    Notice notice;
    std::shared_ptr<HostTableListener> listener;
    {
        std::lock_guard lock(mutex_);
        const std::optional<std::size_t> row = RowOf(address);
        if (!row) {
            return;
        }
        HostRecord& record = *rows_[*row];
        if (record.flags & HostFlags::NewHost) {
            record.flags &= ~HostFlags::NewHost;
            SetStateByte(record, HostState::New);
        } else {
            SetStateByte(record, HostState::Known);
        }
        notice = RowNotice(*row);
        listener = listener_;
    }
    Deliver(notice, std::move(listener));
}

void HostTable::SetState(const HostHandle& record, HostState state) {
    Notice notice;
    std::shared_ptr<HostTableListener> listener;
    {
        std::lock_guard lock(mutex_);
        const std::optional<std::size_t> row = RowOf(record);
        if (!row) {
            return;
        }
        SetStateByte(*rows_[*row], state);
        notice = RowNotice(*row);
        listener = listener_;
    }
    Deliver(notice, std::move(listener));
}

void HostTable::AttachMarker(const HostHandle& record, HostMarker marker) {
    Notice notice;
    std::shared_ptr<HostTableListener> listener;
    try {
        std::lock_guard lock(mutex_);
        const std::optional<std::size_t> row = RowOf(record);
        if (!row) {
            return;
        }
        HostRecord& target = *rows_[*row];
        // Built aside first, so a failed allocation leaves the record as it was.
        std::vector<HostMarker> markers = target.markers;
        const auto same_kind =
            std::find_if(markers.begin(), markers.end(),
                         [&](const HostMarker& m) { return m.kind == marker.kind; });
        if (same_kind != markers.end()) {
            markers.erase(same_kind);
        }
        markers.push_back(std::move(marker));
        std::string found_text = BuildFoundText(markers);
        target.markers = std::move(markers);
        target.found_text = std::move(found_text);
        notice = RowNotice(*row);
        listener = listener_;
    } catch (const std::bad_alloc&) {
        return;
    }
    Deliver(notice, std::move(listener));
}

void HostTable::SetFlags(const HostHandle& record, uint32_t mask) {
    std::lock_guard lock(mutex_);
    const std::optional<std::size_t> row = RowOf(record);
    if (row) {
        rows_[*row]->flags |= mask & HostFlags::FlagBits;
    }
}

std::optional<HostMarker> HostTable::CopyMarker(NetAddress address, uint8_t kind) const {
    std::lock_guard lock(mutex_);
    const std::optional<std::size_t> row = RowOf(address);
    if (!row) {
        return std::nullopt;
    }
    for (const HostMarker& marker : rows_[*row]->markers) {
        if (marker.kind == kind) {
            return marker;
        }
    }
    return std::nullopt;
}

uint32_t HostTable::TestFlags(NetAddress address, uint32_t mask) const {
    std::lock_guard lock(mutex_);
    const std::optional<std::size_t> row = RowOf(address);
    return row ? rows_[*row]->flags & mask : 0;
}

std::optional<ShareHost> HostTable::NextShareHost() {
    std::lock_guard lock(mutex_);
    for (std::size_t row = share_walk_start_; row < rows_.size(); ++row) {
        HostRecord& record = *rows_[row];
        if (record.flags & HostFlags::ShareWalkVisited) {
            continue;
        }
        record.flags |= HostFlags::ShareWalkVisited;
        // Every row up to this one has now been passed.
        share_walk_start_ = row + 1;
        for (const HostMarker& marker : record.markers) {
            if (marker.kind == kSharesMarker) {
                return ShareHost{record.address, record.name, marker.text.value_or("")};
            }
        }
    }
    share_walk_start_ = rows_.size();
    return std::nullopt;
}

void HostTable::ResetShareWalk() {
    std::lock_guard lock(mutex_);
    for (const auto& record : rows_) {
        record->flags &= ~HostFlags::ShareWalkVisited;
    }
    share_walk_start_ = 0;
}

void HostTable::Clear() {
    std::shared_ptr<HostTableListener> listener;
    std::vector<std::shared_ptr<HostRecord>> old_rows;
    {
        std::lock_guard lock(mutex_);
        old_rows.swap(rows_);
        row_of_address_.clear();
        share_walk_start_ = 0;
        listener = listener_;
    }
    // Records nobody holds any more are freed here, outside the lock.
    old_rows.clear();
    Deliver({Notice::Kind::Count, 0, 0}, std::move(listener));
}

void HostTable::Sort(HostColumn column, bool descending) {
    Notice notice;
    std::shared_ptr<HostTableListener> listener;
    try {
        std::lock_guard lock(mutex_);
        if (rows_.empty()) {
            return;
        }
        std::vector<const HostRecord*> records;
        records.reserve(rows_.size());
        for (const auto& record : rows_) {
            records.push_back(record.get());
        }
        const std::vector<uint32_t> order =
            HostSortOrder(HostSortKeys(records, column, vendors_.get()), descending);
        std::vector<std::shared_ptr<HostRecord>> sorted;
        sorted.reserve(rows_.size());
        for (const uint32_t old_row : order) {
            sorted.push_back(std::move(rows_[old_row]));
        }
        rows_.swap(sorted);
        RebuildIndex();
        // Visited rows may now stand anywhere.
        share_walk_start_ = 0;
        notice = {Notice::Kind::Rows, 0, rows_.size() - 1};
        listener = listener_;
    } catch (const std::bad_alloc&) {
        return;  // not sorted; nothing was moved before the last allocation
    }
    Deliver(notice, std::move(listener));
}

void HostTable::SetVendors(std::shared_ptr<const MacVendors> vendors) {
    Notice notice;
    std::shared_ptr<HostTableListener> listener;
    {
        std::lock_guard lock(mutex_);
        vendors_ = std::move(vendors);
        if (!rows_.empty()) {
            notice = {Notice::Kind::Rows, 0, rows_.size() - 1};
            listener = listener_;
        }
    }
    Deliver(notice, std::move(listener));
}

std::shared_ptr<const MacVendors> HostTable::Vendors() const {
    std::lock_guard lock(mutex_);
    return vendors_;
}

std::string HostTable::ColumnText(std::size_t row, HostColumn column) const {
    std::lock_guard lock(mutex_);
    return row < rows_.size() ? HostColumnText(*rows_[row], column, vendors_.get()) : std::string();
}

HostState HostTable::StateAt(std::size_t row) const {
    std::lock_guard lock(mutex_);
    return row < rows_.size() ? static_cast<HostState>(rows_[row]->flags & HostFlags::StateMask)
                              : HostState::Known;
}

NetAddress HostTable::AddressAt(std::size_t row) const {
    std::lock_guard lock(mutex_);
    return row < rows_.size() ? rows_[row]->address : 0;
}

std::size_t HostTable::Count() const {
    std::lock_guard lock(mutex_);
    return rows_.size();
}

std::optional<HostRowTexts> HostTable::RowTexts(std::size_t row) const {
    std::lock_guard lock(mutex_);
    if (row >= rows_.size()) {
        return std::nullopt;
    }
    HostRowTexts texts;
    for (std::size_t column = 0; column < texts.size(); ++column) {
        texts[column] =
            HostColumnText(*rows_[row], static_cast<HostColumn>(column), vendors_.get());
    }
    return texts;
}

std::optional<HostRecord> HostTable::RecordAt(std::size_t row) const {
    std::lock_guard lock(mutex_);
    if (row >= rows_.size()) {
        return std::nullopt;
    }
    return *rows_[row];
}

std::optional<std::size_t> HostTable::RowOf(NetAddress address) const {
    const auto found = row_of_address_.find(address);
    if (found == row_of_address_.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<std::size_t> HostTable::RowOf(const HostHandle& record) const {
    if (!record.record_) {
        return std::nullopt;
    }
    const std::optional<std::size_t> row = RowOf(record.record_->address);
    if (!row || rows_[*row] != record.record_) {
        return std::nullopt;
    }
    return row;
}

void HostTable::RebuildIndex() {
    // The same addresses as before, so only the row numbers change and nothing is allocated.
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        row_of_address_.find(rows_[row]->address)->second = row;
    }
}

HostTable::Notice HostTable::RowNotice(std::size_t row) const {
    return {Notice::Kind::Rows, row, row};
}

void HostTable::Deliver(const Notice& notice, std::shared_ptr<HostTableListener> listener) const {
    if (!listener) {
        return;
    }
    switch (notice.kind) {
        case Notice::Kind::Count:
            listener->CountChanged(notice.first);
            break;
        case Notice::Kind::Rows:
            listener->RowsChanged(notice.first, notice.last);
            break;
        case Notice::Kind::None:
            break;
    }
}

}  // namespace corvimap
