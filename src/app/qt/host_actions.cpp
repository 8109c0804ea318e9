#include "app/qt/host_actions.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMenu>
#include <QProcess>
#include <QUrl>

#include "app/program_arguments.h"
#include "engine/host_record.h"
#include "text/builtin_strings.h"
#include "text/list_state_keys.h"
#include "text/pipe_list.h"
#include "text/string_table.h"

namespace corvimap {
namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Menu texts treat "&" as a mnemonic mark; names are shown as they are.
QString MenuText(std::string_view text) {
    QString shown = FromUtf8(text);
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return shown;
}

}  // namespace

std::vector<ExternalProgram> ReadExternalPrograms(const SettingsStore& store) {
    return ReadExternalPrograms(store, kProgsListSection).value_or(std::vector<ExternalProgram>{});
}

std::string HostPath(NetAddress address) {
    return "\\\\" + FormatAddress(address);
}

std::string SharePath(NetAddress address, std::string_view share) {
    return HostPath(address) + "\\" + std::string(share);
}

std::vector<std::string> ShareNames(std::string_view share_list) {
    std::vector<std::string> names;
    for (size_t index = 0; names.size() < kMaxHostMenuEntries; ++index) {
        const std::optional<std::string_view> field = PipeField(share_list, index);
        if (!field) {
            break;
        }
        names.emplace_back(*field);
    }
    return names;
}

ProgramLaunch PrepareLaunch(const ExternalProgram& entry, NetAddress address) {
    ProgramLaunch launch;
    launch.program = FromUtf8(entry.program);
    const std::string line = ReplaceFirstAddressMark(entry.parameters, FormatAddress(address));
    for (const std::string& word : SplitParameterLine(line)) {
        launch.arguments << FromUtf8(word);
    }
    return launch;
}

bool StartDetachedProgram(const QString& program, const QStringList& arguments) {
    if (program.isEmpty()) {
        return false;
    }
    const QFileInfo file(program);
    if (file.isFile() && !file.isExecutable()) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(file.absoluteFilePath()));
    }
    return QProcess::startDetached(program, arguments, QString());
}

std::optional<HostMenuTarget> ReadHostMenuTarget(const HostTable& table, std::size_t row) {
    const std::optional<HostRecord> record = table.RecordAt(row);
    if (!record) {
        return std::nullopt;
    }
    HostMenuTarget target;
    target.address = record->address;
    for (const HostMarker& marker : record->markers) {
        if (marker.kind == kSharesMarker) {
            target.shares = ShareNames(marker.text.value_or(""));
            break;
        }
    }
    return target;
}

std::unique_ptr<QMenu> BuildHostContextMenu(const HostMenuTarget& target, std::string_view verb,
                                            const std::vector<ExternalProgram>& programs,
                                            const HostMenuActions& actions, QWidget* parent) {
    auto menu = std::make_unique<QMenu>(parent);
    const std::string host_item = std::string(verb) + ": " + HostPath(target.address);
    const NetAddress address = target.address;
    QAction* open_host = menu->addAction(MenuText(host_item));
    QObject::connect(open_host, &QAction::triggered, menu.get(), [actions, address] {
        if (actions.open_path) {
            actions.open_path(HostPath(address));
        }
    });

    if (!target.shares.empty()) {
        QMenu* shares = menu->addMenu(QString::fromUtf8(StringTable::Lookup(text_id::kShares)));
        for (const std::string& share : target.shares) {
            QAction* item = shares->addAction(MenuText(host_item + "\\" + share));
            QObject::connect(item, &QAction::triggered, menu.get(), [actions, address, share] {
                if (actions.open_path) {
                    actions.open_path(SharePath(address, share));
                }
            });
        }
    }

    if (!programs.empty()) {
        QMenu* progs =
            menu->addMenu(QString::fromUtf8(StringTable::Lookup(text_id::kExternalProgs)));
        for (size_t i = 0; i < programs.size() && i < kMaxHostMenuEntries; ++i) {
            const ExternalProgram entry = programs[i];
            QAction* item = progs->addAction(MenuText(entry.description));
            QObject::connect(item, &QAction::triggered, menu.get(), [actions, entry, address] {
                if (actions.run_program) {
                    actions.run_program(entry, address);
                }
            });
        }
    }
    return menu;
}

}  // namespace corvimap
