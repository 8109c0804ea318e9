#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "games/game_query.h"
#include "settings/settings_store.h"

namespace corvimap {

// Option bits of a game server type, as the options page labels them.
inline constexpr uint32_t kGameCheckThisGame = 0x01;
inline constexpr uint32_t kGameCheckDuringScan = 0x02;
inline constexpr uint32_t kGameCheckInLocalNetwork = 0x04;  // kept and saved only
inline constexpr uint32_t kGameAddToLog = 0x08;             // kept and saved only
inline constexpr uint32_t kGameSoundIfFound = 0x10;         // kept and saved only
inline constexpr uint32_t kDefaultGameFlags = kGameCheckDuringScan;

// A store with a huge "PortsNumb" would otherwise stall the start reading billions of defaults;
// no list the options page builds can exceed one entry per port number.
inline constexpr int32_t kMaxStoredPorts = 65536;

// "GameServers\" + name: the section of a type's settings.
std::string GameServerSection(std::string_view type_name);
// "Port_%2.2x": Port_00 ... Port_09, Port_0a, Port_ff, Port_100.
std::string PortValueName(size_t index);

// One supported game: its query protocol and the settings that say whether and where to look
// for its servers. Probe workers read the flags, ports and query while the options page changes
// the flags and the ports on the user-interface thread: the flags are atomic and the port list
// is replaced as a whole, so a worker's snapshot never changes under it.
class GameServerType {
public:
    using PortList = std::shared_ptr<const std::vector<uint16_t>>;

    GameServerType(GameServerQuery query, std::string name, uint16_t default_port,
                   uint8_t image_index);

    const std::string& Name() const { return name_; }
    uint16_t DefaultPort() const { return default_port_; }
    // The picture in the shared image list, and the kind of marker a found server leaves.
    uint8_t ImageIndex() const { return image_index_; }
    const GameServerQuery& Query() const { return query_; }

    uint32_t Flags() const { return flags_.load(); }
    void SetFlags(uint32_t flags) { flags_.store(flags); }
    void SetFlag(uint32_t mask, bool on);
    // Queried on every live host: both "Check this game" and "Check during the scanning" set.
    bool CheckedDuringScan() const;

    // The ports in list order (the same value may occur twice). The snapshot stays valid and
    // unchanged however the list changes afterwards.
    PortList Ports() const;
    void SetPorts(std::vector<uint16_t> ports);
    void AddPort(uint16_t port);
    // Appends the port unless it is the default port or already listed; true when appended.
    bool AddNewPort(uint16_t port);
    // Removes the port at index; false when there is none.
    bool RemovePortAt(size_t index);

    std::string PathToGame() const;
    void SetPathToGame(std::string path);
    std::string PathToSound() const;
    void SetPathToSound(std::string path);

    // Reads "Flags", the paths and the ports from the type's section, with their defaults.
    void Load(const SettingsStore& store);
    // Writes them back; port values beyond "PortsNumb" from an earlier, longer list stay.
    void Save(SettingsStore& store) const;

private:
    const GameServerQuery query_;
    const std::string name_;
    const uint16_t default_port_;
    const uint8_t image_index_;

    std::atomic<uint32_t> flags_{kDefaultGameFlags};
    mutable std::mutex mutex_;  // guards the members below
    PortList ports_;
    std::string path_to_game_;
    std::string path_to_sound_;
};

}  // namespace corvimap
