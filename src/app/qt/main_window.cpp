#include "app/qt/main_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QTreeView>

#include "app/qt/app_engine.h"
#include "app/qt/host_list_pane.h"
#include "app/qt/language_changed.h"
#include "app/qt/status_line.h"
#include "app/qt/tray_minimizer.h"
#include "app/version_info.h"
#include "controls/qt/column_widths.h"
#include "controls/qt/flat_button.h"
#include "engine/host_list_file.h"
#include "engine/scan_flags.h"
#include "games/qt/game_servers_pane.h"
#include "localshares/qt/local_shares_pane.h"
#include "log/event_kinds.h"
#include "log/qt/log_pane.h"
#include "netutils/qt/net_utils_tab_control.h"
#include "options/qt/external_programs_page.h"
#include "options/qt/options_tab_control.h"
#include "search/qt/search_pane.h"
#include "settings/qt/qsettings_store.h"
#include "text/builtin_strings.h"
#include "text/string_table.h"
#include "text/text_fill.h"

namespace corvimap {
namespace {

constexpr char kMainSection[] = "Main";
constexpr int kLocalSharesPeriodMs = 160;
constexpr char kGlobalSearchPrompt[] = "Global search, enter mask (example: *.mp3|*.mpg|*.avi)";

QRect ToQRect(const PixelRect& rect) {
    return QRect(rect.left, rect.top, rect.Width(), rect.Height());
}

// The pane each side button opens; the Exit button opens none.
int PaneOfButton(int id) {
    switch (id) {
        case control_id::kAbout:
            return 0;
        case control_id::kOptions:
            return 1;
        case control_id::kRefresh:
        case control_id::kWork:
            return kHostListPane;
        case control_id::kNetUtils:
            return 3;
        case control_id::kGlobalSearch:
            return 4;
        case control_id::kLocalShares:
            return 5;
        case control_id::kLog:
            return 7;
        case control_id::kGameServers:
            return 8;
        default:
            return kNoPane;
    }
}

// The caption of a side button: its text of the string table, or a fixed one.
QString SideButtonCaption(int id, bool scan_running) {
    int text = 0;
    switch (id) {
        case control_id::kAbout:
            text = text_id::kAbout;
            break;
        case control_id::kOptions:
            text = text_id::kOptions;
            break;
        case control_id::kRefresh:
            text = scan_running ? text_id::kStop : text_id::kRefresh;
            break;
        case control_id::kWork:
            text = text_id::kWork;
            break;
        case control_id::kNetUtils:
            text = text_id::kNetUtils;
            break;
        case control_id::kGlobalSearch:
            text = text_id::kGlobalSearch;
            break;
        case control_id::kLocalShares:
            text = text_id::kLocalSharesInfo;
            break;
        case control_id::kGameServers:
            return "Game servers";
        case control_id::kLog:
            text = text_id::kLog;
            break;
        case control_id::kExit:
            text = text_id::kExit;
            break;
        default:
            return {};
    }
    return QString::fromUtf8(StringTable::Lookup(text));
}

// The caption of a control that pane modules install, where the window sets it.
std::optional<QString> ControlCaption(int id) {
    switch (id) {
        case control_id::kLoad:
            return QString::fromUtf8(StringTable::Lookup(text_id::kLoad));
        case control_id::kSave:
            return QString::fromUtf8(StringTable::Lookup(text_id::kSave));
        case control_id::kClear:
            return QString::fromUtf8(StringTable::Lookup(text_id::kClear));
        case control_id::kFind:
            return QString::fromUtf8(StringTable::Lookup(text_id::kSearch));
        case control_id::kSearchButton:
            return QString("Search");
        default:
            return std::nullopt;
    }
}

int PaneOfControl(int id) {
    for (int pane : kPanes) {
        for (int control : PaneControls(pane)) {
            if (control == id) {
                return pane;
            }
        }
    }
    return kNoPane;
}

// The height a list needs to show all its rows without scrolling.
int NeededHeight(const QWidget* control) {
    if (control == nullptr) {
        return 0;
    }
    const auto* view = qobject_cast<const QAbstractItemView*>(control);
    if (view == nullptr || view->model() == nullptr) {
        return control->sizeHint().height();
    }
    int height = 2 * view->frameWidth();
    if (const auto* tree = qobject_cast<const QTreeView*>(view); tree && !tree->isHeaderHidden()) {
        height += tree->header()->sizeHint().height();
    } else if (const auto* table = qobject_cast<const QTableView*>(view);
               table && table->horizontalHeader()->isVisible()) {
        height += table->horizontalHeader()->sizeHint().height();
    }
    const int rows = view->model()->rowCount(view->rootIndex());
    if (rows > 0) {
        height += rows * std::max(view->sizeHintForRow(0), 1);
    }
    if (view->horizontalScrollBar()->maximum() > 0) {
        height += view->horizontalScrollBar()->sizeHint().height();
    }
    return height;
}

// The window icon: a radar sweep over a network of dots.
QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 48.0, size / 48.0);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x1d, 0x3b, 0x5c));
        painter.drawRoundedRect(QRectF(2, 2, 44, 44), 9, 9);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(0x5f, 0xd0, 0x8c), 2.5));
        painter.drawEllipse(QPointF(24, 24), 16, 16);
        painter.drawEllipse(QPointF(24, 24), 8, 8);
        QPainterPath sweep;
        sweep.moveTo(24, 24);
        sweep.arcTo(QRectF(8, 8, 32, 32), 90, -55);
        sweep.closeSubpath();
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x5f, 0xd0, 0x8c, 140));
        painter.drawPath(sweep);
        painter.setBrush(QColor(0xf4, 0xc4, 0x30));
        painter.drawEllipse(QPointF(33, 17), 3.2, 3.2);
        painter.drawEllipse(QPointF(15, 31), 2.6, 2.6);
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

