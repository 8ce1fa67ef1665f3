#include "viewlogic/PlanFolder.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

bool CanCreateFilesIn(const QString& folder) {
    const QString base = folder.isEmpty() ? QStringLiteral(".") : folder;
    QTemporaryFile probe(QDir(base).filePath(QStringLiteral(".vl_tool_probe_XXXXXX")));
    return probe.open();  // removed again when the probe goes
}

QString UserDocumentsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString ChoosePlanFolder(const QString& programFolder, const QString& documentsFolder,
                         const FolderWritableFn& writable) {
    if (writable(programFolder))
        return programFolder;
    if (documentsFolder.isEmpty())
        return programFolder;
    const QString fallback = QDir(documentsFolder).filePath(QStringLiteral("VL_Tool"));
    if (!QDir().mkpath(fallback) || !writable(fallback))
        return programFolder;
    return QDir::toNativeSeparators(fallback + QLatin1Char('/'));
}
