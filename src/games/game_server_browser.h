#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "games/game_server_type.h"
#include "settings/settings_store.h"

namespace corvimap {

inline constexpr char kQuakeWorldName[] = "QuakeWorld";
inline constexpr char kQuake2Name[] = "Quake II";
inline constexpr char kQuake3Name[] = "Quake III Arena";
inline constexpr uint16_t kQuakeWorldDefaultPort = 27500;
inline constexpr uint16_t kQuake2DefaultPort = 27910;
inline constexpr uint16_t kQuake3DefaultPort = 27960;
inline constexpr uint8_t kQuakeWorldImage = 6;
inline constexpr uint8_t kQuake2Image = 7;
inline constexpr uint8_t kQuake3Image = 8;

// Owner of the game server types, in registration order: the order in which hosts are asked
// and in which the options page lists them. Built on the user-interface thread before any scan
// starts; afterwards the list itself never changes, only the types' settings do.
class GameServerBrowser {
public:
    // Registers QuakeWorld, Quake II and Quake III Arena, each loaded from the store, which must
    // outlive the browser.
    explicit GameServerBrowser(SettingsStore& store);
    // Saves every type: settings changed during a run reach the store at the end.
    ~GameServerBrowser();
    GameServerBrowser(const GameServerBrowser&) = delete;
    GameServerBrowser& operator=(const GameServerBrowser&) = delete;

    // Creates a type, loads its settings and appends it.
    GameServerType& Register(GameServerQuery query, std::string name, uint16_t default_port,
                             uint8_t image_index);

    // The first type with exactly this name (case-sensitive), or none.
    GameServerType* Find(std::string_view name);
    const GameServerType* Find(std::string_view name) const;

    size_t Count() const { return types_.size(); }
    GameServerType& At(size_t index) { return *types_[index]; }
    const GameServerType& At(size_t index) const { return *types_[index]; }

    // Writes every type's settings, in list order.
    void SaveAll();

private:
    SettingsStore& store_;
    std::vector<std::unique_ptr<GameServerType>> types_;
};

}  // namespace corvimap
