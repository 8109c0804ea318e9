#include "games/game_server_browser.h"

namespace corvimap {

GameServerBrowser::GameServerBrowser(SettingsStore& store) : store_(store) {
    Register(&QueryQuakeWorld, kQuakeWorldName, kQuakeWorldDefaultPort, kQuakeWorldImage);
    Register(&QueryQuake2, kQuake2Name, kQuake2DefaultPort, kQuake2Image);
    Register(&QueryQuake3, kQuake3Name, kQuake3DefaultPort, kQuake3Image);
}

GameServerBrowser::~GameServerBrowser() {
    SaveAll();
}

GameServerType& GameServerBrowser::Register(GameServerQuery query, std::string name,
                                            uint16_t default_port, uint8_t image_index) {
    auto type = std::make_unique<GameServerType>(std::move(query), std::move(name), default_port,
                                                 image_index);
    type->Load(store_);
    types_.push_back(std::move(type));
    return *types_.back();
}

GameServerType* GameServerBrowser::Find(std::string_view name) {
    for (const auto& type : types_) {
        if (type->Name() == name) {
            return type.get();
        }
    }
    return nullptr;
}

const GameServerType* GameServerBrowser::Find(std::string_view name) const {
    for (const auto& type : types_) {
        if (type->Name() == name) {
            return type.get();
        }
    }
    return nullptr;
}

void GameServerBrowser::SaveAll() {
    for (const auto& type : types_) {
        type->Save(store_);
    }
}

}  // namespace corvimap
