#pragma once

#include <QCoreApplication>
#include <QString>

#include "data/TextFileWriter.h"

// What the user is told when a file the user named could not be written.
inline QString SaveFailureText(FileSaveResult result, const QString& path) {
    if (result == FileSaveResult::OpenFailed)
        return QCoreApplication::translate("SaveFailureText", "ファイルを作成できません: ") + path;
    return QCoreApplication::translate("SaveFailureText", "ファイルの書き込みに失敗しました: ") +
           path;
}
