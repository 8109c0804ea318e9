#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/host_table.h"
#include "engine/ipv4.h"
#include "options/external_programs.h"
#include "settings/settings_store.h"

class QMenu;
class QWidget;

namespace corvimap {

// The host menu offers at most this many shares and this many programs.
inline constexpr std::size_t kMaxHostMenuEntries = 256;

// The external programs as the options page stored them (columns 0, 1 and 2 of each row).
std::vector<ExternalProgram> ReadExternalPrograms(const SettingsStore& store);

// "\\a.b.c.d" and "\\a.b.c.d\share": how the program names a host and a share.
std::string HostPath(NetAddress address);
std::string SharePath(NetAddress address, std::string_view share);

// The fields of a host's "|"-separated share list, in order, at most kMaxHostMenuEntries.
std::vector<std::string> ShareNames(std::string_view share_list);

struct ProgramLaunch {
    QString program;
    QStringList arguments;
};

// The program with its parameter line: the first "%a" replaced by the address, then split into
// arguments as a shell would split it (no shell runs).
ProgramLaunch PrepareLaunch(const ExternalProgram& entry, NetAddress address);

// Starts a program on its own, without a shell and without a working folder; a document that is
// not a program is opened with the desktop instead. False when nothing could be started.
using ProgramStarter = std::function<bool(const QString& program, const QStringList& arguments)>;
bool StartDetachedProgram(const QString& program, const QStringList& arguments);

// The host a menu was built for, read when it was built: a command then acts on the host whose
// address the menu shows, even when a scan re-sorts the list while the menu is open.
struct HostMenuTarget {
    NetAddress address = 0;
    std::vector<std::string> shares;
};
std::optional<HostMenuTarget> ReadHostMenuTarget(const HostTable& table, std::size_t row);

struct HostMenuActions {
    std::function<void(const std::string& path)> open_path;
    std::function<void(const ExternalProgram& entry, NetAddress address)> run_program;
};

// The host list's context menu: "<verb>: \\address" opens the host; a "Shares" submenu opens each
// share; an "External progs" submenu starts each program with the host. Submenus without items
// are left out.
std::unique_ptr<QMenu> BuildHostContextMenu(const HostMenuTarget& target, std::string_view verb,
                                            const std::vector<ExternalProgram>& programs,
                                            const HostMenuActions& actions,
                                            QWidget* parent = nullptr);

}  // namespace corvimap
