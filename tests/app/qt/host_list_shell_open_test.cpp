#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>

#include "app/qt/shell_open.h"
#include "settings/memory_settings_store.h"

namespace corvimap {
namespace {

TEST(ShellOpenTest, NetworkPathsBecomeSmbUrlsAndOtherTextsNone) {
    const std::pair<const char*, const char*> cases[] = {
        {"\\\\192.168.0.7", "smb://192.168.0.7/"},
        {"\\\\192.168.0.7\\C", "smb://192.168.0.7/C"},
        {"\\\\h\\My Share\\dir\\a#b.mp3", "smb://h/My%20Share/dir/a%23b.mp3"},
        {"C:\\x", ""},
        {"\\\\", ""},
        {"\\\\\\share", ""},
        {"", ""}};
    for (const auto& [path, url] : cases) {
        const QUrl made = NetworkPathToUrl(path);
        EXPECT_EQ(made.isValid() ? made.toEncoded().toStdString() : "", url) << path;
    }
}

TEST(ShellOpenTest, RequestsRunOnTheirOwnThreadAndOpenOnTheUiThreadWithTheStoredVerb) {
    MemorySettingsStore store;
    auto worker = std::make_unique<ShellOpenWorker>(store);
    std::vector<std::pair<std::string, std::string>> opened;
    QThread* opened_on = nullptr;
    worker->SetOpener([&](const QUrl& url, const std::string& verb) {
        opened.emplace_back(url.toString().toStdString(), verb);
        opened_on = QThread::currentThread();
        return true;
    });
    worker->Open("\\\\198.18.0.7");
    worker->WaitIdle();
    EXPECT_TRUE(opened.empty()) << "the desktop is asked on the UI thread's next turn";
    QApplication::processEvents();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], (std::pair<std::string, std::string>{"smb://198.18.0.7/", "open"}));
    EXPECT_EQ(opened_on, QThread::currentThread());

    store.WriteProfileString("Network", "OpenExplore", "explore");
    worker->Open("\\\\198.18.0.7\\D");
    worker->Open("not a network path");
    worker->WaitIdle();
    QApplication::processEvents();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1], (std::pair<std::string, std::string>{"smb://198.18.0.7/D", "explore"}));

    // A worker that goes before the UI thread came round drops what it had not delivered.
    worker->Open("\\\\198.18.0.8");
    worker.reset();
    QApplication::processEvents();
    EXPECT_EQ(opened.size(), 2u);
}

}  // namespace
}  // namespace corvimap
