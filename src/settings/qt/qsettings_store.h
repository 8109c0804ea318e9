#pragma once

#include <QSettings>
#include <functional>
#include <memory>
#include <mutex>

#include "settings/settings_store.h"

namespace corvimap {

// The settings store on Linux: QSettings("Tarvok", "Corvimap"), i.e. the INI file
// ~/.config/Tarvok/Corvimap.conf. A section "A\B" is the QSettings group "A/B". One QSettings
// object behind a mutex, synced after every write so that each call is complete by itself; a
// write of the value the file already holds touches nothing.
class QSettingsStore final : public SettingsStore {
public:
    // The user's store, rooted at the company and application names.
    QSettingsStore(const QString& company, const QString& application);
    // A store in the given INI file (tests, tools).
    explicit QSettingsStore(const QString& ini_file);
    ~QSettingsStore() override;

    int32_t GetProfileInt(std::string_view section, std::string_view name,
                          int32_t fallback) const override;
    std::string GetProfileString(std::string_view section, std::string_view name,
                                 std::string_view fallback) const override;
    std::optional<std::vector<uint8_t>> GetProfileBinary(std::string_view section,
                                                         std::string_view name) const override;

    void WriteProfileInt(std::string_view section, std::string_view name, int32_t value) override;
    void WriteProfileString(std::string_view section, std::string_view name,
                            std::string_view value) override;
    void WriteProfileBinary(std::string_view section, std::string_view name,
                            const std::vector<uint8_t>& value) override;

    // Called with the file's name when a write cannot reach the file (a read-only folder, a full
    // disk); the value is still kept in memory and the file keeps what it had. Called once per
    // run of failures, on the writing thread, with no lock held.
    void SetWriteFailureHandler(std::function<void(const QString& file)> handler);

private:
    QVariant Read(std::string_view section, std::string_view name) const;
    void Write(std::string_view section, std::string_view name, const QVariant& value);

    mutable std::mutex mutex_;
    std::unique_ptr<QSettings> settings_;
    std::function<void(const QString&)> on_write_failure_;
    bool write_failed_ = false;  // the last sync failed and the handler was told
};

// "Network\Groups" + "GroupsNumb" -> "Network/Groups/GroupsNumb".
QString SettingsKey(std::string_view section, std::string_view name);

}  // namespace corvimap
