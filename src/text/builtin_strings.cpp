#include "text/builtin_strings.h"

namespace corvimap {
namespace {

// The English texts exactly as users and assistive tools know them, odd spellings included
// ("Ping (standart ICMP packet)"): a control's accessible name is its caption, so a script that
// finds a control by name stops finding it when a text here changes. Language files translate
// the texts by number, whatever the English reads.
constexpr BuiltinString kBuiltinStrings[] = {
    {-1, "English"},
    {1, "About"},
    {2, "Options"},
    {3, "Refresh"},
    {4, "Work"},
    {5, "Log"},
    {7, "E&xit"},
    {8, "Name"},
    {9, "Time"},
    {10, "Found"},
    {11, "Workgroup"},
    {12, "Description"},
    {14, "Hosts"},
    {16, "Load"},
    {17, "Save"},
    {18, "Clear"},
    {19, "Search"},
    {20, "Stop"},
    {21, "Send message to "},
    {22, "Shares"},
    {23, "Networks"},
    {25, "Group"},
    {26, "Networks"},
    {27, "Add group"},
    {28, "Delete group"},
    {29, "Add network"},
    {30, "Delete network"},
    {31, "Fast search (Win host only)"},
    {32, "Ping (standart ICMP packet)"},
    {34, "Resolve host name"},
    {35, "Detect MAC address"},
    {36, "Scan share resources"},
    {37, "Autoload host list"},
    {38, "Minimize to tray"},
    {39, "Show host info"},
    {40, "Language"},
    {41, "Ping timeout"},
    {43, "Scan every"},
    {44, "Threads of scan"},
    {45, "Net utils"},
    {46, "External progs"},
    {47, "Corvimap start..."},
    {48, "Corvimap close"},
    {49, "Start network scanner"},
    {50, "Stop network scanner"},
    {52, "Found new host"},
    {53, "Dead host"},
    {54, "Global search"},
    {55, "Local shares info"},
    {56, "Connect new user"},
    {57, "open file"},
    {58, "host:"},
    {59, "Fast search"},
    {61, "Ping"},
    {62, "Add share"},
    {63, "Delete share"},
    {64, "Disconnect User/Host"},
    {80, "Unknown host %s."},
    {81,
     "ICMP is not available: opening an ICMP socket needs root, CAP_NET_RAW or a group in "
     "net.ipv4.ping_group_range."},
    {90,
     "No ICMP, so the ping pass could not run: allow it with sysctl -w "
     "net.ipv4.ping_group_range=\"0 2147483647\" or setcap cap_net_raw+ep %s"},
    {91,
     "Cannot open %s: no program here opens smb:// addresses; a file manager with SMB "
     "support is needed"},
    {92, "Cannot start %s: the program does not exist or cannot run"},
    {140, "Cannot write the log file %s (%s); messages go on in this list only"},
    {141, "Cannot save the host list to %s (%s); the file as it was is kept"},
    {142, "%s holds no host that could be read"},
    {143, "Cannot save the settings to %s; changes are kept only until the program ends"},
    {0, "End of Records"},
};

}  // namespace

std::span<const BuiltinString> BuiltinStrings() {
    return kBuiltinStrings;
}

const char* FindBuiltinString(int32_t id) {
    for (const BuiltinString& entry : kBuiltinStrings) {
        if (entry.id == 0) {
            break;
        }
        if (entry.id == id) {
            return entry.text;
        }
    }
    return nullptr;
}

}  // namespace corvimap