MainWindow::MainWindow(AppContext& context, AppEngine& engine, QWidget* parent)
    : QWidget(parent), context_(context), engine_(engine) {
    setObjectName("MainWindow");
    setWindowIcon(AppIcon());
    // The pixel places of the controls were made for an 8-point font.
    QFont window_font = font();
    window_font.setPointSize(8);
    setFont(window_font);
    setMinimumSize(kMinimumWindowWidth, kMinimumWindowHeight);

    CreateSideButtons();
    status_line_ = new StatusLine(
        [this] {
            return HostCounts{engine_.Scan().FoundCount(), engine_.Scan().Hosts().Count()};
        },
        this);
    status_line_->setGeometry(ToQRect(*DesignedRect(control_id::kStatusLine)));
    CreatePanes();

    // The log list first, so the messages of the start reach it.
    log_pane_ = new LogPane(context_.store, context_.store.GetProfileInt(
                                                "LogOptions", "MaxLogLines", kDefaultMaxLogLines));
    SetPaneContent(7, log_pane_);
    engine_.AttachLogPane(log_pane_);
    engine_.AttachWindow(this);
    engine_.Log().LoadSettings();
    // A settings file that cannot be written is told once, in the status line and the log.
    if (auto* settings = dynamic_cast<QSettingsStore*>(&context_.store)) {
        const QPointer<MainWindow> window(this);
        settings->SetWriteFailureHandler([window](const QString& file) {
            QMetaObject::invokeMethod(
                qApp,
                [window, file] {
                    if (!window) {
                        return;
                    }
                    const std::string text = FillText(
                        StringTable::Lookup(text_id::kSettingsNotSaved), {file.toStdString()});
                    window->ShowStatus(window->current_pane_, text);
                    window->engine_.Log().Add(EventKind::kInternalError, "%s", text.c_str());
                },
                Qt::QueuedConnection);
        });
    }
    CreatePaneContents();

    scan_timer_ = new QTimer(this);
    scan_timer_->setObjectName("ScanTimer");
    connect(scan_timer_, &QTimer::timeout, this, &MainWindow::Refresh);
    local_shares_timer_ = new QTimer(this);
    local_shares_timer_->setObjectName("LocalSharesTimer");
    connect(local_shares_timer_, &QTimer::timeout, this, &MainWindow::localSharesTick);
    local_shares_timer_->start(kLocalSharesPeriodMs);

    RestorePlace();
    const std::string title = VersionInfo().VersionLine();
    setWindowTitle(QString::fromStdString(title));
    setAccessibleName(QString::fromStdString(title));
    SetCaptions();
    AutoloadHostList();
    tray_ = new TrayMinimizer(
        *this, context_.scan_settings, engine_.Log(),
        [this] {
            return HostCounts{engine_.Scan().FoundCount(), engine_.Scan().Hosts().Count()};
        },
        [this] { Refresh(); });
    initialised_ = true;

    if (const int32_t minutes = context_.scan_settings.ScanEvery; minutes != 0) {
        StartScanTimer(std::chrono::minutes(minutes));
    }
    if (context_.scan_settings.HasFlag(LogEventBits::kLogStartProgram)) {
        engine_.Log().Add(EventKind::kGeneral, "%s", StringTable::Lookup(text_id::kProgramStart));
    }
}

