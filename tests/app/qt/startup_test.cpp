#include "app/qt/startup.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QTimer>
#include <csignal>

#include "settings/qt/qsettings_store.h"
#include "support/temp_dir.h"
#include "text/string_table.h"

namespace corvimap {
namespace {

using testing::TempDir;

// A window that records whether it went through its close handling and can act while shown.
class ProbeWindow final : public QWidget {
public:
    explicit ProbeWindow(std::function<void(QWidget&)> on_show) : on_show_(std::move(on_show)) {}
    static inline int closed_count = 0;

protected:
    void showEvent(QShowEvent*) override {
        QTimer::singleShot(0, this, [this] { on_show_(*this); });
    }
    void closeEvent(QCloseEvent* event) override {
        ++closed_count;
        event->accept();
    }

private:
    std::function<void(QWidget&)> on_show_;
};

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override { ProbeWindow::closed_count = 0; }
    QString File() const { return QString::fromStdString(dir_.File("Corvimap.conf").string()); }

    int Run(std::function<void(AppContext&, QWidget&)> while_shown) {
        QSettingsStore store(File());
        return RunProgram(store, [while_shown](AppContext& context) {
            return std::make_unique<ProbeWindow>(
                [&context, while_shown](QWidget& window) { while_shown(context, window); });
        });
    }
    TempDir dir_;
};

TEST_F(StartupTest, FirstStartWritesTheDefaultScanSettingsWhenSigtermClosesTheWindow) {
    EXPECT_EQ(Run([](AppContext&, QWidget&) { std::raise(SIGTERM); }), 0);
    EXPECT_EQ(ProbeWindow::closed_count, 1) << "the signal closes the window like its button";
    EXPECT_EQ(QSettingsStore(File()).GetProfileInt("Network", "ThreadsOfScan", -1), 7);
}

TEST_F(StartupTest, SavesTheGroupCurrentAtExitNotTheOneCurrentAtStart) {
    {
        QSettingsStore store(File());
        store.WriteProfileString("Network\\Groups", "DefaultGroup", "Office");
        store.WriteProfileInt("Network\\Groups\\Office", "PingTimeout", 200);
        store.WriteProfileInt("GlobalFlags", "FlagsGroup0", 0x83);
    }
    int seen_timeout = -1;
    Run([&seen_timeout](AppContext& context, QWidget&) {
        seen_timeout = context.scan_settings.PingTimeout;
        // What the options page does when the user picks another group.
        SaveScanSettings(context.store, "Office", context.scan_settings);
        context.store.WriteProfileString("Network\\Groups", "DefaultGroup", "Lab Two");
        LoadScanSettings(context.store, "Lab Two", context.scan_settings);
        context.scan_settings.ThreadsOfScan = 32;
        std::raise(SIGINT);
    });
    EXPECT_EQ(seen_timeout, 200);
    QSettingsStore store(File());
    EXPECT_EQ(store.GetProfileInt("Network\\Groups\\Lab Two", "ThreadsOfScan", -1), 32);
    EXPECT_EQ(store.GetProfileInt("GlobalFlags", "FlagsGroup0", -1), 0x83) << "Default untouched";
    EXPECT_EQ(store.GetProfileInt("Network", "ThreadsOfScan", -1), -1) << "Default not written";
}

TEST_F(StartupTest, LoadsTheChosenLanguageBeforeTheWindowIsBuilt) {
    StringTable::SetLanguageFolders({CORVIMAP_LANGUAGE_DIR});
    {
        QSettingsStore store(File());
        store.WriteProfileString("Main", "DefaultLng", "deutsch");
    }
    std::string refresh_text;
    Run([&refresh_text](AppContext&, QWidget& window) {
        refresh_text = StringTable::Lookup(3);
        window.close();
    });
    StringTable::UseBuiltIn();
    EXPECT_EQ(StringTable::CurrentLanguageName(), "English");
    EXPECT_EQ(refresh_text, "Aktualisieren");
}

}  // namespace
}  // namespace corvimap
