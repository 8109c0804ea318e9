#include "settings/qt/qsettings_store.h"

#include <climits>

namespace corvimap {
namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString SettingsKey(std::string_view section, std::string_view name) {
    QString key = FromUtf8(section);
    key.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!key.isEmpty()) {
        key += QLatin1Char('/');
    }
    return key + FromUtf8(name);
}

namespace {

// Whether the file already holds this value. A number read back from the file is text, so
// numbers and texts compare by their text; byte arrays compare as bytes.
bool SameStoredValue(const QVariant& stored, const QVariant& value) {
    if (!stored.isValid()) {
        return false;
    }
    const bool stored_bytes = stored.typeId() == QMetaType::QByteArray;
    const bool value_bytes = value.typeId() == QMetaType::QByteArray;
    if (stored_bytes || value_bytes) {
        return stored_bytes && value_bytes && stored.toByteArray() == value.toByteArray();
    }
    return stored.toString() == value.toString();
}

}  // namespace

QSettingsStore::QSettingsStore(const QString& company, const QString& application)
    : settings_(std::make_unique<QSettings>(company, application)) {}

QSettingsStore::QSettingsStore(const QString& ini_file)
    : settings_(std::make_unique<QSettings>(ini_file, QSettings::IniFormat)) {}

QSettingsStore::~QSettingsStore() {
    std::lock_guard lock(mutex_);
    settings_->sync();
}

QVariant QSettingsStore::Read(std::string_view section, std::string_view name) const {
    const QString key = SettingsKey(section, name);
    std::lock_guard lock(mutex_);
    return settings_->value(key);
}

void QSettingsStore::SetWriteFailureHandler(std::function<void(const QString& file)> handler) {
    std::lock_guard lock(mutex_);
    on_write_failure_ = std::move(handler);
}

void QSettingsStore::Write(std::string_view section, std::string_view name, const QVariant& value) {
    const QString key = SettingsKey(section, name);
    std::function<void(const QString&)> tell;
    QString file;
    {
        std::lock_guard lock(mutex_);
        if (!write_failed_ && SameStoredValue(settings_->value(key), value)) {
            // Every write rewrites and syncs the whole file; closing the window stores dozens
            // of values that have not changed, and rewriting for each made closing slow.
            return;
        }
        settings_->setValue(key, value);
        settings_->sync();
        const bool failed = settings_->status() != QSettings::NoError;
        if (failed && !write_failed_) {
            tell = on_write_failure_;
            file = settings_->fileName();
        }
        write_failed_ = failed;
    }
    if (tell) {
        tell(file);
    }
}

int32_t QSettingsStore::GetProfileInt(std::string_view section, std::string_view name,
                                      int32_t fallback) const {
    const QVariant value = Read(section, name);
    if (!value.isValid() || value.typeId() == QMetaType::QByteArray) {
        return fallback;
    }
    // INI files hold text; a value a user edited into something else falls back to the default.
    bool ok = false;
    const qlonglong number = value.toString().trimmed().toLongLong(&ok);
    if (!ok || number < INT32_MIN || number > UINT32_MAX) {
        return fallback;
    }
    // Flag words are stored as unsigned numbers by other tools; keep their bits.
    return static_cast<int32_t>(static_cast<uint32_t>(number));
}

std::string QSettingsStore::GetProfileString(std::string_view section, std::string_view name,
                                             std::string_view fallback) const {
    const QVariant value = Read(section, name);
    if (!value.isValid() || value.typeId() == QMetaType::QByteArray ||
        value.typeId() == QMetaType::QStringList) {
        return std::string(fallback);
    }
    return value.toString().toStdString();
}

std::optional<std::vector<uint8_t>> QSettingsStore::GetProfileBinary(std::string_view section,
                                                                     std::string_view name) const {
    const QVariant value = Read(section, name);
    if (!value.isValid() || value.typeId() != QMetaType::QByteArray) {
        return std::nullopt;
    }
    const QByteArray bytes = value.toByteArray();
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

void QSettingsStore::WriteProfileInt(std::string_view section, std::string_view name,
                                     int32_t value) {
    Write(section, name, QVariant(static_cast<int>(value)));
}

void QSettingsStore::WriteProfileString(std::string_view section, std::string_view name,
                                        std::string_view value) {
    Write(section, name, QVariant(FromUtf8(value)));
}

void QSettingsStore::WriteProfileBinary(std::string_view section, std::string_view name,
                                        const std::vector<uint8_t>& value) {
    Write(section, name,
          QVariant(QByteArray(reinterpret_cast<const char*>(value.data()),
                              static_cast<qsizetype>(value.size()))));
}

}  // namespace corvimap