MainWindow::~MainWindow() {
    // Nothing of the window may be reached through the engine from here on.
    engine_.AttachWindow(nullptr);
    engine_.AttachLogPane(nullptr);
    engine_.AttachSearchPane(nullptr);
}

void MainWindow::CreateSideButtons() {
    for (int id : kSideButtons) {
        auto* button = new FlatButton(this);
        button->setObjectName(QString("SideButton%1").arg(id));
        button->setGeometry(ToQRect(*DesignedRect(id)));
        connect(button, &QAbstractButton::clicked, this, [this, id] { OnSideButton(id); });
        side_buttons_[id] = button;
    }
}

void MainWindow::CreatePanes() {
    for (int pane : kPanes) {
        auto* container = new QWidget(this);
        container->setObjectName(QString("Pane%1").arg(pane));
        container->hide();
        pane_containers_[pane] = container;
    }
}

void MainWindow::CreatePaneContents() {
    auto* options = new OptionsTabControl(context_.store, context_.scan_settings, engine_.Games());
    SetPaneContent(kOptionsPane, options);
    connect(options, &OptionsTabControl::languageChanged, this,
            [this] { PostLanguageChanged(this); });
    connect(this, &MainWindow::languageApplied, options, &OptionsTabControl::UpdateCaptions);

    auto* hosts = new HostListPane(engine_.Scan().Hosts(), context_.store, context_.scan_settings);
    SetPaneContent(kHostListPane, hosts);
    // The host menu reads the programs as the options page holds them now.
    hosts->SetProgramsProvider([options] { return options->ExternalPrograms().Entries(); });
    connect(this, &MainWindow::hostListButtonsEnabled, hosts, &HostListPane::SetButtonsEnabled);
    connect(this, &MainWindow::languageApplied, hosts, &HostListPane::RetranslateUi);
    connect(this, &MainWindow::sideButtonClicked, hosts, &HostListPane::StartHostInfoHideTimer);
    connect(hosts, &HostListPane::StatusUpdate, this,
            [this](const QString& text) { ShowStatus(kHostListPane, text.toStdString()); });
    connect(hosts, &HostListPane::ActionFailed, this, [this](const QString& message) {
        ShowStatus(kHostListPane, message.toStdString());
        if (context_.scan_settings.HasFlag(LogEventBits::kLogInternalErrors)) {
            engine_.Log().Add(EventKind::kInternalError, "%s", message.toStdString().c_str());
        }
    });
    AddListLayoutSaver([hosts] { hosts->SaveLayout(); });

    // Pings and traces run on threads of their own pages, over the engine's network layer.
    SetPaneContent(3, new NetUtilsTabControl(context_.store, MakeSystemEchoSource(engine_.NetApi()),
                                             std::make_unique<SystemHostLookup>()));

    auto* search = new SearchPane(engine_.Search(), this);
    SetPaneControl(control_id::kSearchProgress, search->Folder());
    SetPaneControl(control_id::kSearchMask, search->Mask());
    SetPaneControl(control_id::kSearchButton, search->Button());
    SetPaneControl(control_id::kSearchResults, search->Results());
    search->RestoreLayout(context_.store);
    search->ShowCaption();
    engine_.AttachSearchPane(search);
    connect(this, &MainWindow::languageApplied, search, &SearchPane::ShowCaption);
    connect(search, &SearchPane::StatusUpdate, this, [this](const QString& text) {
        ShowStatus(PaneOfButton(control_id::kGlobalSearch), text.toStdString());
    });
    AddListLayoutSaver([this, search] { search->SaveLayout(context_.store); });

    CreateLocalSharesPane();

    auto* games = new GameServersPane(engine_.Handover(), context_.store);
    games->RestoreLayout();
    SetPaneContent(kGameServersPane, games);
    engine_.SetServerReportTarget(games);
    AddListLayoutSaver([games] { games->SaveLayout(); });
}

