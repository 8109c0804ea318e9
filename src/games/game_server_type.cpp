#include "games/game_server_type.h"

#include <algorithm>
#include <cstdio>

namespace corvimap {

std::string GameServerSection(std::string_view type_name) {
    return "GameServers\\" + std::string(type_name);
}

std::string PortValueName(size_t index) {
    char name[32];
    std::snprintf(name, sizeof name, "Port_%2.2zx", index);
    return name;
}

GameServerType::GameServerType(GameServerQuery query, std::string name, uint16_t default_port,
                               uint8_t image_index)
    : query_(std::move(query)),
      name_(std::move(name)),
      default_port_(default_port),
      image_index_(image_index),
      ports_(std::make_shared<const std::vector<uint16_t>>(1, default_port)) {}

void GameServerType::SetFlag(uint32_t mask, bool on) {
    if (on) {
        flags_.fetch_or(mask);
    } else {
        flags_.fetch_and(~mask);
    }
}

bool GameServerType::CheckedDuringScan() const {
    constexpr uint32_t both = kGameCheckThisGame | kGameCheckDuringScan;
    return (flags_.load() & both) == both;
}

GameServerType::PortList GameServerType::Ports() const {
    std::lock_guard lock(mutex_);
    return ports_;
}

void GameServerType::SetPorts(std::vector<uint16_t> ports) {
    auto list = std::make_shared<const std::vector<uint16_t>>(std::move(ports));
    std::lock_guard lock(mutex_);
    ports_ = std::move(list);
}

void GameServerType::AddPort(uint16_t port) {
    std::lock_guard lock(mutex_);
    auto list = std::make_shared<std::vector<uint16_t>>(*ports_);
    list->push_back(port);
    ports_ = std::move(list);
}

bool GameServerType::AddNewPort(uint16_t port) {
    std::lock_guard lock(mutex_);
    if (port == default_port_ || std::find(ports_->begin(), ports_->end(), port) != ports_->end()) {
        return false;
    }
    auto list = std::make_shared<std::vector<uint16_t>>(*ports_);
    list->push_back(port);
    ports_ = std::move(list);
    return true;
}

bool GameServerType::RemovePortAt(size_t index) {
    std::lock_guard lock(mutex_);
    if (index >= ports_->size()) {
        return false;
    }
    auto list = std::make_shared<std::vector<uint16_t>>(*ports_);
    list->erase(list->begin() + static_cast<std::ptrdiff_t>(index));
    ports_ = std::move(list);
    return true;
}

std::string GameServerType::PathToGame() const {
    std::lock_guard lock(mutex_);
    return path_to_game_;
}

void GameServerType::SetPathToGame(std::string path) {
    std::lock_guard lock(mutex_);
    path_to_game_ = std::move(path);
}

std::string GameServerType::PathToSound() const {
    std::lock_guard lock(mutex_);
    return path_to_sound_;
}

void GameServerType::SetPathToSound(std::string path) {
    std::lock_guard lock(mutex_);
    path_to_sound_ = std::move(path);
}

void GameServerType::Load(const SettingsStore& store) {
    const std::string section = GameServerSection(name_);
    SetFlags(static_cast<uint32_t>(
        store.GetProfileInt(section, "Flags", static_cast<int32_t>(kDefaultGameFlags))));
    SetPathToGame(store.GetProfileString(section, "PathToGame", ""));
    SetPathToSound(store.GetProfileString(section, "PathToSound", ""));

    // 0 stands for "the default port only"; a negative count leaves the type without ports.
    const int32_t count = std::min(store.GetProfileInt(section, "PortsNumb", 0), kMaxStoredPorts);
    std::vector<uint16_t> ports;
    if (count == 0) {
        ports.push_back(default_port_);
    }
    for (int32_t i = 0; i < count; ++i) {
        ports.push_back(static_cast<uint16_t>(
            store.GetProfileInt(section, PortValueName(static_cast<size_t>(i)), default_port_)));
    }
    SetPorts(std::move(ports));
}

void GameServerType::Save(SettingsStore& store) const {
    const std::string section = GameServerSection(name_);
    store.WriteProfileInt(section, "Flags", static_cast<int32_t>(Flags()));
    store.WriteProfileString(section, "PathToGame", PathToGame());
    store.WriteProfileString(section, "PathToSound", PathToSound());
    const PortList ports = Ports();
    store.WriteProfileInt(section, "PortsNumb", static_cast<int32_t>(ports->size()));
    for (size_t i = 0; i < ports->size(); ++i) {
        store.WriteProfileInt(section, PortValueName(i), (*ports)[i]);
    }
}

}  // namespace corvimap
