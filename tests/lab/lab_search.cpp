#include "lab_search.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace corvimap::lab {
namespace {

namespace fs = std::filesystem;

// 17.05.2020 13:45:00 UTC and a day later: dates a test can recognise.
constexpr std::time_t kTreeTime = 1589723100;

void Write(const fs::path& path, uint64_t size, std::time_t mtime) {
    fs::create_directories(path.parent_path());
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << std::string(std::min<uint64_t>(size, 16), 'x');
    }
    // Sparse beyond the first bytes: the size is what counts.
    fs::resize_file(path, size);
    const timespec times[2] = {{mtime, 0}, {mtime, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

fs::path ToLocal(const std::string& share_path) {
    std::string local = share_path;
    std::replace(local.begin(), local.end(), '\\', '/');
    return local;
}

}  // namespace

SambaHostOptions SearchServer() {
    SambaHostOptions options;
    options.netbios_name = "SEARCHSRV";
    options.workgroup = "LABGROUP";
    options.shares = {{"bulk", "Many files", {}, {}},
                      {"tree", "Search tree", {}, {}},
                      {"loop", "Folder loop", {}, {}}};
    // Links inside a share are followed, so a link to a parent folder is a loop for clients.
    options.extra_global_lines = {"follow symlinks = yes", "unix extensions = no"};
    return options;
}

const std::vector<TreeFile>& TreeFiles() {
    static const std::vector<TreeFile> files = {
        {"top file.txt", 6, kTreeTime},
        {"exact 2048.bin", 2048, kTreeTime},
        {"big 3M.avi", 3145728, kTreeTime + 86400},
        {".hidden.mp3", 5, kTreeTime},
        {"M\xC3\xBCsik #1 100%\\lied \xC3\xBC.mp3", 1025, kTreeTime},
        {"M\xC3\xBCsik #1 100%\\SONG.MP3", 7, kTreeTime},
        {"M\xC3\xBCsik #1 100%\\clip.avi", 1048577, kTreeTime},
        {"M\xC3\xBCsik #1 100%\\level2\\level3\\level4\\deep #%.mp3", 1048576, kTreeTime},
        {"M\xC3\xBCsik #1 100%\\level2\\readme", 3, kTreeTime},
        {"with space\\a b.mp3", 1024, kTreeTime},
        {"with space\\notes.txt", 4, kTreeTime},
    };
    return files;
}

const std::vector<std::string>& UnreadableFiles() {
    static const std::vector<std::string> files = {"locked\\secret.mp3"};
    return files;
}

void FillSearchShares(const Lab& lab, const LabHost& host) {
    const fs::path tree = lab.ShareDir(host, "tree");
    for (const TreeFile& file : TreeFiles()) {
        Write(tree / ToLocal(file.path), file.size, file.mtime);
    }
    for (const std::string& file : UnreadableFiles()) {
        Write(tree / ToLocal(file), 10, kTreeTime);
    }
    // Guests are "nobody": a root-owned folder without rights for others cannot be listed.
    fs::permissions(tree / "locked", fs::perms(0700));

    const fs::path loop = lab.ShareDir(host, "loop");
    Write(loop / "a" / "in a.mp3", 1, kTreeTime);
    Write(loop / "a" / "b" / "in b.mp3", 2, kTreeTime);
    fs::create_directory_symlink("..", loop / "a" / "b" / "up");
    fs::create_directory_symlink(".", loop / "a" / "self");
}

void FillBulkShare(const Lab& lab, const LabHost& host, int folders, int files_per_folder) {
    const fs::path bulk = lab.ShareDir(host, "bulk");
    constexpr int kTopFolders = 10;
    for (int i = 0; i < folders; ++i) {
        const fs::path folder = i < kTopFolders ? bulk / ("top" + std::to_string(i))
                                                : bulk / ("top" + std::to_string(i % kTopFolders)) /
                                                      ("sub" + std::to_string(i));
        fs::create_directories(folder);
        for (int k = 0; k < files_per_folder; ++k) {
            std::ofstream(folder / ("file" + std::to_string(k) + ".dat")) << i << ' ' << k;
        }
    }
}

std::vector<SmbclientFile> ParseSmbclientRecursiveList(const std::string& output) {
    static const std::regex entry(
        R"(^  (.*\S)\s+([A-Z]+)\s+(\d+)  (\w{3} \w{3} [ \d]\d \d\d:\d\d:\d\d \d{4})$)");
    std::vector<SmbclientFile> files;
    std::string folder;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("\\")) {
            folder = line.substr(1) + "\\";
            continue;
        }
        std::smatch match;
        if (!std::regex_match(line, match, entry) ||
            match[2].str().find('D') != std::string::npos) {
            continue;
        }
        std::tm local{};
        strptime(match[4].str().c_str(), "%a %b %e %H:%M:%S %Y", &local);
        local.tm_isdst = -1;
        files.push_back(
            {folder + match[1].str(), std::stoull(match[3].str()), std::mktime(&local)});
    }
    return files;
}

std::vector<SmbclientFile> SmbclientRecursiveList(const Lab& lab, const LabHost& host,
                                                  const std::string& share, milliseconds timeout) {
    const CommandResult listed = lab.RunInScanner(
        {"smbclient", "//" + host.address + "/" + share, "-N", "-c", "recurse; ls"}, timeout);
    EXPECT_FALSE(listed.timed_out) << listed.Describe();
    return ParseSmbclientRecursiveList(listed.out);
}

}  // namespace corvimap::lab
