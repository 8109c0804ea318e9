#include "options/qt/game_server_options_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "controls/qt/caption_fit.h"
#include "controls/qt/option_texts.h"
#include "options/qt/add_port_dialog.h"

namespace corvimap {

GameServerOptionsPage::GameServerOptionsPage(GameServerBrowser& browser, QWidget* parent)
    : QWidget(parent), browser_(browser) {
    BuildControls();
    {
        // The first name added would become the selection; no type is chosen at first.
        const QSignalBlocker quiet(types_);
        for (size_t i = 0; i < browser_.Count(); ++i) {
            types_->addItem(QString::fromStdString(browser_.At(i).Name()));
        }
        types_->setCurrentIndex(-1);
    }
    ShowType();
}

QCheckBox* GameServerOptionsPage::FlagBox(const char* text, const char* name, uint32_t mask) {
    auto* box = new CaptionCheckBox(this);
    box->setObjectName(QLatin1String(name));
    SetControlText(box, QLatin1String(text));
    // The state, not the click: assistive tools toggle a box without clicking it.
    connect(box, &QCheckBox::toggled, this, [this, mask](bool checked) {
        if (showing_type_) {
            return;
        }
        if (mask == kGameCheckThisGame) {
            UpdateEnabledStates();
        }
        if (GameServerType* type = SelectedType()) {
            type->SetFlag(mask, checked);
        }
    });
    return box;
}

void GameServerOptionsPage::BuildControls() {
    type_label_ = new QLabel(this);
    types_ = new QComboBox(this);
    types_->setObjectName(QStringLiteral("gameTypes"));
    type_label_->setBuddy(types_);
    SetControlText(type_label_, QStringLiteral("Game server"));

    check_game_ = FlagBox("Check this game", "checkThisGame", kGameCheckThisGame);
    ports_label_ = new QLabel(this);
    ports_ = new QListWidget(this);
    ports_->setObjectName(QStringLiteral("ports"));
    ports_label_->setBuddy(ports_);
    SetControlText(ports_label_, QStringLiteral("List of ports"));
    add_port_ = new QPushButton(this);
    add_port_->setObjectName(QStringLiteral("addPort"));
    SetControlText(add_port_, QStringLiteral("Add"));
    delete_port_ = new QPushButton(this);
    delete_port_->setObjectName(QStringLiteral("deletePort"));
    SetControlText(delete_port_, QStringLiteral("Del"));
    check_during_scan_ =
        FlagBox("Check during the scanning", "checkDuringScan", kGameCheckDuringScan);

    BuildHiddenControls();

    auto* port_buttons = new QVBoxLayout;
    port_buttons->addWidget(add_port_);
    port_buttons->addWidget(delete_port_);
    port_buttons->addStretch(1);
    auto* port_row = new QHBoxLayout;
    port_row->addWidget(ports_, 1);
    port_row->addLayout(port_buttons);
    auto* sound_row = new QHBoxLayout;
    sound_row->addWidget(sound_path_, 1);
    sound_row->addWidget(sound_browse_);
    auto* game_row = new QHBoxLayout;
    game_row->addWidget(game_path_label_);
    game_row->addWidget(game_path_, 1);
    game_row->addWidget(game_browse_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(type_label_);
    layout->addWidget(types_);
    layout->addWidget(check_game_);
    layout->addWidget(ports_label_);
    layout->addLayout(port_row, 1);
    layout->addWidget(check_during_scan_);
    layout->addWidget(add_to_log_);
    layout->addWidget(check_local_);
    layout->addWidget(sound_);
    layout->addLayout(sound_row);
    layout->addLayout(game_row);

    connect(types_, &QComboBox::currentIndexChanged, this, &GameServerOptionsPage::ShowType);
    connect(add_port_, &QPushButton::clicked, this, &GameServerOptionsPage::AddPort);
    connect(delete_port_, &QPushButton::clicked, this, &GameServerOptionsPage::DeletePort);
    connect(sound_browse_, &QPushButton::clicked, this, [this] { ChoosePath(true); });
    connect(game_browse_, &QPushButton::clicked, this, [this] { ChoosePath(false); });
}

void GameServerOptionsPage::BuildHiddenControls() {
    add_to_log_ = FlagBox("Add to log", "addToLog", kGameAddToLog);
    check_local_ = FlagBox("Check in local network", "checkLocal", kGameCheckInLocalNetwork);
    sound_ = FlagBox("Sound if found", "soundIfFound", kGameSoundIfFound);
    sound_path_ = new QLineEdit(this);
    sound_path_->setReadOnly(true);
    sound_path_->setAccessibleName(QStringLiteral("Path to sound"));
    sound_browse_ = new QPushButton(QStringLiteral(".."), this);
    sound_browse_->setAccessibleName(QStringLiteral("Choose sound"));
    game_path_label_ = new QLabel(this);
    game_path_ = new QLineEdit(this);
    game_path_->setReadOnly(true);
    game_path_label_->setBuddy(game_path_);
    SetControlText(game_path_label_, QStringLiteral("Path to game"));
    game_browse_ = new QPushButton(QStringLiteral(".."), this);
    game_browse_->setAccessibleName(QStringLiteral("Choose game"));
    for (QWidget* hidden :
         {static_cast<QWidget*>(add_to_log_), static_cast<QWidget*>(check_local_),
          static_cast<QWidget*>(sound_), static_cast<QWidget*>(sound_path_),
          static_cast<QWidget*>(sound_browse_), static_cast<QWidget*>(game_path_label_),
          static_cast<QWidget*>(game_path_), static_cast<QWidget*>(game_browse_)}) {
        hidden->setVisible(false);
    }
}

GameServerType* GameServerOptionsPage::SelectedType() const {
    const int index = types_->currentIndex();
    return index < 0 ? nullptr : browser_.Find(types_->itemText(index).toStdString());
}

void GameServerOptionsPage::ShowType() {
    GameServerType* type = SelectedType();
    check_game_->setEnabled(type != nullptr);
    if (type != nullptr) {
        // Showing the type's flags must not write them back.
        showing_type_ = true;
        ports_->clear();
        const GameServerType::PortList ports = type->Ports();
        for (uint16_t port : *ports) {
            ports_->addItem(QString::number(port));
        }
        if (ports->empty()) {
            ports_->addItem(QString::number(type->DefaultPort()));
        }
        const uint32_t flags = type->Flags();
        check_game_->setChecked(flags & kGameCheckThisGame);
        check_during_scan_->setChecked(flags & kGameCheckDuringScan);
        check_local_->setChecked(flags & kGameCheckInLocalNetwork);
        add_to_log_->setChecked(flags & kGameAddToLog);
        sound_->setChecked(flags & kGameSoundIfFound);
        game_path_->setText(QString::fromStdString(type->PathToGame()));
        sound_path_->setText(QString::fromStdString(type->PathToSound()));
        showing_type_ = false;
    }
    UpdateEnabledStates();
}

void GameServerOptionsPage::UpdateEnabledStates() {
    const bool on = check_game_->isChecked();
    for (QWidget* control :
         {static_cast<QWidget*>(ports_label_), static_cast<QWidget*>(ports_),
          static_cast<QWidget*>(add_port_), static_cast<QWidget*>(delete_port_),
          static_cast<QWidget*>(add_to_log_), static_cast<QWidget*>(check_local_),
          static_cast<QWidget*>(sound_), static_cast<QWidget*>(sound_path_),
          static_cast<QWidget*>(sound_browse_), static_cast<QWidget*>(check_during_scan_),
          static_cast<QWidget*>(game_path_label_), static_cast<QWidget*>(game_path_),
          static_cast<QWidget*>(game_browse_)}) {
        control->setEnabled(on);
    }
}

void GameServerOptionsPage::AddPort() {
    GameServerType* type = SelectedType();
    if (type == nullptr) {
        return;
    }
    auto* dialog = new AddPortDialog(type->DefaultPort(), this);
    connect(dialog, &QDialog::finished, this, [this, dialog, type](int result) {
        if (result == QDialog::Accepted) {
            AddPortToType(*type, dialog->Port());
        }
        dialog->deleteLater();
    });
    dialog->open();
}

void GameServerOptionsPage::AddPortToType(GameServerType& type, uint16_t port) {
    if (port == type.DefaultPort()) {
        return;
    }
    if (type.Ports()->empty()) {
        // The list showed the default port without the type holding it; from now on the type
        // holds what the list shows, so that exactly the listed ports are asked.
        type.SetPorts({type.DefaultPort(), port});
    } else if (!type.AddNewPort(port)) {
        return;
    }
    if (&type == SelectedType()) {
        ports_->addItem(QString::number(port));
    }
}

void GameServerOptionsPage::DeletePort() {
    GameServerType* type = SelectedType();
    const QList<QListWidgetItem*> selected = ports_->selectedItems();
    if (type == nullptr || selected.isEmpty() || ports_->count() <= 1) {
        return;
    }
    const int row = ports_->row(selected.front());
    // The port goes from the type too: a deleted port is asked no more and not saved.
    type->RemovePortAt(static_cast<size_t>(row));
    delete ports_->takeItem(row);
}

void GameServerOptionsPage::ChoosePath(bool sound) {
    GameServerType* type = SelectedType();
    if (type == nullptr) {
        return;
    }
    auto* chooser = new QFileDialog(this);
    chooser->setFileMode(QFileDialog::ExistingFile);
    chooser->setNameFilters(
        sound ? QStringList{QStringLiteral("Wave Files (*.wav)"), QStringLiteral("All Files (*)")}
              : QStringList{QStringLiteral("Program Files (*.exe *.com *.bat)"),
                            QStringLiteral("All Files (*)")});
    connect(chooser, &QFileDialog::fileSelected, this, [this, type, sound](const QString& path) {
        if (sound) {
            type->SetPathToSound(path.toStdString());
            sound_path_->setText(path);
        } else {
            type->SetPathToGame(path.toStdString());
            game_path_->setText(path);
        }
    });
    connect(chooser, &QFileDialog::finished, chooser, &QObject::deleteLater);
    chooser->open();
}

}  // namespace corvimap
