#include "games/game_server_type.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "games/game_server_browser.h"
#include "settings/memory_settings_store.h"

namespace corvimap {
namespace {

const char kQwSection[] = "GameServers\\QuakeWorld";

TEST(GameServerBrowserTest, EmptyStoreGivesDefaultsAndSavingWritesThemPerType) {
    MemorySettingsStore store;
    {
        GameServerBrowser browser(store);
        ASSERT_EQ(browser.Count(), 3u);
        for (size_t i = 0; i < browser.Count(); ++i) {
            const GameServerType& type = browser.At(i);
            EXPECT_FALSE(type.CheckedDuringScan()) << "nothing is asked until the game is checked";
            EXPECT_EQ(*type.Ports(), std::vector<uint16_t>{type.DefaultPort()}) << type.Name();
        }
        EXPECT_EQ(store.Size(), 0u) << "loading never writes";
    }
    EXPECT_EQ(store.Size(), 15u) << "the browser saves every type when it goes";
    EXPECT_EQ(store.GetProfileInt("GameServers\\Quake III Arena", "Port_00", -1), 27960);
}

TEST(GameServerBrowserTest, FindIsExactAndCaseSensitiveAndSaveAllWritesChanges) {
    MemorySettingsStore store;
    GameServerBrowser browser(store);
    EXPECT_EQ(browser.Find("Quake II"), &browser.At(1));
    EXPECT_EQ(browser.Find("quakeworld"), nullptr);

    GameServerType& qw = *browser.Find("QuakeWorld");
    qw.SetFlag(kGameCheckThisGame, true);
    EXPECT_TRUE(qw.CheckedDuringScan());
    qw.SetFlag(kGameCheckDuringScan, false);
    EXPECT_FALSE(qw.CheckedDuringScan());
    qw.SetFlags(0xFFFFFFE3u);  // bits 5 to 31 are kept as read
    qw.SetPathToSound("/home/me/found.wav");
    qw.SetPathToGame("/usr/games/ezquake");
    EXPECT_FALSE(qw.AddNewPort(27500)) << "the default port is never added";
    for (uint16_t port = 27501; port <= 27511; ++port) {
        EXPECT_TRUE(qw.AddNewPort(port));
    }
    EXPECT_FALSE(qw.AddNewPort(27501));
    browser.SaveAll();
    EXPECT_EQ(store.GetProfileInt(kQwSection, "Flags", 0), static_cast<int32_t>(0xFFFFFFE3u));
    // Port value names count in lower-case hex with at least two digits.
    EXPECT_EQ(store.GetProfileInt(kQwSection, "Port_0a", 0), 27510);
    EXPECT_FALSE(store.Contains(kQwSection, "Port_10"));

    GameServerBrowser again(store);
    EXPECT_EQ(again.At(0).Flags(), 0xFFFFFFE3u);
    EXPECT_EQ(again.At(0).PathToGame(), "/usr/games/ezquake");
    EXPECT_EQ(again.At(0).PathToSound(), "/home/me/found.wav");
    EXPECT_EQ(*again.At(0).Ports(), *qw.Ports());
    EXPECT_EQ(qw.Ports()->size(), 12u);
}

TEST(GameServerTypeTest, StoredPortListsLoadAsStoredWithDefaultsAndLow16Bits) {
    MemorySettingsStore store;
    store.WriteProfileInt(kQwSection, "PortsNumb", 4);
    store.WriteProfileInt(kQwSection, "Port_00", 27501);
    store.WriteProfileInt(kQwSection, "Port_02", 65536 + 27502);
    store.WriteProfileInt(kQwSection, "Port_03", -1);
    GameServerType type(&QueryQuakeWorld, "QuakeWorld", 27500, 6);
    type.Load(store);
    EXPECT_EQ(*type.Ports(), (std::vector<uint16_t>{27501, 27500, 27502, 65535}));

    // A negative count: no ports, never asked; saved as 0, which reads back as the default.
    store.WriteProfileInt(kQwSection, "PortsNumb", -3);
    type.Load(store);
    EXPECT_TRUE(type.Ports()->empty());
    type.Save(store);
    EXPECT_EQ(store.GetProfileInt(kQwSection, "PortsNumb", -1), 0);
    EXPECT_EQ(store.GetProfileInt(kQwSection, "Port_03", 0), -1) << "old values stay";
    type.Load(store);
    EXPECT_EQ(*type.Ports(), std::vector<uint16_t>{27500});

    // A corrupt, huge count is bounded instead of reading two billion values.
    store.WriteProfileInt(kQwSection, "PortsNumb", 0x7FFFFFFF);
    type.Load(store);
    EXPECT_EQ(type.Ports()->size(), static_cast<size_t>(kMaxStoredPorts));
    EXPECT_EQ((*type.Ports())[0], 27501);
    EXPECT_EQ((*type.Ports())[4], 27500);
}

// Workers take port lists while the options page appends and removes ports. Every list a
// worker sees must be one the page published (here always 1, 2, ..., k), and a list once taken
// must never change under it.
TEST(GameServerTypeTest, WorkersReadConsistentPortListsWhileTheyChange) {
    GameServerType type(&QueryQuakeWorld, "QuakeWorld", 27500, 6);
    type.SetPorts({1});
    std::atomic<bool> done{false};
    std::atomic<int> bad_lists{0};
    std::atomic<long> lists_read{0};

    std::vector<std::jthread> workers;
    for (int w = 0; w < 4; ++w) {
        workers.emplace_back([&] {
            while (!done.load()) {
                const GameServerType::PortList ports = type.Ports();
                const std::vector<uint16_t> copy = *ports;
                for (size_t i = 0; i < ports->size(); ++i) {
                    if ((*ports)[i] != i + 1) {
                        ++bad_lists;
                    }
                }
                (void)type.CheckedDuringScan();
                std::this_thread::yield();
                if (*ports != copy) {
                    ++bad_lists;
                }
                ++lists_read;
            }
        });
    }
    // Until the readers have surely read while the list changed, however late they start.
    for (int round = 0; round < 20000 || lists_read.load() < 1000; ++round) {
        const size_t size = type.Ports()->size();
        if (size < 64 && round % 3 != 2) {
            type.AddPort(static_cast<uint16_t>(size + 1));
        } else {
            type.RemovePortAt(size - 1);
        }
        type.SetFlag(kGameCheckThisGame, round % 2 == 0);
    }
    done = true;
    workers.clear();  // joins them
    EXPECT_EQ(bad_lists.load(), 0);
    EXPECT_GT(lists_read.load(), 0);
}

}  // namespace
}  // namespace corvimap
