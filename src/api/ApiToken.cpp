#include "api/ApiToken.h"

#include <array>

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStandardPaths>

QByteArray MakeApiToken() {
    std::array<quint32, 8> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    return QByteArray(reinterpret_cast<const char*>(words.data()), sizeof words).toHex();
}

QString DefaultApiTokenPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/vl_tool-api-token");
}

bool WriteApiTokenFile(const QString& path, const QByteArray& token, QString& error) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir(folder).exists()) {
        if (!QDir().mkpath(folder)) {
            error = QStringLiteral("cannot make the folder %1").arg(folder);
            return false;
        }
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QSaveFile file(path);
    // Owner-only before the token is in it, so no one else ever sees it.
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner) ||
        file.write(token + '\n') != token.size() + 1 || !file.commit()) {
        error = QStringLiteral("cannot write the token file %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool TokensEqual(const QByteArray& a, const QByteArray& b) {
    // Every byte of the longer one is looked at whatever the contents.
    const qsizetype n = std::max(a.size(), b.size());
    unsigned char diff = a.size() == b.size() ? 0 : 1;
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
        const unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
        diff |= x ^ y;
    }
    return diff == 0;
}
