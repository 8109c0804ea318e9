#include "app/qt/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include "app/qt/app_engine.h"
#include "app/qt/app_icon.h"
#include "app/qt/language_changed.h"
#include "app/qt/pane_containers.h"
#include "app/qt/pane_setup.h"
#include "app/qt/side_button_bar.h"
#include "app/qt/status_line.h"
#include "app/qt/tray_minimizer.h"
#include "app/version_info.h"
#include "controls/qt/column_widths.h"
#include "controls/qt/flat_button.h"
#include "engine/host_list_file.h"
#include "engine/scan_flags.h"
#include "localshares/qt/local_shares_pane.h"
#include "log/event_kinds.h"
#include "log/qt/log_pane.h"
#include "settings/qt/qsettings_store.h"
#include "text/builtin_strings.h"
#include "text/string_table.h"
#include "text/text_fill.h"

namespace corvimap {
namespace {

constexpr char kMainSection[] = "Main";
constexpr int kLocalSharesPeriodMs = 160;

QRect ToQRect(const PixelRect& rect) {
    return QRect(rect.left, rect.top, rect.Width(), rect.Height());
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

    side_buttons_ = std::make_unique<SideButtonBar>(this, [this](int id) { OnSideButton(id); });
    status_line_ = new StatusLine(
        [this] {
            return HostCounts{engine_.Scan().FoundCount(), engine_.Scan().Hosts().Count()};
        },
        this);
    status_line_->setGeometry(ToQRect(*DesignedRect(control_id::kStatusLine)));
    panes_ = std::make_unique<PaneContainers>(this);

    // The log list first, so the messages of the start reach it.
    log_pane_ = new LogPane(context_.store, context_.store.GetProfileInt(
                                                "LogOptions", "MaxLogLines", kDefaultMaxLogLines));
    SetPaneContent(kLogPane, log_pane_);
    engine_.AttachLogPane(log_pane_);
    engine_.AttachWindow(this);
    engine_.Log().LoadSettings();
    ReportSettingsWriteFailures();
    local_shares_ = InstallPaneContents(*this, context_, engine_);
    CreateTimers();

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

void MainWindow::ReportSettingsWriteFailures() {
    auto* settings = dynamic_cast<QSettingsStore*>(&context_.store);
    if (settings == nullptr) {
        return;
    }
    // A settings file that cannot be written is told once, in the status line and the log.
    const QPointer<MainWindow> window(this);
    settings->SetWriteFailureHandler([window](const QString& file) {
        QMetaObject::invokeMethod(
            qApp,
            [window, file] {
                if (!window) {
                    return;
                }
                const std::string text =
                    FillText(StringTable::Lookup(text_id::kSettingsNotSaved), {file.toStdString()});
                window->ShowStatus(window->current_pane_, text);
                window->engine_.Log().Add(EventKind::kInternalError, "%s", text.c_str());
            },
            Qt::QueuedConnection);
    });
}

void MainWindow::CreateTimers() {
    scan_timer_ = new QTimer(this);
    scan_timer_->setObjectName("ScanTimer");
    connect(scan_timer_, &QTimer::timeout, this, &MainWindow::Refresh);
    local_shares_timer_ = new QTimer(this);
    local_shares_timer_->setObjectName("LocalSharesTimer");
    connect(local_shares_timer_, &QTimer::timeout, this, &MainWindow::localSharesTick);
    local_shares_timer_->start(kLocalSharesPeriodMs);
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
    side_buttons_->SetCaptions(engine_.Driver().Running());
    panes_->SetControlCaptions();
    for (int pane : kPanes) {
        panes_->Container(pane)->setAccessibleName(QString::fromStdString(PaneTitle(pane)));
    }
    panes_->Container(kHostListPane)
        ->setAccessibleName(SideButtonCaption(control_id::kWork, false));
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
    return panes_->Container(pane);
}

void MainWindow::SetPaneContent(int pane, QWidget* content) {
    if (panes_->SetContent(pane, content) && pane == current_pane_) {
        ForceLayout();
    }
}

void MainWindow::SetPaneControl(int id, QWidget* control) {
    const int pane = panes_->SetControl(id, control);
    if (pane == kNoPane) {
        return;
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
    return panes_->Control(id);
}

FlatButton* MainWindow::SideButton(int id) const {
    return side_buttons_->Button(id);
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
    panes_->Place(pane, client.width(), client.height());
    ShowStatus(pane, PaneTitle(pane));
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

std::string MainWindow::PaneTitle(int pane) const {
    return PaneStatusTitle(pane, local_shares_ == nullptr ? QString() : local_shares_->Note());
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
