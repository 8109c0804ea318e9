#pragma once

// The file server of the file search tests and benchmark: a Samba host whose shares hold a tree
// that exercises a share walk, and smbclient's own recursive listing of a share to compare with.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "lab.h"

namespace corvimap::lab {

// Shares of the search server, in this order:
//   "bulk": empty until FillBulkShare.
//   "tree": folders four levels deep; names with blanks, "#", "%" and non-ASCII letters; files
//           of 2048 and 3145728 bytes; a hidden file; a folder guests may not read.
//   "loop": "a/b/up" links to "a" (its parent's parent) and "a/self" to "a" itself.
SambaHostOptions SearchServer();

// Writes the tree and loop shares' contents; call right after Lab::AddSambaHost.
void FillSearchShares(const Lab& lab, const LabHost& host);

// `folders` folders (ten at the top, the rest below them) of `files_per_folder` small files
// each, in share "bulk".
void FillBulkShare(const Lab& lab, const LabHost& host, int folders, int files_per_folder);

// Files of the tree share with their sizes and last-write times, as they were written.
struct TreeFile {
    std::string path;  // inside the share, "\" separated
    uint64_t size = 0;
    std::time_t mtime = 0;
};
const std::vector<TreeFile>& TreeFiles();           // the readable ones
const std::vector<std::string>& UnreadableFiles();  // in the folder guests may not read

// One file of `smbclient //host/share -N -c 'recurse; ls'`.
struct SmbclientFile {
    std::string path;  // inside the share, "\" separated
    uint64_t size = 0;
    std::time_t mtime = 0;  // local time as smbclient prints it, to the second
};
// Lists the share from the scanner namespace; fails the test when smbclient fails.
std::vector<SmbclientFile> SmbclientRecursiveList(const Lab& lab, const LabHost& host,
                                                  const std::string& share, milliseconds timeout);
std::vector<SmbclientFile> ParseSmbclientRecursiveList(const std::string& output);

}  // namespace corvimap::lab
