#include "viewlogic/SettingsStore.h"

#include <QSettings>

namespace {
QString Path(const QString& section, const QString& key) {
    return section + '/' + key;
}
}  // namespace

QSettingsStore::QSettingsStore()
    : settings_(std::make_unique<QSettings>(QString::fromLatin1(ORGANISATION),
                                            QString::fromLatin1(APPLICATION))) {}

QSettingsStore::~QSettingsStore() = default;

int QSettingsStore::readInt(const QString& section, const QString& key, int defaultValue) {
    bool ok = false;
    const int value = settings_->value(Path(section, key), defaultValue).toInt(&ok);
    return ok ? value : defaultValue;
}

void QSettingsStore::writeInt(const QString& section, const QString& key, int value) {
    settings_->setValue(Path(section, key), value);
}

QString QSettingsStore::readText(const QString& section, const QString& key,
                                 const QString& defaultValue) {
    return settings_->value(Path(section, key), defaultValue).toString();
}

void QSettingsStore::writeText(const QString& section, const QString& key, const QString& value) {
    settings_->setValue(Path(section, key), value);
}

int MemorySettingsStore::readInt(const QString& section, const QString& key, int defaultValue) {
    const auto it = values_.find(Path(section, key));
    return it == values_.end() ? defaultValue : it->second;
}

void MemorySettingsStore::writeInt(const QString& section, const QString& key, int value) {
    values_[Path(section, key)] = value;
    writeLog_.push_back(Path(section, key));
}

QString MemorySettingsStore::readText(const QString& section, const QString& key,
                                      const QString& defaultValue) {
    const auto it = texts_.find(Path(section, key));
    return it == texts_.end() ? defaultValue : it->second;
}

void MemorySettingsStore::writeText(const QString& section, const QString& key,
                                    const QString& value) {
    texts_[Path(section, key)] = value;
}

bool MemorySettingsStore::contains(const QString& section, const QString& key) const {
    return values_.count(Path(section, key)) != 0;
}
