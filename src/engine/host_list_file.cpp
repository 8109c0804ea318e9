#include "engine/host_list_file.h"

#include "text/utf8_cut.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <locale.h>
#include <atomic>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <system_error>

namespace corvimap {
namespace {

// Value of a hex digit, unchecked: any character gives some value ("0"-"9" 0-9, "A"-"F" and
// "a"-"f" 10-15), so a host list file with other characters in a hex field still loads all its
// lines, with the same values on every read, instead of losing them.
unsigned HexValue(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte & 0xDF) > 0x40 ? (byte & 0x0Fu) + 9 : byte & 0x0Fu;
}

locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

bool HandlePiece(HostTable& table, std::string_view piece) {
    const std::optional<ParsedHostLine> line = ParseHostListLine(piece);
    if (!line) {
        return false;
    }
    // A record that can't be added is skipped; the rest of the file is still read.
    return static_cast<bool>(table.AddOrUpdate(line->address, line->time, line->name,
                                               line->workgroup, line->mac, HostState::Loaded));
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Creates a new file beside `target` for writing, with a name no other save uses.
int CreateTemporaryBeside(const std::filesystem::path& target, std::filesystem::path& temporary) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target;
        temporary.replace_filename("." + target.filename().string() + ".tmp-" +
                                   std::to_string(::getpid()) + "-" + std::to_string(counter++));
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

}  // namespace

std::string_view NextHostListPiece(std::string_view& rest) {
    // The line end is looked for within one piece only: looking through the whole rest would make
    // a file of long lines without line feeds quadratic to read.
    const std::size_t line_feed = rest.substr(0, kHostListPieceBytes).find('\n');
    std::size_t length = line_feed == std::string_view::npos ? rest.size() : line_feed + 1;
    if (length > kHostListPieceBytes) {
        length = Utf8PrefixLength(rest, kHostListPieceBytes);
    }
    const std::string_view piece = rest.substr(0, length);
    rest.remove_prefix(length);
    return piece;
}

std::optional<ParsedHostLine> ParseHostListLine(std::string_view piece) {
    // The reader sees the piece as a C string: it ends at the first zero byte.
    const std::string_view text = piece.substr(0, piece.find('\0'));
    if (text.size() < 7 || text.front() == '#') {
        return std::nullopt;
    }
    std::string_view fields[7];
    std::size_t field = 0;
    std::size_t field_start = 0;
    std::size_t at = 0;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '\n' || c == '\r') {
            break;
        }
        if (c == '\t') {
            fields[field] = text.substr(field_start, at - field_start);
            if (++field == 7) {
                break;  // the reader has room for seven fields; the rest of the line is ignored
            }
            field_start = at + 1;
        }
    }
    if (field < 7) {
        fields[field] = text.substr(field_start, at - field_start);
    }
    for (std::string_view& f : fields) {
        f = f.substr(0, Utf8PrefixLength(f, kHostListFieldBytes));
    }

    ParsedHostLine line;
    line.address = InetAddr(fields[0]);
    line.name = std::string(fields[1]);
    line.mac = ParseMacText(fields[2]);
    line.time = ParseTimeText(fields[3]);
    line.workgroup = std::string(fields[5]);
    return line;
}

MacBlock ParseMacText(std::string_view text) {
    MacBlock mac{};
    if (text.empty()) {
        return mac;
    }
    mac[0] = 1;
    std::size_t at = 0;
    for (std::size_t byte = 1; byte <= 6 && at < text.size(); ++byte) {
        const unsigned high = HexValue(text[at]);
        // A text that ends inside a pair counts the missing half as 0.
        const unsigned low = at + 1 < text.size() ? HexValue(text[at + 1]) : 0;
        mac[byte] = static_cast<uint8_t>(high * 16 + low);
        if (at + 2 >= text.size()) {
            break;
        }
        at += 3;  // the pair and one separator, whatever character it is
    }
    return mac;
}

