// A host list file of any bytes: reading it, writing the table out and reading that again gives
// the same records (times as their shown text reads), and from then on a save and a read change
// nothing.
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "engine/host_list_file.h"
#include "engine/host_table.h"
#include "fuzz_check.h"

namespace {

using namespace corvimap;

bool SameRecords(const HostTable& a, const HostTable& b) {
    if (a.Count() != b.Count()) {
        return false;
    }
    for (size_t row = 0; row < a.Count(); ++row) {
        const std::optional<HostRecord> x = a.RecordAt(row);
        const std::optional<HostRecord> y = b.RecordAt(row);
        // The file keeps the time as the list shows it: 2 µs shows "0.00" and reads back as 0,
        // 999 µs shows "1.00" and reads back as 1000.
        if (!x || !y || x->address != y->address || x->name != y->name || x->mac != y->mac ||
            x->workgroup != y->workgroup ||
            y->time != ParseTimeText(a.ColumnText(row, HostColumn::Time))) {
            return false;
        }
    }
    return true;
}

// Lines the reader cuts into pieces would not come back whole; a saved table whose lines all fit
// must read back exactly.
bool AllLinesFit(std::string_view text) {
    while (!text.empty()) {
        const size_t line_feed = text.find('\n');
        const size_t length = line_feed == std::string_view::npos ? text.size() : line_feed + 1;
        if (length > kHostListPieceBytes) {
            return false;
        }
        text.remove_prefix(length);
    }
    return true;
}

// Comment lines that put the reader's 64 KiB chunk boundary 400 bytes into the bytes that follow.
std::string ChunkPadding() {
    std::string padding;
    const size_t length = 65536 - 400;
    while (padding.size() < length) {
        // Whole pieces: the fewer lines, the less each run spends reading the padding.
        const size_t line = std::min<size_t>(kHostListPieceBytes, length - padding.size());
        padding += "#" + std::string(line - 2, '-') + "\n";
    }
    return padding;
}

// Reading the file in chunks gives what reading the same bytes whole gives. The padding is
// written once; each input replaces what follows it.
void CheckChunkedRead(std::string_view bytes, const HostTable& whole) {
    struct TemporaryFile {
        std::string path = "/tmp/corvimap-host-list-fuzz-" + std::to_string(::getpid());
        std::string padding = ChunkPadding();
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        TemporaryFile() { FUZZ_CHECK(fd >= 0 && Write(padding, 0)); }
        ~TemporaryFile() {
            ::close(fd);
            ::unlink(path.c_str());
        }
        bool Write(std::string_view text, size_t at) const {
            return ::pwrite(fd, text.data(), text.size(), static_cast<off_t>(at)) ==
                   static_cast<ssize_t>(text.size());
        }
    };
    static const TemporaryFile file;
    FUZZ_CHECK(::ftruncate(file.fd, static_cast<off_t>(file.padding.size())) == 0 &&
               file.Write(bytes, file.padding.size()));
    HostTable chunked;
    FUZZ_CHECK(HostListFile::Read(chunked, file.path));
    FUZZ_CHECK(HostListFile::Format(chunked) == HostListFile::Format(whole));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes = fuzz::AsText(data, size);
    HostTable first;
    const size_t records = HostListFile::Merge(first, bytes);
    FUZZ_CHECK(first.Count() <= records);
    FUZZ_CHECK(records <= size / 7);  // a record line holds at least seven bytes
    const std::string saved = HostListFile::Format(first);
    FUZZ_CHECK(saved.starts_with(kHostListHeader));
    CheckChunkedRead(bytes, first);
    if (!AllLinesFit(saved)) {
        return 0;
    }
    HostTable second;
    FUZZ_CHECK(HostListFile::Merge(second, saved) == first.Count());
    FUZZ_CHECK(SameRecords(first, second));
    const std::string saved_again = HostListFile::Format(second);
    HostTable third;
    FUZZ_CHECK(HostListFile::Merge(third, saved_again) == second.Count());
    FUZZ_CHECK(HostListFile::Format(third) == saved_again);
    return 0;
}