void MainWindow::CreateLocalSharesPane() {
    local_shares_ = new LocalSharesPane(context_.store, context_.scan_settings, engine_.Log(),
                                        LocalSharesPane::OptionsFromStore(context_.store), this);
    local_shares_->RestoreLayout();
    SetPaneControl(control_id::kSharesList, local_shares_->Shares());
    SetPaneControl(control_id::kSessionsList, local_shares_->Sessions());
    SetPaneControl(control_id::kFilesList, local_shares_->Files());
    AddListLayoutSaver([panel = local_shares_] { panel->SaveLayout(); });
    connect(this, &MainWindow::localSharesTick, local_shares_, [this] {
        const bool shown = current_pane_ == 5;
        const auto result = local_shares_->Tick(shown);
        if (shown && result.rows_changed) {
            ForceLayout();
        } else if (shown && result.note_changed) {
            ShowStatus(5, PaneStatusTitle(5));
        }
    });
    local_shares_->Start();
}

void MainWindow::RestorePlace() {
    SettingsStore& store = context_.store;
    // A first start opens as large as the design for the window's font, so nothing is cut.
    const PixelRect first = DefaultWindowRect(BaseUnitsOf(fontMetrics()));
    move(store.GetProfileInt(kMainSection, "WindowX", first.left),
         store.GetProfileInt(kMainSection, "WindowY", first.top));
    resize(store.GetProfileInt(kMainSection, "WindowW", first.Width()),
           store.GetProfileInt(kMainSection, "WindowH", first.Height()));
}

void MainWindow::SetCaptions() {
    const bool scanning = engine_.Driver().Running();
    for (auto& [id, button] : side_buttons_) {
        button->SetCaption(SideButtonCaption(id, scanning));
    }
    for (auto& [id, control] : pane_controls_) {
        auto* button = qobject_cast<QAbstractButton*>(control.data());
        if (button == nullptr) {
            continue;
        }
        if (const auto caption = ControlCaption(id)) {
            button->setText(*caption);
        }
    }
    for (auto& [pane, container] : pane_containers_) {
        container->setAccessibleName(QString::fromStdString(PaneStatusTitle(pane)));
    }
    pane_containers_[kHostListPane]->setAccessibleName(SideButtonCaption(control_id::kWork, false));
    emit languageApplied();
}

void MainWindow::AutoloadHostList() {
    if (!context_.scan_settings.HasFlag(ScanFlags::kAutoloadHostList)) {
        return;
    }
    constexpr char kMissing[] = "!!!ERROR!!!";
    if (context_.store.GetProfileString("Network", "LastSave", kMissing) == kMissing) {
        return;
    }
    const std::string path = context_.store.GetProfileString("Network", "LastSave", "");
    HostListFile::Read(engine_.Scan().Hosts(), path);
}

QWidget* MainWindow::PaneContainer(int pane) const {
    auto it = pane_containers_.find(pane);
    return it == pane_containers_.end() ? nullptr : it->second;
}

void MainWindow::SetPaneContent(int pane, QWidget* content) {
    QWidget* container = PaneContainer(pane);
    if (container == nullptr || content == nullptr) {
        return;
    }
    if (auto it = pane_contents_.find(pane); it != pane_contents_.end() && it->second != content) {
        delete it->second.data();
    }
    content->setParent(container);
    content->setGeometry(container->rect());
    content->show();
    pane_contents_[pane] = content;
    if (pane == current_pane_) {
        ForceLayout();
    }
}

