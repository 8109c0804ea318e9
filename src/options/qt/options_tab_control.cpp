#include "options/qt/options_tab_control.h"

#include "controls/qt/option_texts.h"
#include "options/qt/external_programs_page.h"
#include "options/qt/game_server_options_page.h"
#include "options/qt/general_options_page.h"
#include "options/qt/log_options_page.h"
#include "text/builtin_strings.h"

namespace corvimap {

OptionsTabControl::OptionsTabControl(SettingsStore& store, ScanSettings& settings,
                                     GameServerBrowser& browser, QWidget* parent)
    : TabbedPageContainer(parent),
      general_(new GeneralOptionsPage(store, settings, this)),
      log_(new LogOptionsPage(store, settings, this)),
      external_programs_(new ExternalProgramsPage(store, this)),
      game_servers_(new GameServerOptionsPage(browser, this)) {
    setObjectName(QStringLiteral("OptionsTabControl"));
    AddPage(general_, QString());
    AddPage(log_, QStringLiteral("Log"));
    AddPage(external_programs_, QStringLiteral("External programs"));
    AddPage(game_servers_, QStringLiteral("Game servers"));
    UpdateCaptions();
    connect(general_, &GeneralOptionsPage::languageChanged, this,
            &OptionsTabControl::languageChanged);
    connect(external_programs_, &ExternalProgramsPage::externalProgramsChanged, this,
            &OptionsTabControl::externalProgramsChanged);
}

void OptionsTabControl::UpdateCaptions() {
    SetCaption(kGeneralPage, LookupText(text_id::kNetworksTab));
    general_->RetranslateTexts();
}

}  // namespace corvimap
