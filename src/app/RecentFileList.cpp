#include "app/RecentFileList.h"

#include <QFileInfo>
#include <QSettings>

#include "viewlogic/SettingsStore.h"

namespace {
constexpr char SECTION[] = "Recent File List";

QSettings Settings() {
    return QSettings(QSettingsStore::ORGANISATION, QSettingsStore::APPLICATION);
}
}  // namespace

void RecentFileList::load() {
    QSettings s = Settings();
    files_.clear();
    for (int i = 1; i <= SIZE; ++i) {
        const QString path = s.value(QString("%1/File%2").arg(SECTION).arg(i)).toString();
        if (!path.isEmpty() && !files_.contains(path))
            files_.append(path);
    }
}

void RecentFileList::save() const {
    QSettings s = Settings();
    s.remove(SECTION);
    for (int i = 0; i < files_.size(); ++i)
        s.setValue(QString("%1/File%2").arg(SECTION).arg(i + 1), files_.at(i));
}

void RecentFileList::add(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    files_.removeAll(full);
    files_.prepend(full);
    while (files_.size() > SIZE)
        files_.removeLast();
}

void RecentFileList::remove(const QString& path) {
    files_.removeAll(QFileInfo(path).absoluteFilePath());
}