void MainWindow::SetPaneControl(int id, QWidget* control) {
    const int pane = PaneOfControl(id);
    QWidget* container = PaneContainer(pane);
    if (container == nullptr || control == nullptr) {
        return;
    }
    if (auto it = pane_controls_.find(id); it != pane_controls_.end() && it->second != control) {
        delete it->second.data();
    }
    control->setParent(container);
    if (const auto designed = DesignedRect(id)) {
        control->resize(designed->Width(), designed->Height());
    }
    control->show();
    pane_controls_[id] = control;
    if (const auto caption = ControlCaption(id)) {
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            // Known by its caption, so a start button that becomes "Stop" is announced so.
            button->setText(*caption);
            button->setAccessibleName(QString());
        }
    }
    if (id == control_id::kSearchMask) {
        if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            edit->setText(QString::fromStdString(
                context_.store.GetProfileString("Search", "LastSearchMask", "")));
        }
    }
    if (id == control_id::kLoad || id == control_id::kSave || id == control_id::kClear) {
        control->setEnabled(!engine_.Driver().Running());
    }
    if (pane == current_pane_) {
        ForceLayout();
    }
}

QWidget* MainWindow::PaneControl(int id) const {
    auto it = pane_controls_.find(id);
    return it == pane_controls_.end() ? nullptr : it->second.data();
}

FlatButton* MainWindow::SideButton(int id) const {
    auto it = side_buttons_.find(id);
    return it == side_buttons_.end() ? nullptr : it->second;
}

void MainWindow::SwitchPane(int pane) {
    if (PaneContainer(pane) != nullptr) {
        Layout(pane, false);
    }
}

void MainWindow::ForceLayout() {
    if (current_pane_ != kNoPane) {
        Layout(current_pane_, true);
    }
}

void MainWindow::Layout(int pane, bool force) {
    if (!initialised_) {
        return;
    }
    if (pane != current_pane_) {
        if (QWidget* old = PaneContainer(current_pane_)) {
            old->hide();
        }
        current_pane_ = pane;
        status_line_->SetCurrentPane(pane);
        PaneContainer(pane)->show();
        last_laid_out_ = QRect();
    }
    const QRect client = rect();
    if (client == last_laid_out_ && !force) {
        return;
    }
    last_laid_out_ = client;
    PlaceFrame(client.width(), client.height());
    PlacePane(pane);
    ShowStatus(pane, PaneStatusTitle(pane));
}

void MainWindow::PlaceFrame(int width, int height) {
    for (const ControlPlace& place : LayoutFrame(width, height)) {
        const QRect rect = ToQRect(place.rect);
        if (place.id == control_id::kStatusLine) {
            status_line_->setGeometry(rect);
        } else if (FlatButton* button = SideButton(place.id)) {
            button->setGeometry(rect);
        }
    }
}

void MainWindow::PlacePane(int pane) {
    QWidget* container = PaneContainer(pane);
    const PixelRect pane_rect = PaneRect(width(), height());
    container->setGeometry(ToQRect(pane_rect));
    const QRect inside(0, 0, pane_rect.Width(), pane_rect.Height());
    if (auto it = pane_contents_.find(pane); it != pane_contents_.end()) {
        it->second->setGeometry(inside);
    }
    const auto places =
        LayoutPane(pane, {0, 0, pane_rect.Width(), pane_rect.Height()}, MeasurePaneNeeds());
    for (const ControlPlace& place : places) {
        if (QWidget* control = PaneControl(place.id)) {
            control->setGeometry(ToQRect(place.rect));
        }
    }
}

PaneNeeds MainWindow::MeasurePaneNeeds() const {
    return {NeededHeight(PaneControl(control_id::kSharesList)),
            NeededHeight(PaneControl(control_id::kSessionsList))};
}

