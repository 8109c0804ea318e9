#pragma once

#include "controls/qt/tabbed_page_container.h"
#include "games/game_server_browser.h"
#include "settings/scan_settings.h"
#include "settings/settings_store.h"

namespace corvimap {

class ExternalProgramsPage;
class GameServerOptionsPage;
class GeneralOptionsPage;
class LogOptionsPage;

// The options pane: the pages "Networks", "Log", "External programs" and "Game servers" in one
// tab control. Each page stores what it edits by itself; there is no OK or Apply.
class OptionsTabControl final : public TabbedPageContainer {
    Q_OBJECT
public:
    enum PageIndex {
        kGeneralPage = 0,
        kLogPage = 1,
        kExternalProgramsPage = 2,
        kGameServersPage = 3
    };

    OptionsTabControl(SettingsStore& store, ScanSettings& settings, GameServerBrowser& browser,
                      QWidget* parent = nullptr);

    // Sets the first tab's caption and the general page's texts from the string table again;
    // the other captions are fixed texts.
    void UpdateCaptions();

    LogOptionsPage& Log() const { return *log_; }
    ExternalProgramsPage& ExternalPrograms() const { return *external_programs_; }
    GameServerOptionsPage& GameServers() const { return *game_servers_; }

signals:
    // A language was picked on the general page and written to "DefaultLng".
    void languageChanged();
    // The external programs list changed.
    void externalProgramsChanged();

private:
    GeneralOptionsPage* general_;
    LogOptionsPage* log_;
    ExternalProgramsPage* external_programs_;
    GameServerOptionsPage* game_servers_;
};

}  // namespace corvimap
