#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "app/qt/host_actions.h"
#include "app/qt/shell_open.h"
#include "engine/host_table.h"
#include "settings/scan_settings.h"
#include "settings/settings_store.h"

class QFileDialog;
class QMenu;
class QPushButton;

namespace corvimap {

class ColumnMenu;
class HostInfoWindow;
class HostListModel;
class MarkupListCtrl;

inline constexpr const char* kHostListSection = "WorkList";
inline constexpr const char* kDefaultHostListFile = "netdatabase.txt";

// Sets up a file dialog for loading (save = false) or saving the host list: "netdatabase.txt"
// proposed, every file shown, overwriting asked about.
void ConfigureHostListDialog(QFileDialog& dialog, bool save);

// The host list pane of the main window: the buttons "Load", "Save", "Clear" and "Search" in a row
// at the top and the host list under them. Header clicks sort the host table, the header's menu
// hides and shows columns, a right click on a host offers to open it, its shares or an external
// program, and the host info window follows the cursor when the scan flags ask for it. The
// window gives the pane its rectangle (setGeometry) and calls the public operations.
class HostListPane final : public QWidget {
    Q_OBJECT
public:
    enum Button { kLoadButton = 0, kSaveButton, kClearButton, kSearchButton };

    // Returns the chosen path, "" when the user cancelled.
    using FileChooser = std::function<QString(bool save)>;
    using ProgramsProvider = std::function<std::vector<ExternalProgram>()>;

    // Restores the column layout from "WorkList" and marks column 0 sorted ascending.
    HostListPane(HostTable& table, SettingsStore& store, const ScanSettings& scan_settings,
                 QWidget* parent = nullptr);
    ~HostListPane() override;

    MarkupListCtrl& List() { return *list_; }
    HostListModel& Model() { return *model_; }
    ColumnMenu& Columns() { return *column_menu_; }
    HostInfoWindow& InfoWindow() { return *info_; }
    QPushButton& ButtonAt(Button button) { return *buttons_[button]; }
    ShellOpenWorker& ShellOpen() { return *shell_open_; }

    // Load, Save and Clear are off while a scan runs; Search stays.
    void SetButtonsEnabled(bool enabled);
    // Captions and column titles in the current language.
    void RetranslateUi();
    // Stores the column layout under "WorkList" (the window calls it when it closes).
    void SaveLayout();
    // At start: loads the file of "LastSave" when "Autoload host list" is set. True when a file
    // was read.
    bool AutoloadHostList();

    bool LoadHostListFrom(const QString& path);
    bool SaveHostListTo(const QString& path);
    void ClearHostList();

    void SortByColumn(int column);

    // Builds the host menu for a row (the previous menu goes first); nullptr for no row. The
    // menu is shown by a right click; tests look at it directly.
    QMenu* BuildHostMenu(int row);
    QMenu* HostMenu() { return host_menu_.get(); }
    void RunProgram(const ExternalProgram& entry, NetAddress address);

    // The cursor is over the list at a point of its viewport.
    void HoverAt(const QPoint& viewport_pos, int screen_y);
    void StartHostInfoHideTimer();

    // The "Search by ..." dialog over this list, run modally.
    void OpenFindDialog();

    // Seams for the desktop: file dialogs, starting programs, the external programs list.
    void SetFileChooser(FileChooser chooser) { file_chooser_ = std::move(chooser); }
    void SetProgramStarter(ProgramStarter starter) { program_starter_ = std::move(starter); }
    void SetProgramsProvider(ProgramsProvider provider) { programs_ = std::move(provider); }

    // The buttons' size: 50 x 11 dialog units of the pane's font.
    QSize ButtonSize() const;
    // Where the list starts under the buttons.
    int ListTop() const;

signals:
    // A status text for the host list pane's line ("" shows just the host counts).
    void StatusUpdate(const QString& text);
    // Opening a host or share, or starting an external program, failed; the message says what
    // and why.
    void ActionFailed(const QString& message);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LayOut();
    void ShowHostMenuAt(const QPoint& viewport_pos);
    void OnLoadClicked();
    void OnSaveClicked();
    void ForgetHoveredRow(int first, int last);

    HostTable& table_;
    SettingsStore& store_;
    const ScanSettings& scan_settings_;
    HostListModel* model_ = nullptr;
    MarkupListCtrl* list_ = nullptr;
    std::array<QPushButton*, 4> buttons_{};
    ColumnMenu* column_menu_ = nullptr;
    HostInfoWindow* info_ = nullptr;
    ShellOpenWorker* shell_open_ = nullptr;
    std::unique_ptr<QMenu> host_menu_;

    int sort_column_ = 0;
    bool sort_descending_ = false;
    int last_hovered_row_ = -1;

    FileChooser file_chooser_;
    ProgramStarter program_starter_;
    ProgramsProvider programs_;
};

}  // namespace corvimap