std::string MainWindow::PaneStatusTitle(int pane) const {
    switch (pane) {
        case 0:
            return StringTable::Lookup(text_id::kAbout);
        case 1:
            return StringTable::Lookup(text_id::kOptions);
        case 3:
            return StringTable::Lookup(text_id::kNetUtils);
        case 4:
            return kGlobalSearchPrompt;
        case 5:
            // What the monitor cannot read, said once beside the title rather than left empty.
            return local_shares_ == nullptr || local_shares_->Note().isEmpty()
                       ? "Local shares"
                       : "Local shares: " + local_shares_->Note().toStdString();
        case 7:
            return "Log";
        case 8:
            return "Game servers list";
        default:
            return "";  // the host list pane shows its counts
    }
}

void MainWindow::OnSideButton(int id) {
    if (id == control_id::kExit) {
        close();
        return;
    }
    if (id == control_id::kRefresh) {
        Refresh();
    } else {
        SwitchPane(PaneOfButton(id));
    }
    emit sideButtonClicked(id);
}

void MainWindow::Refresh() {
    if (closed_) {
        return;
    }
    SwitchPane(kHostListPane);
    engine_.Driver().Refresh();
}

void MainWindow::SetScanButtonText(const QString& text) {
    if (FlatButton* button = SideButton(control_id::kRefresh)) {
        button->SetCaption(text);
    }
}

void MainWindow::SetHostListButtonsEnabled(bool enabled) {
    for (int id : {control_id::kLoad, control_id::kSave, control_id::kClear}) {
        if (QWidget* control = PaneControl(id)) {
            control->setEnabled(enabled);
        }
    }
    emit hostListButtonsEnabled(enabled);
}

void MainWindow::StopScanTimer() {
    scan_timer_->stop();
}

void MainWindow::StartScanTimer(std::chrono::milliseconds period) {
    if (closed_) {
        return;
    }
    scan_timer_->start(period);
}

void MainWindow::ShowStatus(int pane, const std::string& text) {
    status_line_->Update(pane, text);
}

void MainWindow::AddListLayoutSaver(std::function<void()> save) {
    list_layout_savers_.push_back(std::move(save));
}

void MainWindow::ApplyLanguageChange() {
    StringTable::LoadLanguage(
        context_.store.GetProfileString(kMainSection, "DefaultLng", kBuiltinLanguageName));
    SetCaptions();
    update();
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == LanguageChangedEvent()) {
        ApplyLanguageChange();
        return true;
    }
    return QWidget::event(event);
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!first_show_done_) {
        first_show_done_ = true;
        SwitchPane(kHostListPane);
    }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (current_pane_ != kNoPane) {
        Layout(current_pane_, false);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        closed_ = true;
        SaveOnClose();
        scan_timer_->stop();
        local_shares_timer_->stop();
        local_shares_->Stop();
        // Workers are asked to stop and can no longer reach the window; the engine waits for
        // them when it goes, after the window.
        engine_.BeginShutdown();
    }
    event->accept();
}

void MainWindow::SaveOnClose() {
    if (context_.scan_settings.HasFlag(LogEventBits::kLogCloseProgram)) {
        engine_.Log().Add(EventKind::kGeneral, "%s", StringTable::Lookup(text_id::kProgramClose));
    }
    for (const auto& save : list_layout_savers_) {
        save();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(PaneControl(control_id::kSearchMask))) {
        context_.store.WriteProfileString("Search", "LastSearchMask", edit->text().toStdString());
    }
    if (!isMinimized()) {
        SettingsStore& store = context_.store;
        const QPoint place = pos();
        store.WriteProfileInt(kMainSection, "WindowX", place.x());
        store.WriteProfileInt(kMainSection, "WindowY", place.y());
        store.WriteProfileInt(kMainSection, "WindowW", width());
        store.WriteProfileInt(kMainSection, "WindowH", height());
    }
}

std::unique_ptr<MainWindow> MakeProgramWindow(AppContext& context) {
    auto engine = std::make_shared<AppEngine>(context);
    context.engine = engine;
    return std::make_unique<MainWindow>(context, *engine);
}

}  // namespace corvimap
