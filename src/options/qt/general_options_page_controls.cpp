// The general options page's controls: made once, in focus order, and connected to the page's
// handlers in general_options_page.cpp.
#include "options/qt/general_options_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "controls/qt/caption_fit.h"
#include "controls/qt/number_field.h"
#include "controls/qt/option_texts.h"
#include "settings/group_sections.h"
#include "text/builtin_strings.h"

namespace corvimap {

void GeneralOptionsPage::BuildControls() {
    // Controls are made in the order focus moves through them, top to bottom.
    QHBoxLayout* group_row = BuildGroupRow();
    QHBoxLayout* name_row = BuildGroupNameRow();
    QHBoxLayout* network_row = BuildNetworkRow();
    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    QGridLayout* flags = BuildFlagBoxes();
    QHBoxLayout* language_row = BuildLanguageRow();
    QHBoxLayout* ping_row = BuildNumberRow(ping_timeout_label_, ping_timeout_, "pingTimeout",
                                           QStringLiteral("msec"), &ScanSettings::PingTimeout);
    QHBoxLayout* every_row = BuildNumberRow(scan_every_label_, scan_every_, "scanEvery",
                                            QStringLiteral("min"), &ScanSettings::ScanEvery);
    QHBoxLayout* threads_row = BuildNumberRow(threads_label_, threads_, "threadsOfScan", QString(),
                                              &ScanSettings::ThreadsOfScan);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(group_row);
    layout->addLayout(name_row);
    layout->addWidget(networks_label_);
    layout->addLayout(network_row, 1);
    layout->addWidget(separator);
    layout->addLayout(flags);
    layout->addLayout(language_row);
    layout->addLayout(ping_row);
    layout->addLayout(every_row);
    layout->addLayout(threads_row);
    ConnectGroupsAndNetworks();
}

QHBoxLayout* GeneralOptionsPage::BuildGroupRow() {
    group_label_ = new QLabel(this);
    group_combo_ = new QComboBox(this);
    group_combo_->setObjectName(QStringLiteral("groupCombo"));
    group_combo_->addItem(ToQString(kDefaultGroupName));
    group_label_->setBuddy(group_combo_);
    add_group_ = new QPushButton(this);
    add_group_->setObjectName(QStringLiteral("addGroup"));
    delete_group_ = new QPushButton(this);
    delete_group_->setObjectName(QStringLiteral("deleteGroup"));

    auto* row = new QHBoxLayout;
    row->addWidget(group_label_);
    row->addWidget(group_combo_, 1);
    row->addWidget(add_group_);
    row->addWidget(delete_group_);
    return row;
}

QHBoxLayout* GeneralOptionsPage::BuildGroupNameRow() {
    group_name_ = new QLineEdit(this);
    group_name_->setObjectName(QStringLiteral("groupName"));
    group_name_ok_ = new QPushButton(QStringLiteral("Ok"), this);
    group_name_ok_->setObjectName(QStringLiteral("groupNameOk"));
    group_name_ok_->setAccessibleName(QStringLiteral("Ok"));
    group_name_no_ = new QPushButton(QStringLiteral("No"), this);
    group_name_no_->setObjectName(QStringLiteral("groupNameNo"));
    group_name_no_->setAccessibleName(QStringLiteral("No"));
    group_name_->hide();
    group_name_ok_->hide();
    group_name_no_->hide();

    auto* row = new QHBoxLayout;
    row->addWidget(group_name_, 1);
    row->addWidget(group_name_ok_);
    row->addWidget(group_name_no_);
    return row;
}

QHBoxLayout* GeneralOptionsPage::BuildNetworkRow() {
    networks_label_ = new QLabel(this);
    networks_ = new QListWidget(this);
    networks_->setObjectName(QStringLiteral("networks"));
    networks_->setSelectionMode(QAbstractItemView::SingleSelection);
    networks_label_->setBuddy(networks_);
    add_network_ = new QPushButton(this);
    add_network_->setObjectName(QStringLiteral("addNetwork"));
    delete_network_ = new QPushButton(this);
    delete_network_->setObjectName(QStringLiteral("deleteNetwork"));

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(add_network_);
    buttons->addWidget(delete_network_);
    buttons->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addWidget(networks_, 1);
    row->addLayout(buttons);
    return row;
}

QGridLayout* GeneralOptionsPage::BuildFlagBoxes() {
    flag_boxes_ = {{
        {nullptr, text_id::kFastSearchOption, 0x1},
        {nullptr, text_id::kPingOption, 0x2},
        {nullptr, text_id::kResolveHostName, 0x10},
        {nullptr, text_id::kDetectMacAddress, 0},
        {nullptr, text_id::kScanShareResources, 0x20},
        {nullptr, text_id::kAutoloadHostList, 0x8},
        {nullptr, text_id::kMinimizeToTray, 0x4},
        {nullptr, text_id::kShowHostInfo, 0x40},
    }};
    for (FlagBox& flag : flag_boxes_) {
        flag.box = new CaptionCheckBox(this);
        flag.box->setObjectName(QStringLiteral("flag%1").arg(flag.text_id));
        if (flag.mask == 0) {
            // MAC addresses are always looked up; the box only says so.
            flag.box->setChecked(true);
            flag.box->setEnabled(false);
            continue;
        }
        const uint32_t mask = flag.mask;
        // The state, not the click: assistive tools toggle a box without clicking it.
        connect(flag.box, &QCheckBox::toggled, this, [this, mask](bool checked) {
            if (loading_) {
                return;
            }
            if (checked) {
                settings_.FlagsGroup0.fetch_or(mask);
            } else {
                settings_.FlagsGroup0.fetch_and(~mask);
            }
        });
    }

    parallel_ping_ = new CaptionCheckBox(this);
    parallel_ping_->setObjectName(QStringLiteral("parallelPing"));
    connect(parallel_ping_, &QCheckBox::toggled, this, [this](bool checked) {
        if (!loading_) {
            settings_.ParallelPing = checked;
        }
    });

    auto* grid = new QGridLayout;
    for (size_t i = 0; i < flag_boxes_.size(); ++i) {
        grid->addWidget(flag_boxes_[i].box, static_cast<int>(i % 4), static_cast<int>(i / 4));
    }
    // Beside the ping box, whose pass it changes.
    grid->addWidget(parallel_ping_, 1, 2);
    return grid;
}

QHBoxLayout* GeneralOptionsPage::BuildLanguageRow() {
    language_label_ = new QLabel(this);
    language_combo_ = new QComboBox(this);
    language_combo_->setObjectName(QStringLiteral("languageCombo"));
    language_label_->setBuddy(language_combo_);

    auto* row = new QHBoxLayout;
    row->addWidget(language_label_);
    row->addWidget(language_combo_, 1);
    return row;
}

QHBoxLayout* GeneralOptionsPage::BuildNumberRow(QLabel*& label, NumberField*& field,
                                                const char* name, const QString& unit,
                                                NumberSetting setting) {
    label = new QLabel(this);
    field = new NumberField(this);
    field->setObjectName(QLatin1String(name));
    label->setBuddy(field);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addStretch(1);
    row->addWidget(field);
    auto* unit_label = new QLabel(unit, this);
    unit_label->setMinimumWidth(30);
    row->addWidget(unit_label);
    // Each change of a field's text stores its own number, once the page is filled.
    connect(field, &NumberField::textChanged, this, [this, field, setting] {
        if (filled_ && !loading_) {
            (settings_.*setting) = field->Number();
        }
    });
    return row;
}

void GeneralOptionsPage::ConnectGroupsAndNetworks() {
    // Any change of the shown entry counts (keyboard, wheel, assistive tools), not only a pick
    // from the list; the page's own fills block these signals.
    connect(group_combo_, &QComboBox::currentIndexChanged, this, &GeneralOptionsPage::GroupPicked);
    connect(add_group_, &QPushButton::clicked, this, &GeneralOptionsPage::OpenGroupName);
    connect(delete_group_, &QPushButton::clicked, this, &GeneralOptionsPage::DeleteGroup);
    connect(group_name_ok_, &QPushButton::clicked, this, &GeneralOptionsPage::ConfirmGroupName);
    connect(group_name_, &QLineEdit::returnPressed, this, &GeneralOptionsPage::ConfirmGroupName);
    connect(group_name_no_, &QPushButton::clicked, this, &GeneralOptionsPage::CloseGroupName);
    connect(add_network_, &QPushButton::clicked, this, &GeneralOptionsPage::AddNetwork);
    connect(delete_network_, &QPushButton::clicked, this, &GeneralOptionsPage::DeleteNetwork);
    connect(networks_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { EditNetwork(networks_->row(item)); });
    connect(language_combo_, &QComboBox::currentIndexChanged, this,
            &GeneralOptionsPage::LanguagePicked);
}

}  // namespace corvimap
