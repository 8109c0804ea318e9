#pragma once

#include <QWidget>

#include "games/game_server_browser.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace corvimap {

// The "Game servers" page of the options: picks a game server type, switches it on and off for
// scans and edits its ports. Every change acts at once on the type in memory; the types reach
// the store when the browser goes.
class GameServerOptionsPage final : public QWidget {
    Q_OBJECT
public:
    explicit GameServerOptionsPage(GameServerBrowser& browser, QWidget* parent = nullptr);

    // The type picked in the list, if any.
    GameServerType* SelectedType() const;

private:
    void BuildControls();
    // The controls below the scan box that stay hidden, in focus order.
    void BuildHiddenControls();
    QCheckBox* FlagBox(const char* text, const char* name, uint32_t mask);
    void ShowType();
    void UpdateEnabledStates();
    void AddPort();
    void AddPortToType(GameServerType& type, uint16_t port);
    void DeletePort();
    void ChoosePath(bool sound);

    GameServerBrowser& browser_;
    bool showing_type_ = false;  // the boxes are being set from the selected type

    QLabel* type_label_ = nullptr;
    QComboBox* types_ = nullptr;
    QCheckBox* check_game_ = nullptr;
    QLabel* ports_label_ = nullptr;
    QListWidget* ports_ = nullptr;
    QPushButton* add_port_ = nullptr;
    QPushButton* delete_port_ = nullptr;
    QCheckBox* check_during_scan_ = nullptr;
    // Built hidden (BuildHiddenControls): the types store these bits and paths and nothing acts
    // on them, so the page offers none of them; the boxes only follow the selected type.
    QCheckBox* add_to_log_ = nullptr;
    QCheckBox* check_local_ = nullptr;
    QCheckBox* sound_ = nullptr;
    QLineEdit* sound_path_ = nullptr;
    QPushButton* sound_browse_ = nullptr;
    QLabel* game_path_label_ = nullptr;
    QLineEdit* game_path_ = nullptr;
    QPushButton* game_browse_ = nullptr;
};

}  // namespace corvimap