uint32_t ParseTimeText(std::string_view text) {
    const std::string terminated(text.substr(0, text.find('\0')));
    // strtod in the "C" locale reads what atof reads, but always with a decimal point.
    const locale_t c_locale = CLocale();
    const double ms = c_locale != static_cast<locale_t>(nullptr)
                          ? ::strtod_l(terminated.c_str(), nullptr, c_locale)
                          : std::strtod(terminated.c_str(), nullptr);
    const double us = ms * 1000.0;
    if (!(us > 0.0)) {
        return 0;  // negative, zero or NaN
    }
    if (us >= 4294967296.0) {
        return 0xFFFFFFFFu;
    }
    return static_cast<uint32_t>(us);
}

std::string HostListFile::Format(const HostTable& table) {
    std::string text(kHostListHeader);
    // The table may change while it is written; each row is read whole, and the row count is
    // looked at again for every row.
    for (std::size_t row = 0;; ++row) {
        const std::optional<HostRowTexts> texts = table.RowTexts(row);
        if (!texts) {
            break;
        }
        const std::string_view fields[7] = {
            (*texts)[static_cast<int>(HostColumn::Address)],
            (*texts)[static_cast<int>(HostColumn::Name)],
            (*texts)[static_cast<int>(HostColumn::Mac)],
            (*texts)[static_cast<int>(HostColumn::Time)],
            "",
            (*texts)[static_cast<int>(HostColumn::Workgroup)],
            (*texts)[static_cast<int>(HostColumn::Description)],
        };
        for (std::size_t k = 0; k < 7; ++k) {
            text += fields[k];
            text += k + 1 < 7 ? '\t' : '\n';
        }
    }
    return text;
}

bool HostListFile::Save(const HostTable& table, const std::filesystem::path& path) {
    std::string text;
    try {
        text = Format(table);
    } catch (const std::bad_alloc&) {
        return false;
    }

    // Through a symbolic link the file it points to is replaced, not the link.
    std::filesystem::path target = path;
    std::error_code error;
    if (std::filesystem::is_symlink(path, error)) {
        std::filesystem::path resolved = std::filesystem::canonical(path, error);
        if (!error) {
            target = std::move(resolved);
        }
    }

    std::filesystem::path temporary;
    const int fd = CreateTemporaryBeside(target, temporary);
    if (fd < 0) {
        return false;
    }
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) {
        ::fchmod(fd, existing.st_mode & 07777);  // the replaced file keeps its permissions
    }
    bool written = WriteAll(fd, text) && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    if (!written || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool HostListFile::Read(HostTable& table, const std::filesystem::path& path) {
    return ReadRecords(table, path).has_value();
}

std::optional<std::size_t> HostListFile::ReadRecords(HostTable& table,
                                                     const std::filesystem::path& path) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                               &std::fclose);
    if (!file) {
        return std::nullopt;
    }
    std::size_t records = 0;
    // The file is read in chunks, so a huge file never has to fit in memory at once.
    std::string buffer;
    std::size_t start = 0;
    char chunk[65536];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
        buffer.erase(0, start);
        start = 0;
        buffer.append(chunk, got);
        const bool at_end = got < sizeof chunk;
        std::string_view rest(buffer);
        // A piece is complete once its line feed or enough bytes to cut it are in the buffer:
        // three beyond the limit, where a UTF-8 sequence the cut would split ends, so a line
        // is cut the same wherever a chunk happens to end.
        while (!rest.empty() &&
               (at_end || rest.size() >= kHostListPieceBytes + 3 || rest.find('\n') != rest.npos)) {
            if (HandlePiece(table, NextHostListPiece(rest))) {
                ++records;
            }
        }
        start = buffer.size() - rest.size();
        if (at_end) {
            break;
        }
    }
    if (std::ferror(file.get()) != 0) {
        return std::nullopt;
    }
    return records;
}

std::size_t HostListFile::Merge(HostTable& table, std::string_view bytes) {
    std::size_t records = 0;
    while (!bytes.empty()) {
        if (HandlePiece(table, NextHostListPiece(bytes))) {
            ++records;
        }
    }
    return records;
}

}  // namespace corvimap
